// MailDate: the time a message's "Date" field gives ("Tue, 1 Dec 2026
// 10:02:05 +0100"), as mail programs write it: the day of the week and the
// seconds may be left out, the zone is "+hhmm" or "-hhmm" or a name (a name
// other than UT, UTC or GMT counts as UTC), two-digit years are of 1950 to
// 2049, and a comment after the zone is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fennimar {

// Seconds since 1970 (UTC), or none when `text` is no such date.
std::optional<std::int64_t> ParseMailDate(std::string_view text);

}  // namespace fennimar
