#include "mail_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fennimar::testing {
namespace {

std::string Script(const std::string& name) { return std::string(FENNIMAR_TESTS_DIR) + "/" + name; }

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

SmtpTestServer::SmtpTestServer(const std::string& mode, const std::vector<std::string>& options)
    : ipv6_(std::find(options.begin(), options.end(), "--ipv6") != options.end()) {
  int out[2];
  if (::pipe(out) != 0) {
    ADD_FAILURE() << "pipe";
    return;
  }
  std::vector<std::string> words = {kSystemPython, Script("smtp_test_server.py"), dir_.path(),
                                    mode};
  words.insert(words.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execv(kSystemPython, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  // The first line is "PORT <n>"; the read is bounded by the server's exit.
  std::string line;
  char c;
  while (line.size() < 64 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(out[0]);
  if (std::sscanf(line.c_str(), "PORT %d", &port_) != 1) {
    ADD_FAILURE() << "the SMTP test server did not start: '" << line << "'";
  }
}

SmtpTestServer::~SmtpTestServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

std::string SmtpTestServer::HostText() const {
  return (ipv6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_);
}

TestCertificates::TestCertificates() {
  std::string command = Quote(Script("make_test_certs.sh")) + " " + Quote(dir_.path());
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot make the test certificates";
  ::setenv("SSL_CERT_FILE", (dir_ / "ca.pem").c_str(), 1);
}

TestCertificates::~TestCertificates() { ::unsetenv("SSL_CERT_FILE"); }

std::vector<std::string> TestCertificates::Options(const std::string& name) const {
  return {"--cert", dir_ / (name + ".pem"), "--key", dir_ / (name + ".key")};
}

std::vector<std::string> SmtpTestServer::Messages() const {
  std::vector<std::string> messages;
  for (std::size_t k = 0;; ++k) {
    std::string path = dir_ / ("message-" + std::to_string(k) + ".eml");
    if (!Exists(path)) break;
    messages.push_back(path);
  }
  return messages;
}

std::string SmtpTestServer::Envelope(std::size_t k) const {
  return ReadText(dir_ / ("message-" + std::to_string(k) + ".env"));
}

std::vector<std::string> SmtpTestServer::SessionLog() const {
  std::vector<std::string> lines;
  std::ifstream in(dir_ / "session.log");
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int UnusedPort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

std::map<std::string, std::string> CheckWithPython(const std::string& message,
                                                   const std::string& outdir) {
  std::string command = std::string(kSystemPython) + " " + Quote(Script("mail_check.py")) + " " +
                        Quote(message) + " " + Quote(outdir);
  EXPECT_EQ(Run(command), 0) << command;
  std::map<std::string, std::string> summary;
  std::ifstream in(outdir + "/summary.txt");
  for (std::string line; std::getline(in, line);) {
    auto equals = line.find('=');
    if (equals != std::string::npos) summary[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return summary;
}

void RunPythonScript(const std::string& script, const std::vector<std::string>& arguments) {
  std::string command = std::string(kSystemPython) + " " + Quote(Script(script));
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  ASSERT_EQ(Run(command), 0) << command;
}

void WriteWithPython(const std::string& output, const std::vector<std::string>& arguments) {
  std::vector<std::string> all{output};
  all.insert(all.end(), arguments.begin(), arguments.end());
  RunPythonScript("mail_write.py", all);
}

}  // namespace fennimar::testing
