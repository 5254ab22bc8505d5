#include "format/set_identity.h"

#include <chrono>
#include <cstdio>

namespace fennimar {
namespace {

// Date and time in UTC, `separator` between hours, minutes and seconds.
std::string TimeText(std::int64_t time, char separator) {
  using namespace std::chrono;
  sys_seconds when{seconds{time}};
  auto day = floor<days>(when);
  year_month_day date{day};
  hh_mm_ss clock{when - day};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld%c%02ld%c%02ld", int(date.year()),
                unsigned(date.month()), unsigned(date.day()), long(clock.hours().count()),
                separator, long(clock.minutes().count()), separator, long(clock.seconds().count()));
  return text;
}

std::string SizeText(std::int64_t size) {
  if (size < 1024) return std::to_string(size) + (size == 1 ? " byte" : " bytes");
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(size) / 1024;
  int unit = 0;
  for (; value >= 1024 && unit < 3; ++unit) value /= 1024;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

}  // namespace

SetIdentity IdentityOf(const PartHeader& header) {
  return {header.SourceName(), header.SourceSize(), header.ModifiedTime(), header.partCount};
}

std::string DescribeSet(const SetIdentity& set) {
  return set.name + " (" + std::to_string(set.count) + (set.count == 1 ? " part, " : " parts, ") +
         SizeText(set.size) + ", " + TimeText(set.time, ':') + " UTC)";
}

std::string SetTimeForFileName(std::int64_t time) { return TimeText(time, '-'); }

}  // namespace fennimar
