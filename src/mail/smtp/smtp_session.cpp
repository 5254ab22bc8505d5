#include "mail/smtp/smtp_session.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "mail/mime/content_encoders.h"
#include "mail/mime/header_text.h"
#include "platform/file.h"
#include "platform/file_status.h"
#include "text/ascii.h"
#include "ui/message_text.h"

namespace fennimar {
namespace {

constexpr std::size_t kMaxPendingReply = 65536;  // a line without end beyond this is garbage
constexpr std::size_t kReceiveChunk = 4096;
constexpr std::size_t kFileBlockSize = 64 * 1024;

bool IsPositive(int code) { return code >= 200 && code <= 299; }

bool HasLineEnd(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// Base64 on one line, as AUTH wants it.
std::string Base64Of(std::string_view text) {
  std::string lines(Base64EncodedSize(text.size()), '\0');
  lines.resize(Base64EncodeLines(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                 lines.data()));
  // Lines of 57 bytes are whole groups, so joining them is one encoding.
  std::erase_if(lines, [](char c) { return c == '\r' || c == '\n'; });
  return lines;
}

// The envelope sender of a return address, or empty when there is none.
std::string EnvelopeSender(std::string_view address) {
  if (HasLineEnd(address)) return {};
  std::string sender;
  std::size_t open = address.find('<');
  if (open != std::string::npos) {
    sender = address.substr(open);
  } else {
    // A bare mailbox: one word, put in angle brackets.
    std::string_view mailbox = TrimBlanks(address);
    if (mailbox.empty() || mailbox.find_first_of(" \t>") != mailbox.npos) return {};
    sender = "<" + std::string(mailbox) + ">";
  }
  if (sender.size() > kMaxEnvelopeSender) return {};
  return sender;
}

// The number of a "SIZE n" extension line's keyword (lower case); none for
// "SIZE" alone, "SIZE 0" (no fixed limit) or anything that is no number.
std::optional<std::uint64_t> SizeLimitOf(std::string_view keyword) {
  if (!keyword.starts_with("size ")) return std::nullopt;
  std::string_view digits = TrimBlanks(keyword.substr(5));
  if (digits.empty() || digits.size() > 18) return std::nullopt;
  std::uint64_t limit = 0;
  for (char c : digits) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    limit = limit * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (limit == 0) return std::nullopt;
  return limit;
}

// The mailbox of one address: inside the first "<" that lies outside double
// quotes, or else the first word.
std::string MailboxOf(std::string_view address) {
  bool quoted = false;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (address[i] == '"') quoted = !quoted;
    if (address[i] == '<' && !quoted) {
      std::string_view inside = address.substr(i + 1);
      return std::string(inside.substr(0, inside.find('>')));
    }
  }
  std::string_view word = TrimBlanks(address);
  return std::string(word.substr(0, word.find_first_of(" \t")));
}

}  // namespace

std::vector<std::string> RecipientMailboxes(std::string_view recipients) {
  std::vector<std::string> mailboxes;
  for (std::string_view address : SplitAddresses(recipients)) {
    if (!TrimBlanks(address).empty()) mailboxes.push_back(MailboxOf(TrimBlanks(address)));
  }
  return mailboxes;
}

SmtpSession::SmtpSession(SmtpTimeouts timeouts, KeepWaiting keepWaiting)
    : timeouts_(timeouts), stream_(std::move(keepWaiting)) {}

SmtpSession::~SmtpSession() { stream_.Close(); }

SmtpResult SmtpSession::Refused(SmtpOutcome outcome, const SmtpReply& reply,
                                std::string_view step) {
  if (!reply.fault.empty()) {
    return {outcome, "the server's answer to " + std::string(step) + " " + reply.fault +
                         "; the connection was closed"};
  }
  if (reply.code != 0) return {outcome, reply.text};
  if (!reply.text.empty()) {
    return {outcome, "no reply code in the answer to " + std::string(step) + ": " + reply.text};
  }
  SmtpResult result = NetFailure(outcome, reply.network);
  result.reason = "no answer to " + std::string(step) + ": " + result.reason;
  return result;
}

SmtpResult SmtpSession::NetFailure(SmtpOutcome outcome, const NetResult& failure) {
  if (failure.status() == NetStatus::kStopped) outcome = SmtpOutcome::kStopped;
  return {outcome, failure.Text()};
}

SmtpResult SmtpSession::Abandon(const NetResult& failure) {
  answering_ = false;
  (void)stream_.Close();
  return NetFailure(SmtpOutcome::kSendFailed, failure);
}

SmtpResult SmtpSession::Abandon(std::string reason) {
  answering_ = false;
  (void)stream_.Close();
  return {SmtpOutcome::kSendFailed, std::move(reason)};
}

SmtpResult SmtpSession::Connect(std::string_view server, const std::string& localDomain,
                                SmtpSecurity security, const SmtpLogin& login) {
  Quit();
  auto address = ParseServerText(server, security);
  if (!address) {
    return {SmtpOutcome::kBadServer, "no server name and port in \"" + std::string(server) + "\""};
  }
  NetResult connected =
      stream_.Connect(address->host, address->port, DeadlineIn(timeouts_.connectMs));
  if (!connected) {
    return NetFailure(connected.status() == NetStatus::kNoName ? SmtpOutcome::kBadServer
                                                               : SmtpOutcome::kNoConnection,
                      connected);
  }
  if (security == SmtpSecurity::kTls) {
    NetResult secured = stream_.StartTls(address->host, DeadlineIn(timeouts_.commandMs));
    if (!secured) return NetFailure(SmtpOutcome::kTlsFailed, secured);
  } else if (SmtpResult started = AwaitGreeting(); !started.ok()) {
    return started;
  }
  SmtpReply greeting = ReadReply(timeouts_.commandMs);  // its code is not judged
  if (greeting.code == 0) return Refused(SmtpOutcome::kGreetingRefused, greeting, "the connection");
  std::string domain =
      localDomain.find('.') != std::string::npos ? localDomain : stream_.LocalAddressLiteral();
  bool plainOnly = security == SmtpSecurity::kNone && login.user.empty();
  SmtpResult greeted = Greet(domain, plainOnly);
  if (!greeted.ok()) return greeted;
  if (security == SmtpSecurity::kStartTls) {
    if (!offered_.startTls) {
      return {SmtpOutcome::kTlsUnavailable,
              "the server offers no STARTTLS; nothing was sent in clear"};
    }
    SmtpReply ready = Command("STARTTLS\r\n", timeouts_.commandMs);
    if (ready.code != 220) return Refused(SmtpOutcome::kTlsFailed, ready, "STARTTLS");
    // Whatever arrived in clear after the reply is not trusted.
    inbox_.clear();
    NetResult secured =
        stream_.StartTls(address->host, DeadlineIn(timeouts_.commandMs), TlsStart::kAfterStartTls);
    if (!secured) return NetFailure(SmtpOutcome::kTlsFailed, secured);
    greeted = Greet(domain, false);
    if (!greeted.ok()) return greeted;
  }
  if (!login.user.empty()) return LogIn(login);
  return {};
}

SmtpResult SmtpSession::AwaitGreeting() {
  std::array<char, kReceiveChunk> chunk;
  Received first =
      stream_.Receive(chunk.data(), chunk.size(), DeadlineIn(timeouts_.greetingStartMs));
  if (first.result) {
    inbox_.append(chunk.data(), first.count);
    return {};
  }
  // A server that has said nothing is sent nothing more, not even QUIT: on a
  // port that expects TLS it would be plain text in the handshake.
  (void)stream_.Close();
  if (first.result.status() == NetStatus::kTimedOut) {
    return {SmtpOutcome::kGreetingRefused,
            "no answer to the connection within " +
                std::to_string((timeouts_.greetingStartMs + 999) / 1000) +
                " s: the server may expect TLS from the first byte (port 465): choose TLS"};
  }
  SmtpReply none;
  none.network = std::move(first.result);
  return Refused(SmtpOutcome::kGreetingRefused, none, "the connection");
}

SmtpResult SmtpSession::Greet(const std::string& domain, bool mayFallBack) {
  offered_ = {};
  // Every line after the first names one extension; a long list is read
  // whole, though the reply keeps only its first lines.
  bool first = true;
  Extensions offered;
  auto extension = [&](std::string_view line) {
    if (std::exchange(first, false) || line.size() < 4) return;
    std::string keyword = AsciiLower(line.substr(4));
    if (keyword == "starttls") offered.startTls = true;
    if (auto limit = SizeLimitOf(keyword)) offered.sizeLimit = limit;
    if (keyword.starts_with("auth ") || keyword.starts_with("auth=")) {
      std::string mechanisms = " " + keyword.substr(5) + " ";
      offered.plain = offered.plain || mechanisms.find(" plain ") != std::string::npos;
      offered.login = offered.login || mechanisms.find(" login ") != std::string::npos;
    }
  };
  SmtpReply reply = Command("EHLO " + OneLine(domain) + "\r\n", timeouts_.commandMs, extension);
  if (IsPositive(reply.code)) {
    offered_ = offered;
    return {};
  }
  if (reply.code == 0 || !mayFallBack) {
    return Refused(SmtpOutcome::kGreetingRefused, reply, "EHLO");
  }
  reply = Command("HELO " + OneLine(domain) + "\r\n", timeouts_.commandMs);
  if (IsPositive(reply.code)) return {};
  return Refused(SmtpOutcome::kGreetingRefused, reply, "HELO");
}

SmtpResult SmtpSession::LogIn(const SmtpLogin& login) {
  // The password never travels in clear.
  if (!stream_.IsEncrypted()) {
    return {SmtpOutcome::kLoginUnavailable,
            "a login needs an encrypted connection (STARTTLS or TLS); the password was not sent"};
  }
  SmtpReply reply;
  if (offered_.plain) {
    std::string credentials = std::string(1, '\0') + login.user + '\0' + login.password;
    reply = Command("AUTH PLAIN " + Base64Of(credentials) + "\r\n", timeouts_.commandMs);
  } else if (offered_.login) {
    reply = Command("AUTH LOGIN\r\n", timeouts_.commandMs);
    if (reply.code == 334) reply = Command(Base64Of(login.user) + "\r\n", timeouts_.commandMs);
    if (reply.code == 334) reply = Command(Base64Of(login.password) + "\r\n", timeouts_.commandMs);
  } else {
    return {SmtpOutcome::kLoginUnavailable,
            "the server offers no AUTH PLAIN or LOGIN; the password was not sent"};
  }
  if (reply.code == 235) return {};
  return Refused(SmtpOutcome::kLoginRefused, reply, "AUTH");
}

void SmtpSession::Quit() {
  if (stream_.IsOpen()) {
    // A server that has been answering gets a moment to answer QUIT; a
    // silent one is not waited for again.
    if (answering_) {
      Command("QUIT\r\n", timeouts_.quitMs);
    } else {
      // Nothing more is expected of this server: how the send ended does
      // not matter.
      static_cast<void>(stream_.Send("QUIT\r\n", 6, DeadlineIn(timeouts_.quitMs)));
    }
  }
  answering_ = false;
  (void)stream_.Close();
  inbox_.clear();
}

SmtpReply SmtpSession::Command(std::string_view line, int timeoutMs, const LineVisitor& eachLine) {
  NetResult sent = stream_.Send(line.data(), line.size(), DeadlineIn(timeoutMs));
  if (!sent) {
    answering_ = false;
    SmtpReply none;
    none.network = std::move(sent);
    return none;
  }
  return ReadReply(timeoutMs, eachLine);
}

SmtpReply SmtpSession::Garbled(SmtpReply reply, std::string fault) {
  // The next reply could not be told from the rest of this one.
  (void)stream_.Close();
  inbox_.clear();
  reply.code = 0;
  reply.fault = std::move(fault);
  return reply;
}

SmtpReply SmtpSession::ReadReply(int timeoutMs, const LineVisitor& eachLine) {
  Deadline deadline = DeadlineIn(timeoutMs);
  SmtpReply reply;
  answering_ = false;
  int lines = 0;
  // The text kept for the user: the first lines, and how many more came.
  auto kept = [&]() -> SmtpReply& {
    if (lines > kReplyKeptLines) {
      reply.text += "\n(" + std::to_string(lines - kReplyKeptLines) + " more lines)";
    }
    return reply;
  };
  while (lines < kMaxReplyLines) {
    std::size_t end;
    while ((end = inbox_.find('\n')) == std::string::npos) {
      if (inbox_.size() > kMaxPendingReply) {
        return Garbled(
            kept(), "held a line of more than " + std::to_string(kMaxPendingReply) + " characters");
      }
      std::array<char, kReceiveChunk> chunk;
      Received received = stream_.Receive(chunk.data(), chunk.size(), deadline);
      if (!received.result) {
        SmtpReply none;
        none.network = std::move(received.result);
        return none;
      }
      inbox_.append(chunk.data(), received.count);
    }
    std::string line = inbox_.substr(0, end);
    inbox_.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kReplyLineSize) line.resize(kReplyLineSize);
    // A server's text reaches the user: it must not steer a terminal.
    line = DisplayText(line);
    if (eachLine) eachLine(line);
    if (++lines <= kReplyKeptLines) {
      if (!reply.text.empty()) reply.text += '\n';
      reply.text += line;
    }
    // "250-" continues the reply; "250 " or a bare "250" ends it.
    bool continues = line.size() >= 4 && IsAsciiDigit(line[0]) && IsAsciiDigit(line[1]) &&
                     IsAsciiDigit(line[2]) && line[3] == '-';
    if (continues) continue;
    std::string_view code = TrimBlanks(line);
    for (std::size_t i = 0; i < code.size() && i < 6 && IsAsciiDigit(code[i]); ++i) {
      reply.code = reply.code * 10 + (code[i] - '0');
    }
    if (reply.code == 0) return kept();
    answering_ = true;
    return kept();
  }
  return Garbled(kept(), "ran to more than " + std::to_string(kMaxReplyLines) + " lines");
}

