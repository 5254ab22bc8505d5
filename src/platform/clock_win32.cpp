// Clock on Windows: the system time as a FILETIME (100-nanosecond steps
// since 1601) and the tick count since the system started.
#include <windows.h>

#include <atomic>
#include <chrono>

#include "platform/clock.h"

namespace fennimar {
namespace {

// The fixed wall time, or kRunning, as on Linux.
constexpr std::int64_t kRunning = INT64_MIN;
std::atomic<std::int64_t> fixedSeconds{kRunning};

constexpr std::int64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kMillisecondsFrom1601To1970 = 11644473600000;

std::int64_t NowMilliseconds() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  auto ticks =
      static_cast<std::int64_t>((std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
  return ticks / kTicksPerMillisecond - kMillisecondsFrom1601To1970;
}

}  // namespace

std::int64_t WallSeconds() {
  std::int64_t fixed = fixedSeconds.load();
  return fixed != kRunning ? fixed : NowMilliseconds() / 1000;
}

// The civil calendar from days since 1970, without the C library's time
// zone state.
UtcTime UtcTimeOf(std::int64_t secondsSinceEpoch) {
  using namespace std::chrono;
  sys_seconds moment{seconds(secondsSinceEpoch)};
  auto day = floor<days>(moment);
  year_month_day date{day};
  hh_mm_ss time{moment - day};
  return {static_cast<int>(date.year()),
          static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())),
          static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()),
          static_cast<int>(time.seconds().count()),
          0};
}

UtcTime WallTimeUtc() {
  std::int64_t fixed = fixedSeconds.load();
  if (fixed != kRunning) return UtcTimeOf(fixed);
  std::int64_t now = NowMilliseconds();
  UtcTime time = UtcTimeOf(now / 1000);
  time.millisecond = static_cast<int>(now % 1000);
  return time;
}

std::int64_t MonotonicMilliseconds() { return static_cast<std::int64_t>(::GetTickCount64()); }

void SetWallClock(std::optional<std::int64_t> secondsSinceEpoch) {
  fixedSeconds.store(secondsSinceEpoch.value_or(kRunning));
}

}  // namespace fennimar
