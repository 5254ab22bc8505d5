// IncrementalEncoder: a set's recovery files computed one part at a time,
// for a split whose parts leave the machine as they are written (removable
// disks): each part adds its share to the N payloads, which are kept in a
// temporary file (N times the shard size) until the last part is in. The
// parts may come in any order; memory stays within kRecoveryMemoryBudget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/system_error.h"
#include "platform/temporary_files.h"
#include "recovery/recovery_code.h"
#include "recovery/recovery_file_writer.h"
#include "recovery/recovery_format.h"

namespace fennimar {

class IncrementalEncoder {
 public:
  // An encoder for `dataCount` parts and `recoveryCount` files whose
  // largest part holds `shardSize` data bytes (the split's part size). The
  // temporary file goes into TemporaryParent(). chunkSize 0 chooses one.
  static Result<IncrementalEncoder> Create(int dataCount, int recoveryCount, std::int64_t shardSize,
                                           std::size_t chunkSize = 0);

  // Called between two chunks of AddPart and WriteFile: a window stays
  // painted, and false (Stop) ends the call with an error.
  void SetKeepGoing(std::function<bool()> keepGoing) { keepGoing_ = std::move(keepGoing); }

  // Adds a complete part of the set (its index from its header); the first
  // part added names the set, and every later one must carry the same count
  // and set, an index not added before, and no more data than the shard.
  Result<void> AddPart(const std::string& partPath);
  // True once every part has been added.
  bool Complete() const;
  // Writes <base>.R00 ... once Complete(), as WriteRecoveryFiles does.
  Result<void> WriteFiles(const std::string& base, const SourceDigest& sourceDigest);
  // Writes recovery file `index` alone (<base>.R<index>) once Complete(): a
  // set on removable disks puts each onto the disk in the drive. The file
  // appears under its name only once it is whole.
  Result<void> WriteFile(const std::string& base, int index, const SourceDigest& sourceDigest);
  // The length of each recovery file once Complete(): its header and the
  // largest part's data.
  std::int64_t FileSize() const;

 private:
  IncrementalEncoder(TempFile temp, File file, RecoveryCode code, std::int64_t shardSize,
                     std::size_t chunk)
      : temp_(std::move(temp)),
        file_(std::move(file)),
        code_(std::move(code)),
        shardSize_(shardSize),
        chunk_(chunk) {}
  Result<void> KeepGoing() const;
  RecoveryHeader FileHeader(const SourceDigest& sourceDigest) const;
  // Creates recovery file `index`'s writer with its whole payload appended.
  Result<RecoveryFileWriter> WritePayload(const std::string& base, RecoveryHeader header,
                                          int index);
  Result<void> AddChunk(int index, std::int64_t offset, std::size_t length, std::uint8_t* data,
                        std::vector<std::uint8_t>& recovery);

  TempFile temp_;
  File file_;  // the N payloads, one after another; what is not written yet reads as zeros
  RecoveryCode code_;
  std::int64_t shardSize_;
  std::size_t chunk_;
  std::int64_t written_ = 0;  // the temporary file's length
  RecoveryHeader set_;        // the set, from the first part added
  std::vector<bool> added_;
  std::function<bool()> keepGoing_;
};

}  // namespace fennimar
