// SetIdentity: which set a part belongs to, as its header tells it: the
// source's stored name, length and modification time, and the part count.
// Two sets of one file (an interrupted send and its resend with another part
// size, or an old and a new version) differ in at least one of them, so
// parts that arrive mixed (in one mailbox) are told apart without trusting
// the names they arrive under.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

#include "format/part_format.h"

namespace fennimar {

struct SetIdentity {
  std::string name;       // the stored source name (PartHeader::SourceName)
  std::int64_t size = 0;  // the source's length; a large set's 64-bit one
  std::int64_t time = 0;  // the source's modification time, seconds since 1970
  int count = 0;          // parts in the set
  auto operator<=>(const SetIdentity&) const = default;
};

SetIdentity IdentityOf(const PartHeader& header);

// "REPORT.TXT (12 parts, 11.5 MB, 2026-11-30 10:02:05 UTC)".
std::string DescribeSet(const SetIdentity& set);

// The time as "2026-11-30 10-02-05" (UTC), fit for a folder name.
std::string SetTimeForFileName(std::int64_t time);

}  // namespace fennimar
