#include "platform/clock.h"

#include <time.h>

#include <atomic>

namespace fennimar {
namespace {

// The fixed wall time, or kRunning. An atomic, so that a test may fix it
// while a session runs on another thread.
constexpr std::int64_t kRunning = INT64_MIN;
std::atomic<std::int64_t> fixedSeconds{kRunning};

}  // namespace

std::int64_t WallSeconds() {
  std::int64_t fixed = fixedSeconds.load();
  return fixed != kRunning ? fixed : static_cast<std::int64_t>(::time(nullptr));
}

UtcTime UtcTimeOf(std::int64_t secondsSinceEpoch) {
  auto seconds = static_cast<time_t>(secondsSinceEpoch);
  tm utc{};
  gmtime_r(&seconds, &utc);
  return {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 0};
}

UtcTime WallTimeUtc() {
  std::int64_t fixed = fixedSeconds.load();
  if (fixed != kRunning) return UtcTimeOf(fixed);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  UtcTime time = UtcTimeOf(now.tv_sec);
  time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return time;
}

std::int64_t MonotonicMilliseconds() {
  timespec sinceStart{};
  clock_gettime(CLOCK_MONOTONIC, &sinceStart);
  return static_cast<std::int64_t>(sinceStart.tv_sec) * 1000 + sinceStart.tv_nsec / 1000000;
}

void SetWallClock(std::optional<std::int64_t> secondsSinceEpoch) {
  fixedSeconds.store(secondsSinceEpoch.value_or(kRunning));
}

}  // namespace fennimar
