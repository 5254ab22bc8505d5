#include "platform/keyring.h"

#include <libsecret/secret.h>

#include <optional>

namespace fennimar {
namespace {

const SecretSchema* SmtpSchema() {
  static const SecretSchema schema = {"org.fennimar.SmtpPassword",
                                      SECRET_SCHEMA_NONE,
                                      {{"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
  return &schema;
}

// The keyring's failure as a SystemError, freed; none when there was none.
std::optional<SystemError> TakeError(GError* error, const char* step) {
  if (error == nullptr) return std::nullopt;
  std::string text = error->message ? error->message : "keyring error";
  g_error_free(error);
  return SystemError::WithReason(step, text);
}

Result<void> Done(GError* error, const char* step) {
  if (auto failure = TakeError(error, step)) return *failure;
  return {};
}

}  // namespace

Result<std::string> LookupSmtpPassword(const std::string& user, const std::string& server) {
  GError* error = nullptr;
  gchar* found = secret_password_lookup_sync(SmtpSchema(), nullptr, &error, "user", user.c_str(),
                                             "server", server.c_str(), nullptr);
  if (auto failure = TakeError(error, "cannot look up the password")) return *failure;
  if (found == nullptr) {
    return SystemError::WithReason("cannot look up the password", "none is stored in the keyring");
  }
  std::string secret = found;
  secret_password_free(found);
  return secret;
}

Result<void> StoreSmtpPassword(const std::string& user, const std::string& server,
                               const std::string& password) {
  GError* error = nullptr;
  std::string label = "Fennimar mail password for " + user + " at " + server;
  secret_password_store_sync(SmtpSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                             password.c_str(), nullptr, &error, "user", user.c_str(), "server",
                             server.c_str(), nullptr);
  return Done(error, "cannot keep the password");
}

Result<void> ClearSmtpPassword(const std::string& user, const std::string& server) {
  GError* error = nullptr;
  secret_password_clear_sync(SmtpSchema(), nullptr, &error, "user", user.c_str(), "server",
                             server.c_str(), nullptr);
  return Done(error, "cannot remove the password");
}

}  // namespace fennimar
