#include "mail_test_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/wide_text_win32.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fennimar::testing {

#ifdef _WIN32

namespace {

std::string Json(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      quoted += std::string("\\") + c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string Json(const std::vector<std::string>& words) {
  std::string list = "[";
  for (const std::string& word : words) list += (list.size() > 1 ? ", " : "") + Json(word);
  return list + "]";
}

}  // namespace

// One request to tests/run_for_wine.py, whose port and token
// run_under_wine.sh puts in FENNIMAR_PEERS; the connection stays open for
// the life of the object (a server started by it ends with it).
class PeerRequest {
 public:
  PeerRequest(const std::string& verb, const std::string& argument) {
    const char* peers = std::getenv("FENNIMAR_PEERS");
    int port = 0;
    char token[64] = {};
    if (peers == nullptr || std::sscanf(peers, "%d %63s", &port, token) != 2) {
      ADD_FAILURE() << "no runner for the Linux-side peers (tests/run_under_wine.sh starts it)";
      return;
    }
    if (!socket_.Connect("127.0.0.1", port, DeadlineIn(10000))) {
      ADD_FAILURE() << "the runner for the Linux-side peers does not answer";
      return;
    }
    request_ = Json(verb) + ": " + argument;
    std::string line = "{\"token\": " + Json(std::string(token)) + ", " + request_ + "}\n";
    if (!socket_.Send(line.data(), line.size(), DeadlineIn(10000))) ADD_FAILURE() << line;
  }
  // The answer's line, waited for at most two minutes (a peer that never
  // answers fails the test that asked, by name, before CTest's time-out).
  std::string Answer() {
    std::string line;
    char c;
    auto deadline = DeadlineIn(120000);
    while (line.size() < 256 && socket_.Receive(&c, 1, deadline).count == 1 && c != '\n') {
      line += c;
    }
    if (line.empty()) ADD_FAILURE() << "no answer from the runner to " << request_;
    return line;
  }
  // The exit status in an answer "EXIT <n>"; -1 without one.
  int Status() {
    int status = -1;
    return std::sscanf(Answer().c_str(), "EXIT %d", &status) == 1 ? status : -1;
  }

