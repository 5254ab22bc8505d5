// SendMime: a MIME message composed from files and sent over a connected
// SmtpSession, by way of a temporary file.
#pragma once

#include <string>

#include "mail/mime/mime_composer.h"
#include "mail/smtp/smtp_session.h"

namespace fennimar {

// Composes `message` into a fresh temporary file ("MIME" prefix, in
// $TMPDIR), heads it with `heading` followed by the composer's message
// header lines, and transmits it to `heading.to` with `heading.from` as the
// return address, `body` before the composed parts. The temporary file is
// deleted on every path. kComposeFailed when the message could not be
// composed; nothing was sent then.
SmtpResult SendMime(SmtpSession& session, MessageHeading heading, const std::string& body,
                    MimeComposer& message);

}  // namespace fennimar
