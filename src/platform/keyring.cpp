#include "platform/keyring.h"

#include <libsecret/secret.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace fennimar {
namespace {

// A schema of one secret per "user" and "server".
SecretSchema UserAtServerSchema(const char* name) {
  return {name,
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
}

const SecretSchema* ImapSchema() {
  static const SecretSchema schema = UserAtServerSchema("org.fennimar.ImapPassword");
  return &schema;
}

const SecretSchema* SmtpSchema() {
  static const SecretSchema schema = UserAtServerSchema("org.fennimar.SmtpPassword");
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

// Cancels a call after a while, from a thread of its own, unless the call
// ended first.
class CancelAfter {
 public:
  CancelAfter(GCancellable* cancellable, int waitMs)
      : thread_([this, cancellable, waitMs] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return ended_; })) {
            g_cancellable_cancel(cancellable);
          }
        }) {}
  ~CancelAfter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
    }
    done_.notify_one();
    thread_.join();
  }
  CancelAfter(const CancelAfter&) = delete;
  CancelAfter& operator=(const CancelAfter&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool ended_ = false;
  std::thread thread_;  // last: it starts once the rest is ready
};

Result<std::string> Lookup(const SecretSchema* schema, const std::string& user,
                           const std::string& server, GCancellable* cancellable) {
  GError* error = nullptr;
  gchar* found = secret_password_lookup_sync(schema, cancellable, &error, "user", user.c_str(),
                                             "server", server.c_str(), nullptr);
  if (auto failure = TakeError(error, "cannot look up the password")) return *failure;
  if (found == nullptr) {
    return SystemError::WithReason("cannot look up the password", "none is stored in the keyring");
  }
  std::string secret = found;
  secret_password_free(found);
  return secret;
}

}  // namespace

Result<std::string> LookupSmtpPassword(const std::string& user, const std::string& server) {
  return Lookup(SmtpSchema(), user, server, nullptr);
}

Result<std::string> LookupImapPassword(const std::string& user, const std::string& server,
                                       int waitMs) {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus == nullptr || *bus == '\0') {
    return SystemError::WithReason("cannot look up the password", "no desktop session");
  }
  GCancellable* cancellable = g_cancellable_new();
  Result<std::string> found = [&] {
    CancelAfter cancel(cancellable, waitMs);
    return Lookup(ImapSchema(), user, server, cancellable);
  }();
  g_object_unref(cancellable);
  return found;
}

Result<void> StoreImapPassword(const std::string& user, const std::string& server,
                               const std::string& password) {
  GError* error = nullptr;
  std::string label = "Fennimar IMAP password for " + user + " at " + server;
  secret_password_store_sync(ImapSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                             password.c_str(), nullptr, &error, "user", user.c_str(), "server",
                             server.c_str(), nullptr);
  return Done(error, "cannot keep the password");
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
