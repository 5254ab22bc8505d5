#include "mail/smtp_session.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "platform/fs.h"

namespace fennimar {
namespace {

constexpr int kMaxReplyLines = 1000;  // a reply that never ends is no reply
constexpr int kAddressBufferSize = 256;
constexpr std::size_t kReturnAddressBufferSize = 256;
constexpr char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsPositive(int code) { return code >= 200 && code <= 299; }

bool HasLineEnd(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// A header value on one line: a CR or LF in it would start a new header line
// (or end the message early), so each becomes a blank.
std::string OneLine(std::string_view text) {
  std::string line(text);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

// Splits an optional ":port" off the server text. False when a port is
// given but is no number from 1 to 65535.
bool SplitPort(const std::string& server, std::string& host, int& port) {
  host = server;
  port = kSmtpPort;
  std::size_t colon = server.find_last_of(':');
  if (colon == std::string::npos) return true;
  std::string digits = server.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  port = std::stoi(digits);
  host = server.substr(0, colon);
  return port >= 1 && port <= 65535;
}

// The envelope sender of a return address, or empty when there is none.
std::string EnvelopeSender(const std::string& returnAddress) {
  std::string address = returnAddress.substr(0, kReturnAddressBufferSize - 1);
  if (HasLineEnd(address)) return {};
  std::string sender;
  std::size_t open = address.find('<');
  if (open != std::string::npos) {
    sender = address.substr(open);
  } else {
    // A bare mailbox: one word, put in angle brackets.
    auto first = address.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    auto last = address.find_last_not_of(" \t");
    std::string mailbox = address.substr(first, last - first + 1);
    if (mailbox.find_first_of(" \t>") != std::string::npos) return {};
    sender = "<" + mailbox + ">";
  }
  if (sender.size() > kMaxEnvelopeSender) return {};
  return sender;
}

// The recipient's mailbox: inside the first "<" that lies outside double
// quotes, or else the first word.
std::string RecipientMailbox(const std::string& recipient) {
  std::array<char, kAddressBufferSize> mailbox{};
  bool quoted = false;
  std::size_t open = std::string::npos;
  for (std::size_t i = 0; i < recipient.size(); ++i) {
    if (recipient[i] == '"') quoted = !quoted;
    if (recipient[i] == '<' && !quoted) {
      open = i;
      break;
    }
  }
  if (open != std::string::npos) {
    std::string after = recipient.substr(open + 1);
    TcpConnection::GetToken(after.c_str(), ">", 0, mailbox.data(), kAddressBufferSize);
  } else {
    TcpConnection::GetToken(recipient.c_str(), " ", 0, mailbox.data(), kAddressBufferSize);
  }
  return mailbox.data();
}

}  // namespace

int FormatMailDate(long long secondsSinceEpoch, char* buffer, int size) {
  if (size < 32) return 1;
  auto seconds = static_cast<time_t>(secondsSinceEpoch);
  tm utc{};
  gmtime_r(&seconds, &utc);
  std::snprintf(buffer, static_cast<std::size_t>(size), "%2.2d %s %d %2.2d:%2.2d:%2.2d GMT",
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return 0;
}

int SmtpSession::Connect(const std::string& server, const std::string& localDomain) {
  Quit();
  std::string host;
  int port = kSmtpPort;
  if (!SplitPort(server, host, port)) return 1;
  std::array<char, kAddressBufferSize> address{};
  if (IsDottedAddress(host)) {
    std::snprintf(address.data(), address.size(), "%s", host.c_str());
  } else if (ResolveHost(host, address.data(), kAddressBufferSize) != 0) {
    return 1;
  }
  if (OpenStream(port, address.data()) != 0) return 2;
  ReadReply();  // the greeting; its code is not judged
  Send("HELO ");
  Send(OneLine(localDomain));
  Send("\r\n");
  return IsPositive(ReadReply()) ? 0 : 3;
}

int SmtpSession::Quit() {
  if (HasSocket()) {
    Send("QUIT\r\n");
    // A server that has been answering gets the time to answer QUIT before
    // the connection closes; a silent one is not waited for again.
    if (answering_) ReadReply();
  }
  answering_ = false;
  Close();
  return 0;
}

int SmtpSession::AddHeaderLine(const std::string& text) {
  std::string line = text;
  StripLineEnd(line);
  headerLines_.push_back(std::move(line));
  return 0;
}

int SmtpSession::ClearHeaderLines() {
  headerLines_.clear();
  return 0;
}

int SmtpSession::ReadReply(int timeoutMs) {
  std::array<char, kReplyLineSize> line{};
  std::array<char, kReplyLineSize> token{};
  for (int lines = 0; lines < kMaxReplyLines; ++lines) {
    int stored = ReadLine(line.data(), kReplyLineSize, timeoutMs);
    answering_ = stored > 0;
    if (stored <= 0) return 1;
    // A line longer than the buffer: the rest of it is read and dropped, so
    // that it is not taken for a reply line of its own.
    bool complete = line[static_cast<std::size_t>(stored) - 1] == '\n';
    std::array<char, kReplyLineSize> rest{};
    for (int pieces = 0; !complete && pieces < kMaxReplyLines; ++pieces) {
      int more = ReadLine(rest.data(), kReplyLineSize, timeoutMs);
      if (more <= 0) return 1;
      complete = rest[static_cast<std::size_t>(more) - 1] == '\n';
    }
    if (!complete) return 1;
    GetToken(line.data(), " ", 0, token.data(), kReplyLineSize);
    bool continues = std::strlen(token.data()) > 3 && token[3] == '-';
    if (continues || HasPendingInput()) continue;
    int code = 0;
    for (int i = 0; i < 6 && token[static_cast<std::size_t>(i)] >= '0' &&
                    token[static_cast<std::size_t>(i)] <= '9';
         ++i) {
      code = code * 10 + (token[static_cast<std::size_t>(i)] - '0');
    }
    return code;
  }
  return 1;
}

int SmtpSession::SendMime(const std::string& recipient, const std::string& returnAddress,
                          const std::string& subject, const std::string& body,
                          MimeComposer& message) {
  auto temporary = TempFile::Create("MIME");
  if (!temporary) return -40;
  ComposeOutcome composed = message.Compose(temporary->Path());
  if (composed != ComposeOutcome::kOk) return ComposeCode(composed);
  ClearHeaderLines();
  for (const std::string& line : message.HeaderLines()) AddHeaderLine(line);
  return Transmit(recipient, returnAddress, subject, body, {temporary->Path()});
}

int SmtpSession::Transmit(const std::string& recipient, const std::string& returnAddress,
                          const std::string& subject, const std::string& body,
                          const std::vector<std::string>& files) {
  std::string sender = EnvelopeSender(returnAddress);
  if (sender.empty()) return 3;
  if (!IsConnected()) return 1;
  if (recipient.size() < 3 || HasLineEnd(recipient)) return 2;
  std::string mailbox = RecipientMailbox(recipient);

  Send("MAIL from:");
  Send(sender);
  Send("\r\n");
  if (!IsPositive(ReadReply())) return 3;
  Send("RCPT to:<");
  Send(mailbox);
  Send(">\r\n");
  if (!IsPositive(ReadReply())) return 4;
  Send("DATA\r\n");
  if (ReadReply() != 354) return 5;

  std::array<char, kReplyLineSize> date{};
  FormatMailDate(static_cast<long long>(::time(nullptr)), date.data(), kReplyLineSize);
  Send("From: ");
  Send(OneLine(returnAddress));
  Send("\r\n");
  Send("To: ");
  Send(OneLine(recipient));
  Send("\r\n");
  Send("Subject: ");
  Send(OneLine(subject));
  Send("\r\n");
  Send("Date: ");
  Send(date.data());
  Send("\r\n");
  for (const std::string& line : headerLines_) {
    if (!line.empty() && line.front() == '.') Send(".");
    Send(OneLine(line));
    Send("\r\n");
  }
  Send("\r\n");

  // The body text, dot-stuffed, in chunks no larger than the send buffer.
  int chunk = SendBufferSize();
  if (chunk < 1 || chunk > kBodyChunkSize) chunk = kBodyChunkSize;
  std::array<char, kBodyChunkSize + 2> staging{};
  int used = 0;
  bool lineStart = true;
  for (char c : body) {
    if (used >= chunk) {
      if (SendBytes(staging.data(), used) <= 0) return 6;
      used = 0;
    }
    if (c == '.' && lineStart) staging[static_cast<std::size_t>(used++)] = '.';
    staging[static_cast<std::size_t>(used++)] = c;
    lineStart = c == '\r' || c == '\n';
  }
  if (used > 0 && SendBytes(staging.data(), used) <= 0) return 6;

  for (const std::string& file : files) {
    Send("\r\n\r\n");
    std::int64_t sent = 0;
    if (SendFile(file, sent, true) != 0) return 6;
  }
  Send("\r\n.\r\n");
  return IsPositive(ReadReply()) ? 0 : 7;
}

}  // namespace fennimar