 private:
  NetSocket socket_;
  std::string request_;
};

namespace {

int RunPeer(const std::vector<std::string>& words) {
  return PeerRequest("run", Json(words)).Status();
}

}  // namespace

SmtpTestServer::SmtpTestServer(const std::string& mode, const std::vector<std::string>& options)
    : ipv6_(std::find(options.begin(), options.end(), "--ipv6") != options.end()) {
  std::vector<std::string> words = {"smtp_test_server.py", dir_.path(), mode};
  words.insert(words.end(), options.begin(), options.end());
  request_ = std::make_unique<PeerRequest>("start", Json(words));
  std::string line = request_->Answer();
  if (std::sscanf(line.c_str(), "PORT %d", &port_) != 1) {
    ADD_FAILURE() << "the SMTP test server did not start: '" << line << "'";
  }
}

SmtpTestServer::~SmtpTestServer() = default;

TestCertificates::TestCertificates() : path_(dir_ / "Zertifikate \xc3\xa4") {
  MakeDir(path_);
  if (RunPeer({"make_test_certs.sh", path_}) != 0) {
    ADD_FAILURE() << "cannot make the test certificates";
  }
  ::_wputenv_s(L"SSL_CERT_FILE", WideText(path_ + kSeparator + "ca.pem").c_str());
}

void TestCertificates::Withdraw() { ::_wputenv_s(L"SSL_CERT_FILE", L""); }

int UnusedPort() {
  int port = 0;
  std::sscanf(PeerRequest("port", "null").Answer().c_str(), "PORT %d", &port);
  return port;
}

int RunOnBuildMachine(const std::string& command) {
  return PeerRequest("shell", Json(command)).Status();
}

std::string ConnectionRefusedText() { return SystemError({}, WSAECONNREFUSED).Reason(); }

TemporaryFilesIn::TemporaryFilesIn(const std::string& path) {
  if (const wchar_t* value = ::_wgetenv(L"TMP")) before_ = NarrowText(value);
  ::_wputenv_s(L"TMP", WideText(path).c_str());
}

TemporaryFilesIn::~TemporaryFilesIn() {
  ::_wputenv_s(L"TMP", WideText(before_.value_or("")).c_str());
}

SocketPair::SocketPair() {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
  ::listen(listener, 1);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  SOCKET client = ::socket(AF_INET, SOCK_STREAM, 0);
  if (::connect(client, reinterpret_cast<sockaddr*>(&address), length) == 0) {
    near_ = static_cast<SocketHandle>(client);
    far_ = static_cast<SocketHandle>(::accept(listener, nullptr, nullptr));
  } else {
    ::closesocket(client);
    ADD_FAILURE() << "no loopback connection";
  }
  ::closesocket(listener);
}

SocketPair::~SocketPair() {
  if (near_ != kNoSocket) ::closesocket(static_cast<SOCKET>(near_));
  CloseFar();
}

bool SocketPair::Write(const std::string& bytes) {
  return ::send(static_cast<SOCKET>(far_), bytes.data(), static_cast<int>(bytes.size()), 0) ==
         static_cast<int>(bytes.size());
}

void SocketPair::CloseFar() {
  if (far_ != kNoSocket) ::closesocket(static_cast<SOCKET>(far_));
  far_ = kNoSocket;
}

#else

class PeerRequest {};  // Linux starts the peers itself

namespace {

std::string Script(const std::string& name) { return std::string(FENNIMAR_TESTS_DIR) + "/" + name; }

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

int RunPeer(const std::vector<std::string>& words) {
  std::string command = Quote(Script(words[0]));
  if (words[0].ends_with(".py")) command = std::string(kSystemPython) + " " + command;
  for (std::size_t k = 1; k < words.size(); ++k) command += " " + Quote(words[k]);
  return Run(command);
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

TestCertificates::TestCertificates() : path_(dir_ / "Zertifikate \xc3\xa4") {
  MakeDir(path_);
  if (RunPeer({"make_test_certs.sh", path_}) != 0) {
    ADD_FAILURE() << "cannot make the test certificates";
  }
  ::setenv("SSL_CERT_FILE", (path_ + kSeparator + "ca.pem").c_str(), 1);
}

void TestCertificates::Withdraw() { ::unsetenv("SSL_CERT_FILE"); }

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

int RunOnBuildMachine(const std::string& command) { return Run(command); }

std::string ConnectionRefusedText() { return "Connection refused"; }

TemporaryFilesIn::TemporaryFilesIn(const std::string& path) {
  if (const char* value = std::getenv("TMPDIR")) before_ = value;
  ::setenv("TMPDIR", path.c_str(), 1);
}

TemporaryFilesIn::~TemporaryFilesIn() {
  if (before_) {
    ::setenv("TMPDIR", before_->c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

SocketPair::SocketPair() {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) {
    ADD_FAILURE() << "socketpair";
    return;
  }
  near_ = pair[0];
  far_ = pair[1];
}

SocketPair::~SocketPair() {
  if (near_ != kNoSocket) ::close(static_cast<int>(near_));
  CloseFar();
}

bool SocketPair::Write(const std::string& bytes) {
  return ::write(static_cast<int>(far_), bytes.data(), bytes.size()) ==
         static_cast<ssize_t>(bytes.size());
}

void SocketPair::CloseFar() {
  if (far_ != kNoSocket) ::close(static_cast<int>(far_));
  far_ = kNoSocket;
}

#endif

SocketHandle SocketPair::TakeNear() {
  SocketHandle taken = near_;
  near_ = kNoSocket;
  return taken;
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

std::string SmtpTestServer::HostText() const {
  return (ipv6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_);
}

TestCertificates::~TestCertificates() { Withdraw(); }

std::vector<std::string> TestCertificates::Options(const std::string& name) const {
  std::string base = path_ + kSeparator + name;
  return {"--cert", base + ".pem", "--key", base + ".key"};
}

std::map<std::string, std::string> CheckWithPython(const std::string& message,
                                                   const std::string& outdir) {
  EXPECT_EQ(RunPeer({"mail_check.py", message, outdir}), 0) << message;
  std::map<std::string, std::string> summary;
  std::ifstream in(outdir + "/summary.txt");
  for (std::string line; std::getline(in, line);) {
    auto equals = line.find('=');
    if (equals != std::string::npos) summary[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return summary;
}

void RunPythonScript(const std::string& script, const std::vector<std::string>& arguments) {
  std::vector<std::string> words{script};
  words.insert(words.end(), arguments.begin(), arguments.end());
  ASSERT_EQ(RunPeer(words), 0) << script;
}

void WriteWithPython(const std::string& output, const std::vector<std::string>& arguments) {
  std::vector<std::string> all{output};
  all.insert(all.end(), arguments.begin(), arguments.end());
  RunPythonScript("mail_write.py", all);
}

}  // namespace fennimar::testing
