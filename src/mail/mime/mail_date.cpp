#include "mail/mime/mail_date.h"

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "text/ascii.h"

namespace fennimar {
namespace {

// The words of the date, split at blanks, commas and colons; a "+" or "-"
// starts a word of its own.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    bool split = i == text.size() || text[i] == ' ' || text[i] == '\t' || text[i] == ',' ||
                 text[i] == ':' || text[i] == '(';
    bool sign = i < text.size() && (text[i] == '+' || text[i] == '-');
    if (split || sign) {
      if (i > start) words.push_back(text.substr(start, i - start));
      if (i < text.size() && text[i] == '(') break;  // a comment ends the date
      start = sign ? i : i + 1;
    }
  }
  return words;
}

std::optional<int> Number(std::string_view word) {
  if (word.empty() || word.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<unsigned> Month(std::string_view word) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  for (unsigned m = 0; m < kMonths.size(); ++m) {
    if (word.size() >= 3 && EqualsIgnoringAsciiCase(word.substr(0, 3), kMonths[m])) return m + 1;
  }
  return std::nullopt;
}

// The zone's offset from UTC in seconds.
std::int64_t ZoneOffset(std::string_view word) {
  if (word.size() != 5 || (word[0] != '+' && word[0] != '-')) return 0;
  auto hhmm = Number(word.substr(1));
  if (!hhmm) return 0;
  std::int64_t offset = (*hhmm / 100) * 3600 + (*hhmm % 100) * 60;
  return word[0] == '-' ? -offset : offset;
}

}  // namespace

std::optional<std::int64_t> ParseMailDate(std::string_view text) {
  std::vector<std::string_view> words = Words(text);
  // The day of the week, when given, stands first.
  std::size_t i = !words.empty() && !Number(words[0]) ? 1 : 0;
  if (words.size() < i + 5) return std::nullopt;
  auto day = Number(words[i]);
  auto month = Month(words[i + 1]);
  auto year = Number(words[i + 2]);
  auto hour = Number(words[i + 3]);
  auto minute = Number(words[i + 4]);
  if (!day || !month || !year || !hour || !minute || *hour > 23 || *minute > 59)
    return std::nullopt;
  std::size_t next = i + 5;
  int second = 0;
  if (next < words.size()) {
    if (auto s = Number(words[next]); s && words[next].size() == 2) {
      second = *s;
      ++next;
    }
  }
  if (second > 60) return std::nullopt;
  int fullYear = *year >= 100 ? *year : *year + (*year < 50 ? 2000 : 1900);
  using namespace std::chrono;
  year_month_day date{std::chrono::year{fullYear}, std::chrono::month{*month},
                      std::chrono::day{static_cast<unsigned>(*day)}};
  if (!date.ok()) return std::nullopt;
  std::int64_t seconds = sys_days{date}.time_since_epoch().count() * std::int64_t{86400} +
                         *hour * 3600 + *minute * 60 + second;
  return seconds - (next < words.size() ? ZoneOffset(words[next]) : 0);
}

}  // namespace fennimar
