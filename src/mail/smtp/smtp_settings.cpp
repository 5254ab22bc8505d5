#include "mail/smtp/smtp_settings.h"

#include <algorithm>

#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "text/ascii.h"

namespace fennimar {

std::string_view SecurityName(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::kStartTls:
      return "STARTTLS";
    case SmtpSecurity::kTls:
      return "TLS";
    case SmtpSecurity::kNone:
      break;
  }
  return "NONE";
}

std::optional<SmtpSecurity> ParseSecurity(std::string_view value) {
  if (value.empty()) return SmtpSecurity::kNone;
  for (SmtpSecurity security : {SmtpSecurity::kNone, SmtpSecurity::kStartTls, SmtpSecurity::kTls}) {
    if (EqualsIgnoringAsciiCase(value, SecurityName(security))) return security;
  }
  return std::nullopt;
}

int DefaultPort(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::kStartTls:
      return 587;
    case SmtpSecurity::kTls:
      return 465;
    case SmtpSecurity::kNone:
      break;
  }
  return 25;
}

std::optional<ServerAddress> ParseServerText(std::string_view text, SmtpSecurity security) {
  std::size_t at = text.rfind('@');
  if (at != text.npos) text.remove_prefix(at + 1);
  ServerAddress address{std::string(text), DefaultPort(security)};
  std::string_view port;
  bool portGiven = false;
  if (!text.empty() && text.front() == '[') {
    std::size_t close = text.find(']');
    if (close == text.npos) return std::nullopt;
    address.host = text.substr(1, close - 1);
    std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port = rest.substr(1);
      portGiven = true;
    }
  } else if (std::count(text.begin(), text.end(), ':') == 1) {
    std::size_t colon = text.find(':');
    address.host = text.substr(0, colon);
    port = text.substr(colon + 1);
    portGiven = true;
  }
  if (portGiven) {
    if (port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](char c) { return IsAsciiDigit(c); })) {
      return std::nullopt;
    }
    address.port = std::stoi(std::string(port));
  }
  if (address.host.empty() || address.port < 1 || address.port > 65535) return std::nullopt;
  return address;
}

SmtpSettingsRead ReadSmtpSettings(SettingsStore& store) {
  using namespace settings;
  std::string securityText = store.ReadSetting(kSection, kSmtpSecurity, "", kShortValue);
  std::optional<SmtpSecurity> security = ParseSecurity(securityText);
  if (!security) {
    return {std::nullopt, std::string(kSmtpSecurity) + "=" + securityText + " in " + store.Path() +
                              " is not one of NONE, STARTTLS, TLS"};
  }
  SmtpSettings read;
  read.returnAddress = store.ReadSetting(kSection, kMyAddress, kDefaultReturnAddress, kMailerValue);
  read.server = store.ReadSetting(kSection, kSmtpHost, kPlaceholderSmtpHost, kMailerValue);
  read.security = *security;
  read.user = store.ReadSetting(kSection, kSmtpUser, "", kMailerValue);
  return {read, {}};
}

}  // namespace fennimar