NetResult SmtpSession::Queue(std::string_view text) {
  std::size_t used = outbox_.size();
  outbox_.resize(used + DotStuffer::MaxOutput(text.size()));
  used += stuffer_.Stuff(text.data(), text.size(), outbox_.data() + used);
  outbox_.resize(used);
  if (outbox_.size() < kSendBufferSize) return {};
  return Flush();
}

NetResult SmtpSession::Flush() {
  NetResult sent = stream_.Send(outbox_.data(), outbox_.size(), DeadlineIn(timeouts_.blockMs));
  outbox_.clear();
  return sent;
}

SmtpResult SmtpSession::Transmit(const std::string& recipients, const std::string& returnAddress,
                                 const OutgoingMessage& message) {
  std::string sender = EnvelopeSender(returnAddress);
  if (sender.empty()) {
    return {SmtpOutcome::kBadSender,
            "no usable return address in \"" + OneLine(returnAddress) + "\""};
  }
  if (!stream_.IsOpen()) return {SmtpOutcome::kNotConnected, "not connected"};
  std::vector<std::string> mailboxes = RecipientMailboxes(recipients);
  if (recipients.size() < 3 || HasLineEnd(recipients) || mailboxes.empty()) {
    return {SmtpOutcome::kBadRecipient, "no usable recipient in \"" + OneLine(recipients) + "\""};
  }

  std::string mail = "MAIL from:" + sender;
  if (offered_.sizeLimit) {
    // The server would refuse the message only after all of it had been
    // sent; it is refused here before a byte of it goes out.
    std::optional<std::uint64_t> size = MessageSize(message);
    if (size && *size > *offered_.sizeLimit) {
      SmtpResult refused{SmtpOutcome::kMessageTooLarge,
                         "the message of " + std::to_string(*size) +
                             " bytes is larger than the server's limit of " +
                             std::to_string(*offered_.sizeLimit) +
                             " bytes; nothing of it was sent"};
      refused.messageSize = *size;
      return refused;
    }
    if (size) mail += " SIZE=" + std::to_string(*size);
  }
  SmtpReply reply = Command(mail + "\r\n", timeouts_.commandMs);
  if (!IsPositive(reply.code)) return Refused(SmtpOutcome::kSenderRefused, reply, "MAIL");
  for (const std::string& mailbox : mailboxes) {
    reply = Command("RCPT to:<" + mailbox + ">\r\n", timeouts_.commandMs);
    if (!IsPositive(reply.code)) return Refused(SmtpOutcome::kRecipientRefused, reply, "RCPT");
  }
  reply = Command("DATA\r\n", timeouts_.dataMs);
  if (reply.code != 354) return Refused(SmtpOutcome::kDataRefused, reply, "DATA");
  return SendData(message);
}

