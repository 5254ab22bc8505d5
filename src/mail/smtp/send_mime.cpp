#include "mail/smtp/send_mime.h"

#include <utility>

#include "platform/temporary_files.h"

namespace fennimar {

SmtpResult SendMime(SmtpSession& session, MessageHeading heading, const std::string& body,
                    MimeComposer& message) {
  auto temporary = TempFile::Create("MIME");
  if (!temporary) return {SmtpOutcome::kComposeFailed, "no temporary file for the message"};
  if (message.Compose(temporary->Path()) != ComposeOutcome::kOk) {
    return {SmtpOutcome::kComposeFailed,
            "the message could not be written to " + temporary->Path()};
  }
  heading.extraLines.insert(heading.extraLines.end(), message.HeaderLines().begin(),
                            message.HeaderLines().end());
  OutgoingMessage outgoing{ComposeHeaderBlock(heading), body, {temporary->Path()}};
  return session.Transmit(heading.to, heading.from, outgoing);
}

}  // namespace fennimar
