// The recovery files' encoder and rebuilder as bench/recovery.sh times them,
// until the split and the join use them:
//   recovery_tool encode BASE N PART...     writes BASE.R00 ... BASE.R<N-1>
//   recovery_tool add BASE N PART...        the same, adding one part at a time
//   recovery_tool rebuild OUT LOST BASE PART...
//                                           checks BASE.R* up to a sound one,
//                                           then writes the source to OUT in
//                                           one pass over the parts, part LOST
//                                           (its path ignored) rebuilt
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file.h"
#include "recovery/incremental_encoder.h"
#include "recovery/recovery_encoder.h"
#include "recovery/recovery_rebuilder.h"

namespace {

using namespace fennimar;

int Fail(const SystemError& error) {
  std::fprintf(stderr, "recovery_tool: %s\n", error.Text().c_str());
  return 1;
}

int Encode(char** args, int count) {
  RecoveryRequest request;
  request.base = args[0];
  request.recoveryCount = std::atoi(args[1]);
  request.partPaths.assign(args + 2, args + count);
  auto wrote = WriteRecoveryFiles(request);
  return wrote ? 0 : Fail(wrote.error());
}

int Add(char** args, int count) {
  std::vector<std::string> parts(args + 2, args + count);
  RecoveryHeader set;
  if (auto described = DescribeParts(parts, set); !described) return Fail(described.error());
  auto encoder = IncrementalEncoder::Create(set.dataPartCount, std::atoi(args[1]), set.shardSize);
  if (!encoder) return Fail(encoder.error());
  for (const std::string& part : parts) {
    if (auto added = encoder->AddPart(part); !added) return Fail(added.error());
  }
  auto wrote = encoder->WriteFiles(args[0], SourceDigest{});
  return wrote ? 0 : Fail(wrote.error());
}

int Rebuild(char** args, int count) {
  const int lost = std::atoi(args[1]);
  const std::string base = args[2];
  RebuildRequest request;
  request.partPaths.assign(args + 3, args + count);
  request.partPaths[static_cast<std::size_t>(lost)].clear();
  // As a join would: the files are checked in turn until one is sound for
  // the one lost part; the others are named but not read.
  int sound = 0;
  for (int r = 0; r < kMaxRecoveryFiles; ++r) {
    const std::string path = RecoveryPathFromBase(base, r);
    if (sound == 1) {
      if (r == request.set.recoveryCount) break;
      request.recoveryPaths.push_back(path);
      continue;
    }
    auto check = CheckRecoveryFile(path);
    if (!check) break;
    if (check->fault != RecoveryFault::kNone) {
      request.recoveryPaths.emplace_back();
      continue;
    }
    request.set = check->header;
    request.recoveryPaths.push_back(path);
    ++sound;
  }
  // The whole file, written in one pass as a join would: each part's data
  // at its place.
  request.wholeSet = true;
  std::vector<std::int64_t> start(request.partPaths.size() + 1);
  for (std::size_t i = 0; i < request.partPaths.size(); ++i) {
    start[i + 1] = start[i] + request.set.dataLengths[i];
  }
  auto out = File::Create(args[0]);
  if (!out) return Fail(out.error());
  auto rebuilt =
      RebuildParts(request, [&](int part, std::int64_t offset, std::span<const std::uint8_t> data) {
        auto seek = out->Seek(start[static_cast<std::size_t>(part)] + offset);
        return seek ? out->Write(data.data(), data.size()) : seek;
      });
  if (!rebuilt) return Fail(rebuilt.error());
  auto closed = out->Close();
  return closed ? 0 : Fail(closed.error());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "encode" && argc > 4) return Encode(argv + 2, argc - 2);
  if (command == "add" && argc > 4) return Add(argv + 2, argc - 2);
  if (command == "rebuild" && argc > 5) return Rebuild(argv + 2, argc - 2);
  std::fprintf(stderr,
               "usage: recovery_tool encode|add BASE N PART... | rebuild OUT LOST BASE PART...\n");
  return 2;
}
