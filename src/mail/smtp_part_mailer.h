// SmtpPartMailer: the PartMailer that sends a finished part file as the one
// base64 attachment of one e-mail message, over a fresh SMTP conversation
// for every part.
//
// It keeps no state between calls: the server (`SMTPHost`, which may end in
// ":" and a port) and the return address (`MyAddress`) are read from the
// settings store on every call. A failed connection is told to the user with
// two message boxes; any later failure only through the result, which the
// split turns into " Mail failed".
#pragma once

#include <string>

#include "mail/tcp_connection.h"
#include "settings/settings_store.h"
#include "split/part_mailer.h"

namespace fennimar {

// Used when the settings file lacks the key: a host name that never resolves,
// and a return address with its mailbox in angle brackets.
inline constexpr char kPlaceholderSmtpHost[] = "smtp.invalid";
inline constexpr char kDefaultReturnAddress[] = "Fennimar <fennimar@localhost>";
inline constexpr char kDefaultApplicationTitle[] = "Fennimar 3.13";
inline constexpr char kAttachmentContentType[] = "Application/Octet-stream";

class SmtpPartMailer : public PartMailer {
 public:
  // `settings` must outlive the mailer. `applicationTitle` is the caption of
  // the second message box after a failed connection. `timeouts` bound every
  // conversation (the defaults are those of real servers).
  explicit SmtpPartMailer(SettingsStore& settings,
                          std::string applicationTitle = kDefaultApplicationTitle,
                          ConnectionTimeouts timeouts = {});

  // 0 when the server accepted the message; 1, 2 or 3 when connecting failed
  // (after the two message boxes); the nonzero result of SmtpSession::SendMime
  // otherwise. The part file is never changed.
  int MailPart(UserInterface& owner, const std::string& partPath, const std::string& mailTo,
               const std::string& sourceName, int index, int count) override;

  // "Part %2d of total %2d parts of file:%s " for part `index` (from 0).
  static std::string Subject(int index, int count, const std::string& sourceName);
  // The name given to the server with "HELO": this machine's host name.
  static std::string LocalDomain();

 private:
  SettingsStore& settings_;
  std::string applicationTitle_;
  ConnectionTimeouts timeouts_;
};

}  // namespace fennimar
