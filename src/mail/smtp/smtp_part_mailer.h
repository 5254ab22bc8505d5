// SmtpPartMailer: the PartMailer that sends a finished part file as the one
// base64 attachment of one e-mail message, over a fresh SMTP conversation
// for every part.
//
// It keeps no state between calls: the server, the security, the user name
// and the return address are read from the settings store on every call,
// and the password, when a user name is set, from the password source.
// Settings that cannot be used send nothing. A failed connection is told to the user with two
// message boxes; any later failure with one box naming the part and giving the server's reply.
// A part whose message is larger than the server's announced limit is not
// sent at all; its box names the limit and the largest part size that fits.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "build_info.h"
#include "mail/smtp/smtp_session.h"
#include "settings/settings_store.h"
#include "split/part_mailer.h"

namespace fennimar {

inline constexpr const char* kDefaultApplicationTitle = kProgramTitle;
inline constexpr char kAttachmentContentType[] = "Application/Octet-stream";

// Gives the password of `user` at `server`, or none (with the reason) when
// there is none to be had. A source that waits for the user asks
// `keepWaiting` between its waits; when it says no, the answer is `stopped`.
struct PasswordAnswer {
  std::optional<std::string> password;
  std::string reason;
  bool stopped = false;
};
using PasswordSource = std::function<PasswordAnswer(
    const std::string& user, const std::string& server, const KeepWaiting& keepWaiting)>;

class SmtpPartMailer : public PartMailer {
 public:
  // `settings` must outlive the mailer. `applicationTitle` is the caption of
  // the boxes after a failure. `timeouts` bound every conversation (the
  // defaults are those of the mail standard).
  explicit SmtpPartMailer(SettingsStore& settings,
                          std::string applicationTitle = kDefaultApplicationTitle,
                          PasswordSource passwords = {}, SmtpTimeouts timeouts = {});

  // False, after one message box, when the settings cannot be used (an
  // SMTPSecurity that names none of its values).
  bool CanMail(UserInterface& owner) override;
  // Connects without logging in, reads the SIZE the server announces after
  // EHLO, and says QUIT. A failed connection is told as MailPart tells it.
  ServerLimit AskSizeLimit(UserInterface& owner, const std::function<bool()>& keepWaiting) override;
  // Composed as MailPart composes the part's message, with the return
  // address of the settings; none when the settings cannot be read.
  std::optional<std::uint64_t> MessageSize(const MailedPart& part) override;
  // The part file is never changed.
  MailOutcome MailPart(UserInterface& owner, const std::string& partPath, const std::string& mailTo,
                       const std::string& sourceName, int index, int count,
                       const std::function<bool()>& keepWaiting) override;
  // As MailPart, with the subject and the failure's words of `file`'s kind.
  MailOutcome MailCompanion(UserInterface& owner, const std::string& path, const MailedPart& file,
                            const std::function<bool()>& keepWaiting) override;

  // "Part %2d of total %2d parts of file:%s " for part `index` (from 0).
  static std::string Subject(int index, int count, const std::string& sourceName);
  // The subject of `file`'s message: a part's as above, "Manifest of
  // file:%s " or "Recovery part %2d of total %2d of file:%s ", so that every
  // message of a set holds "of file:NAME".
  static std::string Subject(const MailedPart& file);
  // The name given to the server with EHLO: this machine's host name when it
  // is fully qualified, else empty (the session then sends the address
  // literal of its end of the connection).
  static std::string LocalDomain();
  // The largest part file size, in bytes, whose message stays within
  // `limit`, given that a part of `partSize` bytes made a message of
  // `messageSize` bytes (the part travels in base64, the rest stays the
  // same); 0 when not even an empty part fits.
  static std::uint64_t LargestFittingPart(std::uint64_t limit, std::uint64_t messageSize,
                                          std::uint64_t partSize);

 private:
  // The two boxes of a connection that failed; true when `result` is one.
  bool ToldFailedConnection(UserInterface& owner, const SmtpResult& result,
                            const std::string& server) const;
  // Sends the file at `path` as the one attachment of a message with
  // `subject`; a failure's box begins with `which` ("Part 2 of 3 (A.Z01)").
  MailOutcome Send(UserInterface& owner, const std::string& path, const std::string& mailTo,
                   const std::string& subject, const std::string& which,
                   const std::function<bool()>& keepWaiting);

  SettingsStore& settings_;
  std::string applicationTitle_;
  PasswordSource passwords_;
  SmtpTimeouts timeouts_;
};

}  // namespace fennimar
