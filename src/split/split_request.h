// SplitRequest: what the split dialog hands to the split engine on OK.
#pragma once

#include <cstdint>
#include <string>

namespace fennimar {

struct SplitRequest {
  std::string targetDirectory;  // at most 99 characters
  std::int64_t chunkSize = 0;   // bytes per part file, header included
  // chunkSize is a medium's (a floppy's, a FAT32 stick's): the most a part
  // may hold, so a smaller file goes whole into one part.
  bool chunkSizeIsCap = false;
  bool fillToCapacity = false;  // size parts by each removable disk's free space
  std::string mailTo;           // empty: the parts are not mailed
  // Parts as large as the mail server's size limit allows; chunkSize is
  // then found by asking the server.
  bool partsFitMail = false;
  // The index of the first part to mail. The parts before it are not mailed
  // again: those on disk are checked to belong to this split, missing ones
  // are written.
  int mailFrom = 0;
  // Write the set's SHA-256 manifest (NAME.sha256) beside the parts.
  bool writeManifest = true;
  // The recovery files (NAME.R00, ...) written after the parts and the
  // manifest, from which that many lost or damaged parts can be rebuilt;
  // 0 writes none.
  int recoveryCount = 0;
};

}  // namespace fennimar
