#include "mail/smtp_part_mailer.h"

#include <unistd.h>

#include <array>
#include <cstdio>

#include "mail/mime_composer.h"
#include "mail/smtp_session.h"
#include "settings/settings_keys.h"
#include "ui/user_interface.h"

namespace fennimar {

SmtpPartMailer::SmtpPartMailer(SettingsStore& settings, std::string applicationTitle,
                               ConnectionTimeouts timeouts)
    : settings_(settings), applicationTitle_(std::move(applicationTitle)), timeouts_(timeouts) {}

std::string SmtpPartMailer::Subject(int index, int count, const std::string& sourceName) {
  std::array<char, 64> numbers{};
  std::snprintf(numbers.data(), numbers.size(), "Part %2d of total %2d parts of file:", index + 1,
                count);
  return numbers.data() + sourceName + " ";
}

std::string SmtpPartMailer::LocalDomain() {
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') return "localhost";
  return name.data();
}

int SmtpPartMailer::MailPart(UserInterface& owner, const std::string& partPath,
                             const std::string& mailTo, const std::string& sourceName, int index,
                             int count) {
  std::string returnAddress = settings_.ReadSetting(settings::kSection, settings::kMyAddress,
                                                    kDefaultReturnAddress, settings::kMailerValue);
  std::string server = settings_.ReadSetting(settings::kSection, settings::kSmtpHost,
                                             kPlaceholderSmtpHost, settings::kMailerValue);
  SmtpSession session(timeouts_);
  int connected = session.Connect(server, LocalDomain());
  MimeComposer message;
  message.Clear();
  message.AddFilePart(partPath, kAttachmentContentType, TransferEncoding::kBase64);
  std::string subject = Subject(index, count, sourceName);
  if (connected != 0) {
    owner.ShowMessage("Can not Connect", server, MessageKind::kOk);
    owner.ShowMessage("SMTP Host not correct or return address not correct", applicationTitle_,
                      MessageKind::kOk);
    session.Quit();
    return connected;
  }
  int sent = session.SendMime(mailTo, returnAddress, subject, "", message);
  session.Quit();
  return sent;
}

}  // namespace fennimar
