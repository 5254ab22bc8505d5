#include "mail/imap/imap_session.h"

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

namespace fennimar {
namespace {

constexpr std::size_t kReceiveChunk = 64 * 1024;
// More untagged responses to one command than any mailbox explains: a
// server that sends them without end is cut off.
constexpr int kUntaggedLimit = 100000;

// The most of a server's own words that a failure repeats: enough for its
// reason, not a screenful from a server that sends a long line.
constexpr std::size_t kServerTextShown = 200;

std::string ServerText(std::string_view text) {
  if (text.size() <= kServerTextShown) return std::string(text);
  return std::string(text.substr(0, kServerTextShown)) + "...";
}

SystemError Failure(const std::string& step, std::string reason) {
  return SystemError::WithReason(step, std::move(reason));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The size of the literal that ends `line` ("{n}" or "{n+}"), if it ends
// with one.
std::optional<std::size_t> LiteralSize(std::string_view line) {
  if (line.empty() || line.back() != '}') return std::nullopt;
  std::size_t open = line.rfind('{');
  if (open == std::string_view::npos) return std::nullopt;
  std::string_view digits = line.substr(open + 1, line.size() - open - 2);
  if (!digits.empty() && digits.back() == '+') digits.remove_suffix(1);
  std::size_t size = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return size;
}

// `text` as an IMAP quoted string; none when it holds a byte that no
// quoted string may hold.
std::optional<std::string> Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '\0') return std::nullopt;
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// True when the FETCH response `text` holds the item "UID <uid>".
bool NamesUid(std::string_view text, std::uint32_t uid) {
  std::string item = "UID " + std::to_string(uid);
  for (std::size_t at = text.find(item); at != std::string_view::npos;
       at = text.find(item, at + 1)) {
    char before = at == 0 ? ' ' : text[at - 1];
    char after = at + item.size() < text.size() ? text[at + item.size()] : ' ';
    if ((before == '(' || before == ' ') && (after == ' ' || after == ')')) return true;
  }
  return false;
}

}  // namespace

ImapSession::ImapSession(KeepWaiting keepWaiting, ImapTimeouts timeouts)
    : stream_(std::move(keepWaiting)), timeouts_(timeouts) {}

Result<void> ImapSession::Open(const ImapAddress& address) {
  Deadline deadline = DeadlineIn(timeouts_.connectMs);
  if (NetResult connected = stream_.Connect(address.host, address.port, deadline); !connected) {
    return connected.error();
  }
  if (address.tlsFromStart) {
    if (NetResult tls = stream_.StartTls(address.host, deadline); !tls) return tls.error();
  }
  if (Result<void> greeting = ReadGreeting("read the greeting"); !greeting) return greeting;
  if (address.tlsFromStart) return {};
  // No plain-text fallback: a server that will not start TLS is left here,
  // before the password could be sent.
  if (Result<void> agreed = Run("start TLS", "STARTTLS"); !agreed) return agreed;
  // Bytes that came before the handshake could be a third party's answers
  // to commands not yet sent.
  if (!received_.empty()) return Failure("start TLS", "the server sent data before TLS began");
  NetResult tls =
      stream_.StartTls(address.host, DeadlineIn(timeouts_.connectMs), TlsStart::kAfterStartTls);
  if (!tls) return tls.error();
  return {};
}

Result<void> ImapSession::ReadGreeting(const std::string& step) {
  Result<Response> greeting = ReadResponse(step);
  if (!greeting) return greeting.error();
  const std::string& text = greeting->text;
  if (StartsWith(text, "* OK") || StartsWith(text, "* PREAUTH")) return {};
  return Failure(step, "the server's greeting is no IMAP greeting: " + ServerText(text));
}

Result<void> ImapSession::Login(const std::string& user, const std::string& password) {
  std::string step = "log in as " + user;
  auto quotedUser = Quoted(user);
  auto quotedPassword = Quoted(password);
  if (!quotedUser || !quotedPassword) {
    return Failure(step, "the user name or password holds a line end");
  }
  return Run(step, "LOGIN " + *quotedUser + " " + *quotedPassword);
}

Result<void> ImapSession::Examine(const std::string& mailbox) {
  std::string step = "open the mailbox " + mailbox;
  auto quoted = Quoted(mailbox);
  if (!quoted) return Failure(step, "the name holds a line end");
  return Run(step, "EXAMINE " + *quoted);
}

Result<std::vector<std::uint32_t>> ImapSession::SearchUids(const std::string& criteria) {
  std::vector<std::uint32_t> uids;
  bool malformed = false;
  auto collect = [&](const Response& response) {
    std::string_view text = response.text;
    if (!StartsWith(text, "* SEARCH")) return;
    text.remove_prefix(8);
    while (!text.empty()) {
      while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
      if (text.empty()) break;
      std::uint32_t uid = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), uid);
      if (error != std::errc() || uid == 0) {
        malformed = true;
        return;
      }
      uids.push_back(uid);
      text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    }
  };
  std::string step = "search the mailbox";
  if (Result<void> searched = Run(step, "UID SEARCH " + criteria, collect); !searched) {
    return searched.error();
  }
  if (malformed) return Failure(step, "the server's list of messages cannot be read");
  return uids;
}

