// TcpConnection: a small blocking TCP client over IPv4 that owns one socket
// and offers what an SMTP conversation needs: connecting with send and
// receive time-outs, sending texts, byte ranges and whole files, and reading
// CR LF ended lines with a time-out.
//
// Results are ints as listed per operation; nothing throws. The socket is
// closed on destruction; the object is neither copied nor moved.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fennimar {

// Time-outs of one connection, in milliseconds. The defaults are those of a
// real conversation; tests shorten them.
struct ConnectionTimeouts {
  int sendMs = 30000;     // every send, and connecting
  int receiveMs = 30000;  // every receive
  int replyMs = 20000;    // waiting for each line of a server reply
};

class TcpConnection {
 public:
  explicit TcpConnection(ConnectionTimeouts timeouts = {}) : timeouts_(timeouts) {}
  virtual ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Connects a new stream socket to `address` (dotted IPv4) and `port`, with
  // both time-outs applied. 0 connected; 1 a socket is already open; 2 the
  // socket cannot be created or the address is no dotted IPv4 address;
  // 3 connecting failed (the socket stays until Close).
  int OpenStream(int port, const std::string& address);
  // Takes ownership of an already connected stream socket (a socketpair end
  // in the fuzzers). 1 when a socket is already open; 0.
  int AdoptSocket(int socket);
  // Shuts the socket down both ways and closes it; nothing when closed.
  void Close();
  bool HasSocket() const { return socket_ >= 0; }

  // One send of `length` bytes (all of them; a short send is continued). A
  // length of 0 or less means the text length of `data`. The count sent, or
  // -1 when the socket is closed or a send failed or timed out.
  std::int64_t SendBytes(const char* data, std::int64_t length);
  std::int64_t SendText(std::string_view text);
  // Sends the file in blocks of kSendFileBlockSize, counting the bytes in
  // `sent` and calling OnProgress after every block. When `dotStuff` is set,
  // a "." that begins a line (the file's start, or after CR or LF) goes out
  // twice, as the DATA phase of SMTP demands. 0 sent (or stopped by
  // OnProgress); 1 the file cannot be opened for reading; 2 a send or a read
  // failed.
  int SendFile(const std::string& path, std::int64_t& sent, bool dotStuff = false);
  // Called with the count of file bytes sent so far after every block of
  // SendFile; 0 stops that file. The default goes on.
  virtual int OnProgress(std::int64_t sent);

  // True when the socket did not become readable within the time.
  bool WaitReadable(int timeoutMs);
  // Reads one line, CR LF included, into `buffer` of `size` bytes, storing at
  // most size - 1 bytes and always terminating it. Bytes beyond the line's
  // CR LF stay unread. A line longer than the room comes in pieces. A
  // `timeoutMs` above 0 bounds each wait for input. The count stored (0 when
  // nothing arrived).
  int ReadLine(char* buffer, int size, int timeoutMs);
  // False only when the socket is closed or reports that it is not connected.
  bool IsConnected();
  // True when at least one received byte is waiting to be read.
  bool HasPendingInput();
  // The socket's send buffer size, or -1.
  int SendBufferSize();

  // Resolves `name` (the text after its last "@", if any) to a dotted IPv4
  // address in `buffer` of `size` bytes. 0 resolved; 1 the buffer is too
  // small; 2 the name cannot be resolved.
  static int ResolveHost(const std::string& name, char* buffer, int size);
  static bool IsDottedAddress(const std::string& text);
  // Copies token `index` (from 0) of `text`, split at any character of
  // `delimiters` (runs count as one, leading ones are skipped), into `buffer`
  // of `size` bytes. 0 copied; 1 no such token, the token does not fit, or
  // no delimiters.
  static int GetToken(const char* text, const char* delimiters, int index, char* buffer, int size);
  // Removes a line end: when the next-to-last character is CR or LF the text
  // is cut there, else a last CR or LF is removed.
  static void StripLineEnd(std::string& text);

  int Port() const { return port_; }
  const char* AddressText() const { return addressText_; }
  const ConnectionTimeouts& Timeouts() const { return timeouts_; }

 private:
  int port_ = 0;
  char addressText_[32] = {};
  int socket_ = -1;
  sockaddr_in peer_{};
  ConnectionTimeouts timeouts_;
};

inline constexpr std::size_t kSendFileBlockSize = 256;

}  // namespace fennimar
