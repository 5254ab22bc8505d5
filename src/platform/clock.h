// Clock: the time of day and a steadily rising count, for what the program
// stamps with a time (a message's Date, its MIME boundary and Message-ID).
//
// This is the one place that asks the system for the time on their behalf.
// Tests may fix the wall clock, so that the stamps come out as they expect;
// the monotonic count is never fixed.
#pragma once

#include <cstdint>
#include <optional>

namespace fennimar {

// A moment in UTC, broken down.
struct UtcTime {
  int year = 1970;  // e.g. 2026
  int month = 1;    // 1 to 12
  int day = 1;      // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;  // 0 to 999
};

// Seconds since 1970-01-01 00:00:00 UTC, now.
std::int64_t WallSeconds();
// Now, in UTC, to the millisecond.
UtcTime WallTimeUtc();
// `secondsSinceEpoch` in UTC (its milliseconds 0).
UtcTime UtcTimeOf(std::int64_t secondsSinceEpoch);
// Milliseconds since a fixed moment (the system's start): never goes back,
// not even when the wall clock is set or fixed.
std::int64_t MonotonicMilliseconds();

// Fixes the wall clock at `secondsSinceEpoch` (milliseconds 0) for every
// caller of WallSeconds and WallTimeUtc; std::nullopt lets it run again.
// For tests.
void SetWallClock(std::optional<std::int64_t> secondsSinceEpoch);

}  // namespace fennimar