Result<std::string> ImapSession::FetchMessage(std::uint32_t uid) {
  std::optional<std::string> message;
  auto take = [&](const Response& response) {
    if (!StartsWith(response.text, "* ") || response.text.find(" FETCH (") == std::string::npos ||
        !NamesUid(response.text, uid)) {
      return;
    }
    for (const auto& [offset, bytes] : response.literals) {
      std::string_view before = std::string_view(response.text).substr(0, offset);
      std::size_t open = before.rfind('{');
      if (open != std::string_view::npos && before.substr(0, open).ends_with("BODY[] ")) {
        message = bytes;
      }
    }
  };
  std::string step = "fetch message " + std::to_string(uid);
  if (Result<void> fetched = Run(step, "UID FETCH " + std::to_string(uid) + " (BODY.PEEK[])", take);
      !fetched) {
    return fetched.error();
  }
  if (!message) return Failure(step, "the server sent no message");
  return std::move(*message);
}

void ImapSession::Logout() {
  if (!stream_.IsOpen()) return;
  std::string line = "F" + std::to_string(++tags_) + " LOGOUT\r\n";
  (void)stream_.Send(line.data(), line.size(), DeadlineIn(1000));
  stream_.Close();
}

Result<void> ImapSession::Run(const std::string& step, const std::string& command,
                              const UntaggedHandler& untagged) {
  std::string tag = "F" + std::to_string(++tags_);
  if (Result<void> sent = SendLine(step, tag + " " + command); !sent) return sent;
  for (int count = 0; count < kUntaggedLimit; ++count) {
    Result<Response> response = ReadResponse(step);
    if (!response) return response.error();
    std::string_view text = response->text;
    if (StartsWith(text, tag + " ")) {
      text.remove_prefix(tag.size() + 1);
      if (StartsWith(text, "OK")) return {};
      return Failure(step, "the server answered: " + ServerText(text));
    }
    if (StartsWith(text, "* BYE")) {
      return Failure(step, "the server ended the session: " + ServerText(text.substr(2)));
    }
    if (StartsWith(text, "* ") && untagged) untagged(*response);
  }
  return Failure(step, "the server's answer does not end");
}

Result<void> ImapSession::SendLine(const std::string& step, const std::string& line) {
  std::string bytes = line + "\r\n";
  NetResult sent = stream_.Send(bytes.data(), bytes.size(), DeadlineIn(timeouts_.replyMs));
  if (!sent) return Failure(step, sent.Text());
  return {};
}

Result<void> ImapSession::ReadMore(const std::string& step) {
  std::array<char, kReceiveChunk> chunk;
  Received received = stream_.Receive(chunk.data(), chunk.size(), DeadlineIn(timeouts_.replyMs));
  if (!received.result) return Failure(step, received.result.Text());
  received_.append(chunk.data(), received.count);
  return {};
}

Result<std::string> ImapSession::ReadLine(const std::string& step) {
  std::size_t end = received_.find('\n');
  while (end == std::string::npos) {
    if (received_.size() > kImapLineLimit) return Failure(step, "the server sent too long a line");
    std::size_t searched = received_.size();
    if (Result<void> more = ReadMore(step); !more) return more.error();
    end = received_.find('\n', searched);
  }
  std::string line = received_.substr(0, end);
  received_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

Result<ImapSession::Response> ImapSession::ReadResponse(const std::string& step) {
  Response response;
  std::size_t literalBytes = 0;
  while (true) {
    Result<std::string> line = ReadLine(step);
    if (!line) return line.error();
    response.text += *line;
    std::optional<std::size_t> size = LiteralSize(*line);
    if (!size) return response;
    literalBytes += *size;
    if (literalBytes > kImapLiteralLimit || response.text.size() > kImapLineLimit) {
      return Failure(step, "the server's answer is larger than can be taken");
    }
    while (received_.size() < *size) {
      if (Result<void> more = ReadMore(step); !more) return more.error();
    }
    response.literals.emplace_back(response.text.size(), received_.substr(0, *size));
    received_.erase(0, *size);
  }
}

}  // namespace fennimar
