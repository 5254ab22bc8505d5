// The values of the settings that hold a choice rather than free text, each
// with the one parse and the one format its readers and writers share.
//
// A value outside a setting's vocabulary is never rejected: each reader's
// test decides what it means, and those tests are written down here next to
// the reader's fallback and capacity (capacities in settings_keys.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennimar::settings {

// MINIMIZED: "YES" starts the main window minimized; any other text,
// "yes" included, does not.
// Start-up and the menu's check mark read it with fallback "NO", the Run
// Minimized command with fallback "YES" (so a first toggle stores "NO");
// all at kShortValue. Start-up writes back the text it read, unchanged.
inline constexpr std::string_view kMinimizedFallbackAtStart = "NO";
inline constexpr std::string_view kMinimizedFallbackForToggle = "YES";
bool ParseMinimized(std::string_view text);
std::string_view FormatMinimized(bool minimized);

// ChType: the chunk size, "2DD", "2HD" or "DO " followed by the kilobytes as
// the user typed them.
enum class ChunkKind {
  k2DD,
  k2HD,
  kOther,    // begins with "DO"
  kUnknown,  // anything else
};
struct ChunkType {
  ChunkKind kind = ChunkKind::kUnknown;
  // What follows the first three characters ("DO "); empty when there are
  // no more than three.
  std::string size;
  bool operator==(const ChunkType&) const = default;
};
// Both forms read at kShortValue, so at most 21 characters of size.
// The split form's fallback "DO" carries no size (the form makes one that
// gives two parts) and it leaves kUnknown unchosen; the defaults form's
// fallback is "2HD" and it shows kUnknown as Other with its size.
inline constexpr std::string_view kChunkFallbackForSplit = "DO";
inline constexpr std::string_view kChunkFallbackForDefaults = "2HD";
ChunkType ParseChunkType(std::string_view text);
// "2DD", "2HD", or "DO " and the size for kOther and kUnknown alike.
std::string FormatChunkType(const ChunkType& value);

// WorkDir and MergeDir: "SAME" (no directory: the one of the selected file or
// part) or the directory itself. Every reader's fallback is "SAME"; they
// read at kDirectoryValue, and the split form then keeps as many characters
// as its field takes.
inline constexpr std::string_view kSameDirectory = "SAME";
std::optional<std::string> ParseDirectory(std::string_view text);
std::string FormatDirectory(const std::optional<std::string>& directory);

// ON_CHKSUM_ERR: "ABORT" deletes a merged file that had checksum errors,
// "CONTINUE" keeps it. Both readers fall back to "ABORT" at kShortValue, but
// they read other texts differently: the merge aborts only on exactly
// "ABORT", the defaults form checks its box only for exactly "CONTINUE".
enum class ChecksumErrorAction { kAbort, kContinue };
inline constexpr std::string_view kChecksumErrorFallback = "ABORT";
// `otherText` is what the reader makes of a text that is neither word.
ChecksumErrorAction ParseChecksumErrorAction(std::string_view text, ChecksumErrorAction otherText);
std::string_view FormatChecksumErrorAction(ChecksumErrorAction action);

// Format: "FREE" fills each floppy to its free space, "FIXED" keeps the
// chosen chunk size. Both forms fall back to "FREE" at kShortValue; the
// defaults form takes exactly "FREE" as kFree, the split form any text whose
// first four characters are "FREE" (`byPrefix`). Anything else is kFixed.
enum class FillFormat { kFree, kFixed };
inline constexpr std::string_view kFillFormatFallback = "FREE";
FillFormat ParseFillFormat(std::string_view text, bool byPrefix = false);
std::string_view FormatFillFormat(FillFormat format);

// Manifest: "YES" (and any text but "NO") has a split write NAME.sha256
// beside its parts; "NO" leaves it out. Read with fallback "YES" at
// kShortValue.
inline constexpr std::string_view kManifestFallback = "YES";
bool ParseManifestSetting(std::string_view text);
std::string_view FormatManifestSetting(bool write);

// Recovery: the number of recovery files a split writes unless told
// otherwise, in decimal digits from 0 to kMaxRecoverySetting; any other
// text (a sign, a blank, a larger number) means 0. Read with fallback "0" at
// kShortValue.
inline constexpr std::string_view kRecoveryFallback = "0";
inline constexpr int kMaxRecoverySetting = 100;
int ParseRecoverySetting(std::string_view text);
std::string FormatRecoverySetting(int count);

}  // namespace fennimar::settings
