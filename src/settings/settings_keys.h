// The section, the keys and the read capacities of the settings file.
#pragma once

#include <string_view>

namespace fennimar::settings {

inline constexpr std::string_view kSection = "FENNIMAR";

inline constexpr std::string_view kMinimized = "MINIMIZED";
inline constexpr std::string_view kChType = "ChType";
inline constexpr std::string_view kWorkDir = "WorkDir";
inline constexpr std::string_view kMergeDir = "MergeDir";
inline constexpr std::string_view kOnChecksumError = "ON_CHKSUM_ERR";
inline constexpr std::string_view kFormat = "Format";
inline constexpr std::string_view kSmtpHost = "SMTPHost";
inline constexpr std::string_view kMyAddress = "MyAddress";
inline constexpr std::string_view kSmtpSecurity = "SMTPSecurity";
inline constexpr std::string_view kSmtpUser = "SMTPUser";
inline constexpr std::string_view kFennimarPath = "FENNIMAR_PATH";
inline constexpr std::string_view kManifest = "Manifest";
inline constexpr std::string_view kRecovery = "Recovery";

// Capacities include the terminator of the receiving buffer: a read returns
// at most capacity - 1 characters.
inline constexpr int kShortValue = 25;
// WorkDir, MergeDir, FENNIMAR_PATH: a path as long as the system takes
// (format/path_limits.h), and the terminator.
inline constexpr int kDirectoryValue = 4097;
inline constexpr int kDialogMailValue = 100;
inline constexpr int kDefaultsMailValue = 255;
inline constexpr int kMailerValue = 256;

}  // namespace fennimar::settings
