// SmtpSession: one SMTP conversation over one TcpConnection: connect and
// greet the server with "HELO", send one message to one recipient, end with
// "QUIT".
//
// The message is a header block (From, To, Subject, Date and the extra
// header lines), the body text and any number of appended files, all in the
// DATA phase and all dot-stuffed. Results are ints: 0 success, small
// positive codes for the failing step, as listed per operation.
#pragma once

#include <string>
#include <vector>

#include "mail/mime_composer.h"
#include "mail/tcp_connection.h"

namespace fennimar {

inline constexpr int kSmtpPort = 25;
// A reply line, and a token of it, fit into this many bytes.
inline constexpr int kReplyLineSize = 256;
// The envelope sender ("<" to the end of the return address) holds at most
// this many characters.
inline constexpr std::size_t kMaxEnvelopeSender = 127;
// The largest chunk of body text in one send.
inline constexpr int kBodyChunkSize = 255;

class SmtpSession : public TcpConnection {
 public:
  explicit SmtpSession(ConnectionTimeouts timeouts = {}) : TcpConnection(timeouts) {}
  ~SmtpSession() override = default;

  // Ends any earlier conversation, then connects to `server` and greets it
  // with "HELO " and `localDomain`. `server` is a dotted IPv4 address or a
  // host name (the text after its last "@" when it has one), optionally
  // followed by ":" and a port number; without one the port is 25.
  // 0 greeted; 1 the name cannot be resolved (or the port is no number from
  // 1 to 65535); 2 no socket was created or the connection was refused;
  // 3 the greeting command was refused or not answered.
  int Connect(const std::string& server, const std::string& localDomain);
  // Sends "QUIT" and, when the server answered its last command, waits for
  // the reply; then closes the connection. Always 0.
  int Quit();
  // Appends `text`, its line end removed, to the extra header lines. 0.
  int AddHeaderLine(const std::string& text);
  int ClearHeaderLines();
  const std::vector<std::string>& HeaderLines() const { return headerLines_; }

  // Composes `message` into a fresh temporary file ("MIME" prefix, in
  // $TMPDIR), takes over its message header lines and transmits the file.
  // The temporary file is deleted on every path. -40 no temporary file;
  // the negative result of Compose when composing failed (nothing is sent);
  // otherwise the result of Transmit.
  int SendMime(const std::string& recipient, const std::string& returnAddress,
               const std::string& subject, const std::string& body, MimeComposer& message);
  // Sends one message. The envelope sender is the return address from its
  // first "<" on, or a bare mailbox put in angle brackets; the envelope
  // recipient is the mailbox inside the first "<" outside double quotes, or
  // the recipient's first word. Results:
  // 0 the server accepted the message;
  // 1 not connected;
  // 2 recipient shorter than 3 characters or holding a line end;
  // 3 return address empty, holding a line end or giving an envelope sender
  //   over 127 characters, or MAIL refused;
  // 4 RCPT refused; 5 DATA not answered with 354;
  // 6 sending the body text or a file failed (or a file cannot be read);
  // 7 the server refused the message after its end, or did not answer.
  int Transmit(const std::string& recipient, const std::string& returnAddress,
               const std::string& subject, const std::string& body,
               const std::vector<std::string>& files);
  // Reads one reply, multi-line replies ("250-...") whole, waiting at most
  // `timeoutMs` for each line. The reply code, or 1 when no line arrived.
  int ReadReply(int timeoutMs);
  int ReadReply() { return ReadReply(Timeouts().replyMs); }

 private:
  // Sends `text` to the server; the result is not judged here, since the
  // reply that must follow tells whether it arrived.
  void Send(std::string_view text) { SendText(text); }

  std::vector<std::string> headerLines_;
  bool answering_ = false;  // the last reply line arrived in time
};

// "DD Mon YYYY hh:mm:ss GMT" of the given UTC time, into `buffer` of `size`
// bytes. 1 (buffer untouched) when size is below 32; 0.
int FormatMailDate(long long secondsSinceEpoch, char* buffer, int size);

}  // namespace fennimar
