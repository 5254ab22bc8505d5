// The recovery files' encoder and rebuilder as bench/recovery.sh times them,
// until the split and the join use them:
//   recovery_tool encode BASE N PART...     writes BASE.R00 ... BASE.R<N-1>
//   recovery_tool rebuild OUT LOST BASE PART...
//                                           checks BASE.R*, rebuilds part LOST's
//                                           data (its path is ignored) into OUT
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file.h"
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

int Rebuild(char** args, int count) {
  const int lost = std::atoi(args[1]);
  const std::string base = args[2];
  RebuildRequest request;
  request.partPaths.assign(args + 3, args + count);
  request.partPaths[static_cast<std::size_t>(lost)].clear();
  for (int r = 0; r < kMaxRecoveryFiles; ++r) {
    const std::string path = RecoveryPathFromBase(base, r);
    auto check = CheckRecoveryFile(path);
    if (!check) break;
    if (check->fault != RecoveryFault::kNone) {
      request.recoveryPaths.emplace_back();
      continue;
    }
    request.set = check->header;
    request.recoveryPaths.push_back(path);
  }
  auto out = File::Create(args[0]);
  if (!out) return Fail(out.error());
  auto rebuilt = RebuildParts(request, [&](int, std::int64_t, std::span<const std::uint8_t> data) {
    return out->Write(data.data(), data.size());
  });
  if (!rebuilt) return Fail(rebuilt.error());
  auto closed = out->Close();
  return closed ? 0 : Fail(closed.error());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "encode" && argc > 4) return Encode(argv + 2, argc - 2);
  if (command == "rebuild" && argc > 5) return Rebuild(argv + 2, argc - 2);
  std::fprintf(stderr,
               "usage: recovery_tool encode BASE N PART... | rebuild OUT LOST BASE PART...\n");
  return 2;
}
