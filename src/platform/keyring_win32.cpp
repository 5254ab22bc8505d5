// The keyring on Windows: the user's Credential Manager, one generic
// credential per secret, named "Fennimar SMTP <user>@<server>" (or IMAP).
// The name is unambiguous because a server ("host:port") has no "@"; the
// password is kept as its UTF-8 bytes. The Credential Manager answers at
// once, so a terminal program never waits on it.
// clang-format off
#include <windows.h>
#include <wincred.h>  // after windows.h, which it needs
// clang-format on

#include <optional>
#include <string>

#include "platform/keyring.h"
#include "platform/wide_text_win32.h"

namespace fennimar {
namespace {

std::wstring TargetName(const char* kind, const std::string& user, const std::string& server) {
  return WideText(std::string("Fennimar ") + kind + " " + user + "@" + server);
}

// The password stored for `user`; none when there is none for this user.
Result<std::optional<std::string>> Read(const char* kind, const std::string& user,
                                        const std::string& server) {
  CREDENTIALW* found = nullptr;
  if (!::CredReadW(TargetName(kind, user, server).c_str(), CRED_TYPE_GENERIC, 0, &found)) {
    DWORD code = ::GetLastError();
    if (code == ERROR_NOT_FOUND) return std::optional<std::string>();
    return SystemError("cannot look up the password", static_cast<int>(code));
  }
  // Names are compared without regard to case; a user name is not.
  bool same = found->UserName != nullptr && NarrowText(found->UserName) == user;
  std::string secret(reinterpret_cast<const char*>(found->CredentialBlob),
                     found->CredentialBlobSize);
  ::CredFree(found);
  if (!same) return std::optional<std::string>();
  return std::optional<std::string>(std::move(secret));
}

Result<std::string> Lookup(const char* kind, const std::string& user, const std::string& server) {
  auto stored = Read(kind, user, server);
  if (!stored) return stored.error();
  if (!*stored) {
    return SystemError::WithReason("cannot look up the password", "none is stored in the keyring");
  }
  return std::move(**stored);
}

Result<void> Store(const char* kind, const std::string& user, const std::string& server,
                   const std::string& password, const std::string& label) {
  const char* step = "cannot keep the password";
  if (password.size() > CRED_MAX_CREDENTIAL_BLOB_SIZE) {
    return SystemError::WithReason(step, "the password is too long for the Credential Manager");
  }
  std::wstring target = TargetName(kind, user, server);
  std::wstring userName = WideText(user);
  std::wstring comment = WideText(label);
  CREDENTIALW credential{};
  credential.Type = CRED_TYPE_GENERIC;
  credential.TargetName = target.data();
  credential.Comment = comment.data();
  credential.CredentialBlobSize = static_cast<DWORD>(password.size());
  credential.CredentialBlob =
      reinterpret_cast<BYTE*>(const_cast<char*>(password.data()));  // only read
  credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
  credential.UserName = userName.data();
  if (::CredWriteW(&credential, 0)) return {};
  return SystemError(step, static_cast<int>(::GetLastError()));
}

}  // namespace

Result<std::string> LookupSmtpPassword(const std::string& user, const std::string& server) {
  return Lookup("SMTP", user, server);
}

Result<std::string> LookupImapPassword(const std::string& user, const std::string& server,
                                       int /*waitMs*/) {
  return Lookup("IMAP", user, server);
}

Result<void> StoreImapPassword(const std::string& user, const std::string& server,
                               const std::string& password) {
  return Store("IMAP", user, server, password,
               "Fennimar IMAP password for " + user + " at " + server);
}

Result<void> StoreSmtpPassword(const std::string& user, const std::string& server,
                               const std::string& password) {
  return Store("SMTP", user, server, password,
               "Fennimar mail password for " + user + " at " + server);
}

Result<void> ClearSmtpPassword(const std::string& user, const std::string& server) {
  // Only this user's: another user name under the same name (in other
  // letter case) keeps its password.
  auto stored = Read("SMTP", user, server);
  if (!stored) return stored.error();
  if (!*stored) return {};
  if (::CredDeleteW(TargetName("SMTP", user, server).c_str(), CRED_TYPE_GENERIC, 0)) return {};
  DWORD code = ::GetLastError();
  if (code == ERROR_NOT_FOUND) return {};
  return SystemError("cannot remove the password", static_cast<int>(code));
}

}  // namespace fennimar