std::optional<std::uint64_t> SmtpSession::MessageSize(const OutgoingMessage& message) {
  std::vector<std::uint64_t> fileSizes;
  for (const std::string& path : message.files) {
    auto status = StatusOf(path);
    if (!status) return std::nullopt;
    fileSizes.push_back(static_cast<std::uint64_t>(status->size));
  }
  return MessageSize(message.header.size() + message.body.size(), fileSizes);
}

std::uint64_t SmtpSession::MessageSize(std::uint64_t headerAndBody,
                                       const std::vector<std::uint64_t>& fileSizes) {
  // As SendData sends it: the header, the body, each file after an empty
  // line, and the line end before the final ".".
  std::uint64_t size = headerAndBody + 2;
  for (std::uint64_t fileSize : fileSizes) size += 4 + fileSize;
  return size;
}

SmtpResult SmtpSession::SendData(const OutgoingMessage& message) {
  // From here on a failure leaves the server inside the message: Abandon
  // drops the connection.
  outbox_.clear();
  stuffer_ = {};
  NetResult queued = Queue(message.header);
  if (queued) queued = Queue(message.body);
  if (!queued) return Abandon(queued);
  std::vector<char> block(kFileBlockSize);
  for (const std::string& path : message.files) {
    auto file = File::OpenRead(path);
    if (!file) return Abandon("cannot read " + path);
    if (queued = Queue("\r\n\r\n"); !queued) return Abandon(queued);
    for (;;) {
      auto nRead = file->Read(block.data(), block.size());
      std::int64_t n = nRead ? static_cast<std::int64_t>(*nRead) : -1;
      if (n < 0) return Abandon("cannot read " + path);
      if (n > 0) queued = Queue({block.data(), static_cast<std::size_t>(n)});
      if (!queued) return Abandon(queued);
      if (n < static_cast<std::int64_t>(block.size())) break;
    }
  }
  outbox_ += "\r\n.\r\n";  // the end of the message, never stuffed
  if (queued = Flush(); !queued) return Abandon(queued);
  SmtpReply reply = ReadReply(timeouts_.endOfDataMs);
  if (reply.code == 0) return Refused(SmtpOutcome::kNoAnswer, reply, "the message");
  if (!IsPositive(reply.code)) return Refused(SmtpOutcome::kMessageRefused, reply, "the message");
  return {};
}

}  // namespace fennimar
