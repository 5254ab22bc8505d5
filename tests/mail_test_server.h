// The mail tests' peers: a real SMTP server (aiosmtpd, run by Debian's
// /usr/bin/python3) on a free loopback port that stores what it receives and
// misbehaves on request, and Python's email package as a second reader and
// writer of messages. A Windows test program under wine has them started on
// the build machine by tests/run_for_wine.py.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/net_socket.h"
#include "test_support.h"

namespace fennimar::testing {

inline constexpr char kSystemPython[] = "/usr/bin/python3";

class PeerRequest;

class SmtpTestServer {
 public:
  // Starts the server in `mode` with `options` (see
  // tests/smtp_test_server.py), storing into a fresh directory. Fails the
  // test when it does not come up.
  explicit SmtpTestServer(const std::string& mode = "normal",
                          const std::vector<std::string>& options = {});
  ~SmtpTestServer();
  SmtpTestServer(const SmtpTestServer&) = delete;
  SmtpTestServer& operator=(const SmtpTestServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:<port>" (or "[::1]:<port>"), as SMTPHost would name it.
  std::string HostText() const;
  // The stored messages, oldest first.
  std::vector<std::string> Messages() const;
  // The envelope file of message `k`.
  std::string Envelope(std::size_t k) const;
  // The commands the server saw, one per line.
  std::vector<std::string> SessionLog() const;
  const std::string& directory() const { return dir_.path(); }

 private:
  TempDir dir_;
  int pid_ = -1;                          // the server's process, on Linux
  std::unique_ptr<PeerRequest> request_;  // the runner's, under wine
  int port_ = 0;
  bool ipv6_ = false;
};

// The certificates of tests/make_test_certs.sh in a fresh directory whose
// name is not ASCII and has a space, as a user's may, with SSL_CERT_FILE
// pointing at their CA for the object's life.
class TestCertificates {
 public:
  TestCertificates();
  ~TestCertificates();
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;
  // The server options for the certificate `name` ("server", "other",
  // "untrusted").
  std::vector<std::string> Options(const std::string& name) const;
  // Unsets SSL_CERT_FILE, leaving the trust to the system's own store.
  void Withdraw();

 private:
  TempDir dir_;
  std::string path_;
};

// A local port with nothing listening on it.
int UnusedPort();

// The two ends of a connected stream: the near one for a session to adopt,
// the far one written and closed by the test in the server's place.
class SocketPair {
 public:
  SocketPair();
  ~SocketPair();
  SocketPair(const SocketPair&) = delete;
  SocketPair& operator=(const SocketPair&) = delete;
  // The near end, handed over: the adopter closes it.
  SocketHandle TakeNear();
  // Writes all of `bytes` to the far end; false when it cannot.
  bool Write(const std::string& bytes);
  void CloseFar();

 private:
  SocketHandle near_ = kNoSocket;
  SocketHandle far_ = kNoSocket;
};

// The system's words for a connection refused, as a session's reason has
// them.
std::string ConnectionRefusedText();

// Points the temporary files of the program at `path` for the object's life
// (TMPDIR; TMP on Windows).
class TemporaryFilesIn {
 public:
  explicit TemporaryFilesIn(const std::string& path);
  ~TemporaryFilesIn();
  TemporaryFilesIn(const TemporaryFilesIn&) = delete;
  TemporaryFilesIn& operator=(const TemporaryFilesIn&) = delete;

 private:
  std::optional<std::string> before_;
};

// Runs a shell command on the build machine (coreutils, other mail
// programs), returning its exit status.
int RunOnBuildMachine(const std::string& command);

// Reads `message` with Python's email package; the summary's "key=value"
// lines as a map, and the decoded payload of leaf part k in `outdir`/part-k.
std::map<std::string, std::string> CheckWithPython(const std::string& message,
                                                   const std::string& outdir);

// Runs the Python script `script` of the tests folder with `arguments`;
// fails the test when it does not succeed.
void RunPythonScript(const std::string& script, const std::vector<std::string>& arguments);

// Writes a multipart/mixed message with Python's email package (see
// tests/mail_write.py for the options and part specs).
void WriteWithPython(const std::string& output, const std::vector<std::string>& arguments);

}  // namespace fennimar::testing
