#include "platform/keyring.h"

#include <libsecret/secret.h>

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

// Takes the error's text and frees it; empty when there was none.
std::string TakeError(GError* error) {
  if (error == nullptr) return {};
  std::string text = error->message ? error->message : "keyring error";
  g_error_free(error);
  return text;
}

}  // namespace

KeyringLookup LookupSmtpPassword(const std::string& user, const std::string& server) {
  GError* error = nullptr;
  gchar* found = secret_password_lookup_sync(SmtpSchema(), nullptr, &error, "user", user.c_str(),
                                             "server", server.c_str(), nullptr);
  KeyringLookup lookup;
  lookup.error = TakeError(error);
  if (found != nullptr) {
    lookup.secret = found;
    secret_password_free(found);
  } else if (lookup.error.empty()) {
    lookup.error = "none is stored in the keyring";
  }
  return lookup;
}

std::string StoreSmtpPassword(const std::string& user, const std::string& server,
                              const std::string& password) {
  GError* error = nullptr;
  std::string label = "Fennimar mail password for " + user + " at " + server;
  secret_password_store_sync(SmtpSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                             password.c_str(), nullptr, &error, "user", user.c_str(), "server",
                             server.c_str(), nullptr);
  return TakeError(error);
}

std::string ClearSmtpPassword(const std::string& user, const std::string& server) {
  GError* error = nullptr;
  secret_password_clear_sync(SmtpSchema(), nullptr, &error, "user", user.c_str(), "server",
                             server.c_str(), nullptr);
  return TakeError(error);
}

}  // namespace fennimar
