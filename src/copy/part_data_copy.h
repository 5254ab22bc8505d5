// CopyPartData: the step a split and a merge share, moving the data of one
// part from a file to a BufferedWriter with the block-loop protocol of
// ui/progress_dialog.h. The source is read straight into the writer's
// buffer, as much at a time as it has room for (reads from the page cache
// cost less in fewer, larger calls), and then handled block by block, each
// block added to the checksum and followed by the progress update and the
// pump, so that each byte is copied once on its way.
#pragma once

#include <cstdint>
#include <optional>

#include "format/part_checksum.h"
#include "platform/buffered_writer.h"
#include "platform/file.h"
#include "platform/system_error.h"
#include "ui/progress_dialog.h"
#include "ui/user_interface.h"

namespace fennimar {

enum class CopyEnd {
  kCopied,       // every byte is in the writer
  kStopped,      // the user stopped the run
  kShortSource,  // the source ended early, within the block that was not copied
  kReadFailed,   // reading the source failed (error says why)
  kWriteFailed,  // the writer failed (error says why); nothing after it was read
};

struct CopyResult {
  CopyEnd end = CopyEnd::kCopied;
  std::optional<SystemError> error;
};

// Where the progress of the whole run stands: the bytes copied so far, which
// the copy advances, and the run's total.
struct RunProgress {
  ProgressDialog& dialog;
  UserInterface& ui;
  std::int64_t done = 0;
  std::int64_t total = 0;
};

// Copies `length` bytes from the source's current offset into `writer`,
// adding them to `checksum`.
CopyResult CopyPartData(File& source, BufferedWriter& writer, std::int64_t length,
                        PartChecksum& checksum, RunProgress& progress);

}  // namespace fennimar
