#include "mail/imap/imap_address.h"

#include <charconv>

#include "text/ascii.h"

namespace fennimar {
namespace {

constexpr std::string_view kImaps = "imaps://";
constexpr std::string_view kImap = "imap://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != prefix[i]) return false;
  }
  return true;
}

SystemError Refused(std::string reason) {
  return SystemError::WithReason("read the address", std::move(reason));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes %XX escapes; none when an escape is broken or the result holds a
// byte that is no printable ASCII.
std::optional<std::string> Decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
      int low = high >= 0 ? HexValue(text[i + 2]) : -1;
      if (low < 0) return std::nullopt;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (c < 0x20 || c > 0x7e) return std::nullopt;
    out += c;
  }
  return out;
}

// Splits "HOST[:PORT]" or "[V6]:PORT" into `address`.
Result<void> ReadHostAndPort(std::string_view text, ImapAddress& address) {
  std::string_view port;
  if (!text.empty() && text.front() == '[') {
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) return Refused("the host's ']' is missing");
    address.host = std::string(text.substr(1, close - 1));
    std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return Refused("text after the host");
    if (!rest.empty()) port = rest.substr(1);
  } else {
    std::size_t colon = text.rfind(':');
    address.host = std::string(text.substr(0, colon));
    if (colon != std::string_view::npos) port = text.substr(colon + 1);
  }
  if (address.host.empty()) return Refused("no host");
  for (char c : address.host) {
    if (c <= 0x20 || c > 0x7e) return Refused("the host holds a character no host name has");
  }
  if (port.empty()) return {};
  int value = 0;
  auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535) {
    return Refused("the port is no number from 1 to 65535");
  }
  address.port = value;
  return {};
}

}  // namespace

bool IsImapAddress(std::string_view text) {
  return StartsWithNoCase(text, kImaps) || StartsWithNoCase(text, kImap);
}

bool LooksLikeUrl(std::string_view text) {
  std::size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  for (char c : text.substr(0, colon)) {
    if (!((AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z')) && !IsAsciiDigit(c) && c != '+' &&
        c != '-' && c != '.')
      return false;
  }
  return true;
}

Result<ImapAddress> ParseImapAddress(std::string_view text) {
  ImapAddress address;
  address.label = std::string(text);
  address.tlsFromStart = StartsWithNoCase(text, kImaps);
  if (!address.tlsFromStart) address.port = 143;
  std::string_view rest = text.substr(address.tlsFromStart ? kImaps.size() : kImap.size());
  std::size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  std::string_view path = slash == std::string_view::npos ? "" : rest.substr(slash + 1);
  // A user name may itself hold '@' (an address); the host follows the last.
  std::size_t at = authority.rfind('@');
  if (at == std::string_view::npos || at == 0) return Refused("no user name (USER@HOST)");
  std::string_view user = authority.substr(0, at);
  if (user.find(':') != std::string_view::npos) {
    return Refused("a password does not belong in the address; set FENNIMAR_IMAP_PASSWORD");
  }
  auto decodedUser = Decoded(user);
  auto decodedMailbox = Decoded(path);
  if (!decodedUser) return Refused("the user name holds a character that cannot be sent");
  if (!decodedMailbox) return Refused("the mailbox name holds a character that cannot be sent");
  address.user = *decodedUser;
  address.mailbox = decodedMailbox->empty() ? "INBOX" : *decodedMailbox;
  if (Result<void> host = ReadHostAndPort(authority.substr(at + 1), address); !host) {
    return host.error();
  }
  return address;
}

}  // namespace fennimar
