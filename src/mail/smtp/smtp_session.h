// SmtpSession: one SMTP conversation over one NetStream: connect, greet the
// server with EHLO (HELO when EHLO is refused and nothing more is asked
// for), STARTTLS or TLS from the first byte when asked, log in with AUTH
// PLAIN or LOGIN (only over an encrypted connection), send one message to
// one or more recipients, end with QUIT.
//
// The message arrives composed (OutgoingMessage: its header block, the body
// text and any number of appended files); the session sends it in the DATA
// phase, dot-stuffed, through one large buffer. It knows nothing of header
// fields: it speaks the protocol only.
//
// A server that announces a size limit (SIZE n after EHLO) is told the size
// of each message with MAIL, and a larger message is refused before MAIL.
//
// Every wait for a reply has a deadline for the whole reply, not per byte;
// a plain connection's greeting must also begin within a few seconds.
// Each step answers with an SmtpResult: how it ended, and the reason a user
// should see (the server's own reply, or what failed on the network).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/mime/mail_text.h"
#include "mail/smtp/smtp_settings.h"
#include "platform/net_stream.h"

namespace fennimar {

// The limits of each wait, in milliseconds. The defaults are those the mail
// standard asks of a client; tests shorten them.
struct SmtpTimeouts {
  int connectMs = 30000;
  int commandMs = 300000;    // the greeting, EHLO, STARTTLS, AUTH, MAIL, RCPT
  int dataMs = 120000;       // the reply to DATA
  int blockMs = 180000;      // sending each block of the message
  int endOfDataMs = 600000;  // the reply after the end of the message
  int quitMs = 10000;        // QUIT's reply: the message is already judged
  // The first byte of the greeting on a connection that begins in plain
  // text: a server that expects TLS from the first byte says nothing.
  int greetingStartMs = 8000;
};

// A login: the user name (empty: no login) and the password.
struct SmtpLogin {
  std::string user;
  std::string password;
};

enum class SmtpOutcome {
  kOk,
  kBadServer,         // the server text or name cannot be resolved
  kNoConnection,      // no address took the connection
  kGreetingRefused,   // no greeting, or EHLO and HELO refused
  kTlsUnavailable,    // STARTTLS asked for but not offered
  kTlsFailed,         // the handshake failed or the certificate was refused
  kLoginUnavailable,  // a login needs encryption and AUTH PLAIN or LOGIN
  kLoginRefused,      // the server refused the user name or password
  kNotConnected,      // Transmit without a connection
  kBadRecipient,      // a recipient too short, empty or holding a line end
  kBadSender,         // no usable envelope sender in the return address
  kSenderRefused,     // MAIL refused
  kRecipientRefused,  // RCPT refused for any recipient
  kDataRefused,       // DATA not answered with 354
  kSendFailed,        // sending the message failed, or a file cannot be read
  kMessageRefused,    // the reply after the end of the message was a refusal
  kNoAnswer,          // the server said nothing in time after the message
  kStopped,           // the user stopped a wait
  kComposeFailed,     // the message could not be composed; nothing was sent
  kMessageTooLarge,   // larger than the server's size limit; nothing was sent
};

// How a step ended, and when it failed, why: the server's reply or the
// network's reason, as the user reads it.
struct [[nodiscard]] SmtpResult {
  SmtpOutcome outcome = SmtpOutcome::kOk;
  std::string reason;
  // kMessageTooLarge: the size of the refused message, in bytes.
  std::uint64_t messageSize = 0;

  bool ok() const { return outcome == SmtpOutcome::kOk; }
};

// A composed message as the session sends it after DATA: the header block
// (every field on its lines, ended by the empty line), the body text, and
// each file appended after an empty line.
struct OutgoingMessage {
  std::string header;
  std::string body;
  std::vector<std::string> files;
};

// One server reply: its code (0 when none arrived) and its first
// kReplyKeptLines lines, without their line ends and with their control
// characters made '?', joined by "\n"; when there were more, a last line
// says how many more.
struct SmtpReply {
  int code = 0;
  std::string text;
  // The network's failure when no reply arrived in full.
  NetResult network;
  // Why the server's text is no reply at all (it ran past kMaxReplyLines
  // lines, or a line never ended); the session has then closed the
  // connection. Empty otherwise.
  std::string fault;
};

// The largest buffer of message bytes handed to the network at once.
inline constexpr std::size_t kSendBufferSize = 256 * 1024;
// Reply lines are kept up to this many characters; the rest is dropped.
inline constexpr std::size_t kReplyLineSize = 512;
// A reply keeps this many lines for the user; an EHLO reply's extensions
// are read from all of its lines.
inline constexpr int kReplyKeptLines = 5;
// A reply of more lines is a server that does not follow the protocol.
inline constexpr int kMaxReplyLines = 1000;
// The envelope sender ("<" to the end of the return address) holds at most
// this many characters.
inline constexpr std::size_t kMaxEnvelopeSender = 127;

class SmtpSession {
 public:
  // `keepWaiting` is asked between the slices of every wait.
  explicit SmtpSession(SmtpTimeouts timeouts = {}, KeepWaiting keepWaiting = {});
  ~SmtpSession();
  SmtpSession(const SmtpSession&) = delete;
  SmtpSession& operator=(const SmtpSession&) = delete;

