// The mail tests' peers: a real SMTP server (aiosmtpd, run by Debian's
// /usr/bin/python3) on a free loopback port that stores what it receives and
// misbehaves on request, and Python's email package as a second reader and
// writer of messages.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace fennimar::testing {

inline constexpr char kSystemPython[] = "/usr/bin/python3";

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
  pid_t pid_ = -1;
  int port_ = 0;
  bool ipv6_ = false;
};

// The certificates of tests/make_test_certs.sh in a fresh directory, with
// SSL_CERT_FILE pointing at their CA for the object's life.
class TestCertificates {
 public:
  TestCertificates();
  ~TestCertificates();
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;
  // The server options for the certificate `name` ("server", "other",
  // "untrusted").
  std::vector<std::string> Options(const std::string& name) const;

 private:
  TempDir dir_;
};

// A local port with nothing listening on it.
int UnusedPort();

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
