// ImapSession: one IMAP conversation over one NetStream, with only what
// reading a mailbox for parts needs: connect (TLS from the first byte, or
// STARTTLS before anything else is said), log in, open a mailbox read-only,
// search it, fetch whole messages without marking them read, log out.
//
// Every command is sent with a tag of its own and read up to the server's
// tagged answer; untagged responses in between are kept only where the
// command asked for them. Literals ("{n}" and n bytes) are read by their
// length, never as lines, so a message's content can never be taken for
// the server's answer. Each wait is bounded: a reply that brings no byte
// for `replyMs` ends the step as timed out, and KeepWaiting is asked
// between slices of every wait, so a Stop ends the session at once.
//
// A client of our own rather than libcurl's IMAP: libcurl fetches by URL
// with BODY[] (which marks the message read), opens a mailbox with SELECT
// even for a command of the caller's own, and reads that command's answer
// line by line through its reply reader, which clips a long line and would
// take a line of the message that begins with the command's tag for the
// end of the answer. Over NetStream, the certificate checks, deadlines and
// Stop are those of the SMTP side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mail/imap/imap_address.h"
#include "platform/net_stream.h"
#include "platform/system_error.h"

namespace fennimar {

struct ImapTimeouts {
  int connectMs = 30000;  // the connection, TLS handshake and greeting
  int replyMs = 60000;    // the longest pause within any answer
};

// The longest response the server may send outside literals (a search's
// list of every message in a large mailbox fits), and the most literal
// bytes (a whole message) one response may bring into memory.
inline constexpr std::size_t kImapLineLimit = 8 * 1024 * 1024;
inline constexpr std::size_t kImapLiteralLimit = 512 * 1024 * 1024;

class ImapSession {
 public:
  explicit ImapSession(KeepWaiting keepWaiting, ImapTimeouts timeouts = {});

  // Connects to the address's host and port and reads the greeting; for
  // imap:// the server must agree to STARTTLS, else the session ends here.
  // The server's certificate is checked as NetStream checks it.
  Result<void> Open(const ImapAddress& address);
  // Takes over an already connected stream socket, greeting read (a
  // socketpair end in fuzzers). False when a connection is open.
  bool Adopt(SocketHandle socket) { return stream_.Adopt(socket); }
  // LOGIN. `user` and `password` must hold no CR, LF or NUL (refused
  // without sending them).
  Result<void> Login(const std::string& user, const std::string& password);
  // EXAMINE: the mailbox is opened read-only, so nothing in it changes.
  Result<void> Examine(const std::string& mailbox);
  // UID SEARCH with `criteria` (sent as given): the UIDs found, ascending
  // as the server gave them.
  Result<std::vector<std::uint32_t>> SearchUids(const std::string& criteria);
  // The whole message `uid` (BODY.PEEK[], so its \Seen flag stays as it
  // is), byte for byte.
  Result<std::string> FetchMessage(std::uint32_t uid);
  // LOGOUT without waiting long for the answer, then closes.
  void Logout();

 private:
  // One response: its text, with each literal's bytes kept apart beside the
  // length of the text that came before it.
  struct Response {
    std::string text;
    std::vector<std::pair<std::size_t, std::string>> literals;
  };
  using UntaggedHandler = std::function<void(const Response&)>;

  Result<void> SendLine(const std::string& step, const std::string& line);
  Result<void> ReadMore(const std::string& step);
  Result<std::string> ReadLine(const std::string& step);
  Result<Response> ReadResponse(const std::string& step);
  // Sends `command` under a new tag and reads up to its tagged answer,
  // handing each untagged response to `untagged`. Fails unless the answer
  // is OK, or when the server says BYE.
  Result<void> Run(const std::string& step, const std::string& command,
                   const UntaggedHandler& untagged = {});
  Result<void> ReadGreeting(const std::string& step);

  NetStream stream_;
  ImapTimeouts timeouts_;
  std::string received_;  // bytes received and not yet read
  int tags_ = 0;
};

}  // namespace fennimar