  // Ends any earlier conversation, connects to `server` (see
  // ParseServerText), protects the connection as `security` asks, greets
  // the server as `localDomain` (an address literal of this end when it is
  // empty or holds no "."), and logs in when `login` names a user.
  SmtpResult Connect(std::string_view server, const std::string& localDomain,
                     SmtpSecurity security = SmtpSecurity::kNone, const SmtpLogin& login = {});
  // Sends QUIT and waits briefly for its reply when the server has been
  // answering; then closes the connection.
  void Quit();
  // Takes over a connected socket whose server has already been greeted
  // (tests and fuzzers).
  bool Adopt(SocketHandle socket) { return stream_.Adopt(socket); }

  // Sends one message. The envelope sender is the return address from its
  // first "<" on, or a bare mailbox put in angle brackets. `recipients` is
  // one address or several separated by commas; each gets its own RCPT,
  // with the mailbox inside the first "<" outside double quotes, or the
  // first word. A file that cannot be read fails the message.
  SmtpResult Transmit(const std::string& recipients, const std::string& returnAddress,
                      const OutgoingMessage& message);
  // The largest message the server takes, in bytes, when its EHLO reply
  // named one ("SIZE n", n above 0).
  std::optional<std::uint64_t> SizeLimit() const { return offered_.sizeLimit; }
  // The size of `message` as the server counts it (every byte up to the
  // line that ends the data, before dot-stuffing); none when a file cannot
  // be sized.
  static std::optional<std::uint64_t> MessageSize(const OutgoingMessage& message);
  // The same for a header and body of `headerAndBody` bytes followed by
  // files of `fileSizes` bytes.
  static std::uint64_t MessageSize(std::uint64_t headerAndBody,
                                   const std::vector<std::uint64_t>& fileSizes);
  // Reads one reply, multi-line replies ("250-...") whole, within
  // `timeoutMs` for all of it.
  SmtpReply ReadReply(int timeoutMs) { return ReadReply(timeoutMs, {}); }

 private:
  // What the last EHLO reply offered.
  struct Extensions {
    bool startTls = false;
    bool plain = false;
    bool login = false;
    std::optional<std::uint64_t> sizeLimit;
  };
  // EHLO (HELO when it is refused and `mayFallBack`); fills offered_.
  SmtpResult Greet(const std::string& domain, bool mayFallBack);
  SmtpResult LogIn(const SmtpLogin& login);
  // Waits greetingStartMs for the first byte of the greeting on a plain
  // connection. A server that stays silent may be waiting for a TLS
  // handshake: the connection is closed without a word in clear.
  SmtpResult AwaitGreeting();
  // Sends the message after DATA was accepted, and reads the verdict.
  SmtpResult SendData(const OutgoingMessage& message);
  // Sees every line of a reply, cut and cleaned as the kept ones are.
  using LineVisitor = std::function<void(std::string_view line)>;
  SmtpReply ReadReply(int timeoutMs, const LineVisitor& eachLine);
  // Ends the connection after a reply that breaks the protocol.
  SmtpReply Garbled(SmtpReply reply, std::string fault);
  // Sends one command line and reads its reply.
  SmtpReply Command(std::string_view line, int timeoutMs, const LineVisitor& eachLine = {});
  SmtpResult Refused(SmtpOutcome outcome, const SmtpReply& reply, std::string_view step);
  static SmtpResult NetFailure(SmtpOutcome outcome, const NetResult& failure);
  // Drops the connection in the middle of the message, so that no half
  // message is ever delivered, for `failure` of the network or a `reason`
  // of its own.
  SmtpResult Abandon(const NetResult& failure);
  SmtpResult Abandon(std::string reason);
  // Appends to the outgoing buffer, dot-stuffed, and sends it when full.
  NetResult Queue(std::string_view text);
  NetResult Flush();

  SmtpTimeouts timeouts_;
  NetStream stream_;
  std::string inbox_;   // received bytes not yet read as reply lines
  std::string outbox_;  // message bytes not yet sent
  DotStuffer stuffer_;
  Extensions offered_;
  bool answering_ = false;  // the last reply arrived in time
};

// The mailboxes of a recipient text: one per address between commas outside
// double quotes and angle brackets. An address whose mailbox is empty gives
// an empty entry.
std::vector<std::string> RecipientMailboxes(std::string_view recipients);

}  // namespace fennimar
