#include "mail/smtp/smtp_part_mailer.h"

#include <array>
#include <cstdio>

#include "mail/mime/content_encoders.h"
#include "mail/mime/mime_composer.h"
#include "mail/smtp/send_mime.h"
#include "platform/file_status.h"
#include "platform/host_name.h"
#include "platform/path.h"
#include "ui/user_interface.h"

namespace fennimar {
namespace {

// What part size would have fitted the server's limit, for the refusal of a
// message that did not.
std::string TooLargeAdvice(const SmtpSession& session, const SmtpResult& refusal,
                           const std::string& partPath) {
  auto part = StatusOf(partPath);
  if (!session.SizeLimit() || !part) return {};
  std::uint64_t fits = SmtpPartMailer::LargestFittingPart(*session.SizeLimit(), refusal.messageSize,
                                                          static_cast<std::uint64_t>(part->size));
  if (fits == 0) return "\nNo part is small enough for this server.";
  return "\nThe largest part size that fits is " + std::to_string(fits) + " bytes.";
}

}  // namespace

SmtpPartMailer::SmtpPartMailer(SettingsStore& settings, std::string applicationTitle,
                               PasswordSource passwords, SmtpTimeouts timeouts)
    : settings_(settings),
      applicationTitle_(std::move(applicationTitle)),
      passwords_(std::move(passwords)),
      timeouts_(timeouts) {}

std::string SmtpPartMailer::Subject(int index, int count, const std::string& sourceName) {
  std::array<char, 64> numbers{};
  std::snprintf(numbers.data(), numbers.size(), "Part %2d of total %2d parts of file:", index + 1,
                count);
  return numbers.data() + sourceName + " ";
}

std::string SmtpPartMailer::Subject(const MailedPart& file) {
  if (file.kind == MailedKind::kPart) return Subject(file.index, file.count, file.sourceName);
  if (file.kind == MailedKind::kManifest) return "Manifest of file:" + file.sourceName + " ";
  std::array<char, 64> numbers{};
  std::snprintf(numbers.data(), numbers.size(),
                "Recovery part %2d of total %2d of file:", file.index + 1, file.count);
  return numbers.data() + file.sourceName + " ";
}

std::string SmtpPartMailer::LocalDomain() {
  std::string host = HostName();
  return host.find('.') != std::string::npos ? host : std::string();
}

std::uint64_t SmtpPartMailer::LargestFittingPart(std::uint64_t limit, std::uint64_t messageSize,
                                                 std::uint64_t partSize) {
  std::uint64_t rest = messageSize - Base64EncodedSize(partSize);
  if (messageSize < Base64EncodedSize(partSize) || rest >= limit) return 0;
  // The base64 text grows with the part: the largest fitting part is found
  // by halving, from a range whose top never fits (base64 is longer than
  // its data).
  std::uint64_t fits = 0;
  std::uint64_t tooLarge = limit - rest + 1;
  while (tooLarge - fits > 1) {
    std::uint64_t middle = fits + (tooLarge - fits) / 2;
    (rest + Base64EncodedSize(middle) <= limit ? fits : tooLarge) = middle;
  }
  return fits;
}

bool SmtpPartMailer::CanMail(UserInterface& owner) {
  SmtpSettingsRead read = ReadSmtpSettings(settings_);
  if (read.settings) return true;
  owner.ShowMessage(read.error + "\nNothing was split or mailed.", applicationTitle_,
                    MessageKind::kOk);
  return false;
}

bool SmtpPartMailer::ToldFailedConnection(UserInterface& owner, const SmtpResult& result,
                                          const std::string& server) const {
  if (result.outcome != SmtpOutcome::kBadServer && result.outcome != SmtpOutcome::kNoConnection &&
      result.outcome != SmtpOutcome::kGreetingRefused) {
    return false;
  }
  owner.ShowMessage("Can not Connect", server, MessageKind::kOk);
  owner.ShowMessage("SMTP Host not correct or return address not correct\n" + result.reason,
                    applicationTitle_, MessageKind::kOk);
  return true;
}

ServerLimit SmtpPartMailer::AskSizeLimit(UserInterface& owner,
                                         const std::function<bool()>& keepWaiting) {
  SmtpSettingsRead read = ReadSmtpSettings(settings_);
  if (!read.settings) {
    owner.ShowMessage(read.error, applicationTitle_, MessageKind::kOk);
    return {MailOutcome::kFailed, std::nullopt};
  }
  // The limit is announced before any login, so no password is asked for.
  SmtpSession session(timeouts_, keepWaiting);
  SmtpResult result =
      session.Connect(read.settings->server, LocalDomain(), read.settings->security);
  ServerLimit answer{MailOutcome::kMailed, session.SizeLimit()};
  if (result.outcome == SmtpOutcome::kStopped) {
    answer.outcome = MailOutcome::kStopped;
  } else if (!result.ok()) {
    if (!ToldFailedConnection(owner, result, read.settings->server)) {
      owner.ShowMessage("The mail server could not be asked for its size limit:\n" + result.reason,
                        applicationTitle_, MessageKind::kOk);
    }
    answer.outcome = MailOutcome::kFailed;
  }
  session.Quit();
  return answer;
}

std::optional<std::uint64_t> SmtpPartMailer::MessageSize(const MailedPart& part) {
  SmtpSettingsRead read = ReadSmtpSettings(settings_);
  ComposedPart attachment{part.partName, kAttachmentContentType, TransferEncoding::kBase64, {}};
  auto composed = ComposedSizeOf(attachment, static_cast<std::uint64_t>(part.partSize));
  if (!read.settings || !composed) return std::nullopt;
  // The date and the message id have the same length in every message.
  std::string header =
      ComposeHeaderBlock({read.settings->returnAddress, part.mailTo, Subject(part), {}});
  return SmtpSession::MessageSize(header.size() + composed->headerLines, {composed->body});
}

MailOutcome SmtpPartMailer::MailPart(UserInterface& owner, const std::string& partPath,
                                     const std::string& mailTo, const std::string& sourceName,
                                     int index, int count,
                                     const std::function<bool()>& keepWaiting) {
  char which[64];
  std::snprintf(which, sizeof which, "Part %d of %d (", index + 1, count);
  return Send(owner, partPath, mailTo, Subject(index, count, sourceName),
              which + FileNameOf(partPath) + ")", keepWaiting);
}

MailOutcome SmtpPartMailer::MailCompanion(UserInterface& owner, const std::string& path,
                                          const MailedPart& file,
                                          const std::function<bool()>& keepWaiting) {
  std::string which =
      file.kind == MailedKind::kRecovery
          ? "Recovery part " + std::to_string(file.index + 1) + " of " + std::to_string(file.count)
          : std::string("The manifest");
  return Send(owner, path, file.mailTo, Subject(file), which + " (" + FileNameOf(path) + ")",
              keepWaiting);
}

MailOutcome SmtpPartMailer::Send(UserInterface& owner, const std::string& path,
                                 const std::string& mailTo, const std::string& subject,
                                 const std::string& which,
                                 const std::function<bool()>& keepWaiting) {
  auto fail = [&](const std::string& reason) {
    owner.ShowMessage(which + " was not mailed:\n" + reason, applicationTitle_, MessageKind::kOk);
    return MailOutcome::kFailed;
  };
  // The settings are read afresh for every part: one changed since the
  // first part is judged again.
  SmtpSettingsRead read = ReadSmtpSettings(settings_);
  if (!read.settings) return fail(read.error);
  const SmtpSettings& mail = *read.settings;
  SmtpLogin login{mail.user, {}};
  if (!login.user.empty()) {
    PasswordAnswer answer = passwords_ ? passwords_(mail.user, mail.server, keepWaiting)
                                       : PasswordAnswer{std::nullopt, "no password source"};
    if (answer.stopped) return MailOutcome::kStopped;
    if (!answer.password) {
      return fail("no password for " + mail.user + " at " + mail.server + ": " + answer.reason);
    }
    login.password = std::move(*answer.password);
  }

  SmtpSession session(timeouts_, keepWaiting);
  SmtpResult result = session.Connect(mail.server, LocalDomain(), mail.security, login);
  if (result.ok()) {
    MimeComposer message;
    message.AddFilePart(path, kAttachmentContentType, TransferEncoding::kBase64);
    result = SendMime(session, {mail.returnAddress, mailTo, subject, {}}, "", message);
  } else if (ToldFailedConnection(owner, result, mail.server)) {
    session.Quit();
    return MailOutcome::kFailed;
  }
  session.Quit();
  switch (result.outcome) {
    case SmtpOutcome::kOk:
      return MailOutcome::kMailed;
    case SmtpOutcome::kStopped:
      return MailOutcome::kStopped;
    case SmtpOutcome::kMessageTooLarge:
      return fail(result.reason + TooLargeAdvice(session, result, path));
    default:
      return fail(result.reason);
  }
}

}  // namespace fennimar
