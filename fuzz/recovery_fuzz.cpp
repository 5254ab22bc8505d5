// Feeds mutated recovery files to their reader: the header alone from
// memory, and the whole file from a temporary directory; each input as it
// is and, so that the mutations reach the fields behind the CRCs, again
// with both CRCs made to match.
//
// After every run the target checks what must hold for any input:
//   - a header the reader accepts encodes back to exactly its bytes, so no
//     field is read otherwise than it is written;
//   - a file found sound is exactly header plus shard, its counts and
//     lengths within their limits;
//   - a file is never taken both for a recovery file and for a part.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "format/part_name.h"
#include "platform/file.h"
#include "platform/temporary_files.h"
#include "recovery/recovery_format.h"
#include "recovery/recovery_rebuilder.h"

namespace {

void Check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "recovery_fuzz: %s\n", what);
    std::abort();
  }
}

void ReadOne(const std::uint8_t* data, std::size_t size) {
  using namespace fennimar;
  const std::span<const std::uint8_t> bytes(data, size);
  const RecoveryHeaderRead read = DecodeRecoveryHeader(bytes);
  if (read.fault == RecoveryFault::kNone) {
    const RecoveryHeaderBytes encoded = EncodeRecoveryHeader(read.header);
    Check(std::equal(encoded.begin(), encoded.end(), data), "an accepted header encodes otherwise");
    Check(read.header.dataPartCount >= 1 && read.header.dataPartCount <= kMaxParts &&
              read.header.recoveryIndex < read.header.recoveryCount,
          "accepted counts out of their limits");
  }

  static auto directory = TempDirectory::Create("recovery-fuzz-");
  Check(directory.ok(), "no temporary directory");
  const std::string path = directory->Path() + "/REPORT.R00";
  {
    auto file = File::Create(path);
    Check(file.ok() && file->Write(data, size).ok() && file->Close().ok(),
          "cannot write the input");
  }
  auto check = CheckRecoveryFile(path);
  Check(check.ok(), "a readable file fails to be read");
  if (check->fault == RecoveryFault::kNone) {
    Check(read.fault == RecoveryFault::kNone, "the file is sound but its header is not");
    Check(size == kRecoveryHeaderSize + static_cast<std::size_t>(check->header.shardSize),
          "a sound file of another length");
  }
  const std::string asPart = directory->Path() + "/REPORT.Z00";
  std::rename(path.c_str(), asPart.c_str());
  Check(!(read.fault == RecoveryFault::kNone && IsPartFile(asPart)),
        "a recovery file taken for a part");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace fennimar;
  ReadOne(data, size);
  if (size >= kRecoveryHeaderSize) {
    std::vector<std::uint8_t> repaired(data, data + size);
    const std::span<const std::uint8_t> payload(repaired.data() + kRecoveryHeaderSize,
                                                size - kRecoveryHeaderSize);
    EncodeFixed32(&repaired[kPayloadCrcOffset], ExtendCrc32(0, payload));
    EncodeFixed32(&repaired[kHeaderCrcOffset],
                  ExtendCrc32(0, std::span(repaired.data(), kHeaderCrcOffset)));
    ReadOne(repaired.data(), size);
  }
  return 0;
}
