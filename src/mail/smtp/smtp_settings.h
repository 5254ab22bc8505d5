// The mail settings as the mailer uses them: the server text with its port,
// the security of the connection, the login's user name and the return
// address, read from the settings file in one place. The password is never
// kept there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar {

class SettingsStore;

// How the connection is protected.
enum class SmtpSecurity {
  kNone,      // plain text, as every setup before these settings; port 25
  kStartTls,  // plain, then STARTTLS before anything else; port 587
  kTls,       // TLS from the first byte; port 465
};

// The values of `SMTPSecurity`: "NONE", "STARTTLS", "TLS".
std::string_view SecurityName(SmtpSecurity security);
// The security a setting names, without regard to case; an empty text (a
// missing key) is kNone. None for any other text: a misspelt value must
// never mean plain text.
std::optional<SmtpSecurity> ParseSecurity(std::string_view value);
int DefaultPort(SmtpSecurity security);

// The server text: "host", "host:port", "[v6address]" or "[v6address]:port";
// a bare IPv6 address (more than one ":") is taken whole. Text up to a last
// "@" is dropped. Without a port, the security's default port.
struct ServerAddress {
  std::string host;  // without brackets
  int port = 0;
};
// None when the port is no number from 1 to 65535 or the host is empty.
std::optional<ServerAddress> ParseServerText(std::string_view text, SmtpSecurity security);

struct SmtpSettings {
  std::string server;         // SMTPHost
  std::string returnAddress;  // MyAddress
  SmtpSecurity security = SmtpSecurity::kNone;
  std::string user;  // SMTPUser; empty: no login
};

// Used when the settings file lacks the key: a host name that never resolves,
// and a return address with its mailbox in angle brackets.
inline constexpr char kPlaceholderSmtpHost[] = "smtp.invalid";
inline constexpr char kDefaultReturnAddress[] = "Fennimar <fennimar@localhost>";

// The mail settings, or why they cannot be used: an SMTPSecurity that
// names none of its values, told with the key, the value, the file and the
// allowed values. Nothing may be sent then.
struct SmtpSettingsRead {
  std::optional<SmtpSettings> settings;
  std::string error;
};
SmtpSettingsRead ReadSmtpSettings(SettingsStore& settings);

}  // namespace fennimar
