// Feeds mutated part sets to the merge engine in a temporary directory.
//
// Input: one flag byte, then the part files REPORT.Z00, REPORT.Z01, ...
// separated by the marker "ZPRT". Flags: bit 0 keeps the result after
// checksum errors, bits 1-2 choose the selected part, bit 3 answers the
// first disk prompt with the parts' directory (later prompts are cancelled).
//
// After every run the target checks what must hold for any input:
//   - nothing is written outside the merge directory, and the parts are
//     unchanged;
//   - " Merge Complete" only for a set that a reader written here from the
//     format accepts, and then the result is exactly the set's data;
//   - after any other outcome the merge directory is empty, except for a
//     result kept after checksum errors when asked to keep it.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/disk_prompt_form.h"
#include "merge/merge_engine.h"
#include "merge/merge_form.h"
#include "platform/drive.h"
#include "settings/settings_store.h"
#include "ui/progress_dialog.h"
#include "ui/user_interface.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kMarker = "ZPRT";
constexpr std::size_t kMaxPartFiles = 12;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "merge_fuzz: %s\n", what);
    __builtin_trap();
  }
}

class FuzzUi : public fennimar::UserInterface {
 public:
  std::string status;
  std::string newPath;  // answer of the first disk prompt; empty: cancel
  int diskPrompts = 0;

  fennimar::Answer ShowMessage(std::string_view, std::string_view,
                               fennimar::MessageKind kind) override {
    switch (kind) {
      case fennimar::MessageKind::kYesNo:
      case fennimar::MessageKind::kYesNoOwnAnswer:  // a hidden name still stays inside
        return fennimar::Answer::kYes;
      case fennimar::MessageKind::kRetryCancel:
        return fennimar::Answer::kCancel;
      default:
        return fennimar::Answer::kOk;
    }
  }
  bool RunSplitDialog(fennimar::SplitForm&) override { return false; }
  bool RunFloppyPrompt(fennimar::FloppyPrompt&) override { return false; }
  bool RunMergeDialog(fennimar::MergeForm& form) override {
    form.SetField(mergeDirectory);
    return form.Ok() == fennimar::DialogResult::kOk;
  }
  bool RunDiskPrompt(fennimar::DiskPromptForm& form) override {
    if (++diskPrompts > 1 || newPath.empty()) return false;
    form.SetField(newPath);
    return form.Ok() == fennimar::DialogResult::kOk;
  }
  void SetInfoLine(fennimar::InfoLine line, std::string_view text) override {
    if (line == fennimar::InfoLine::kStatus) status = std::string(text);
  }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void ShowProgress(fennimar::ProgressDialog&) override {}
  void UpdateProgress(fennimar::ProgressDialog&) override {}
  void HideProgress(fennimar::ProgressDialog&) override {}
  void Pump() override {}

  std::string mergeDirectory;
};

class FixedDrives : public fennimar::DriveQueries {
 public:
  fennimar::DriveKind GetDriveKind(const std::string&) override {
    return fennimar::DriveKind::kFixed;
  }
  std::uint64_t GetAvailableSpace(const std::string&) override { return 1u << 30; }
  std::uint64_t GetLargestFile(const std::string&) override { return fennimar::kNoFileSizeLimit; }
  std::string RootOf(const std::string& path) override { return path; }
};

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void Clear(const std::string& path) {
  for (const auto& name : ListDir(path)) {
    std::string entry = path + "/" + name;
    if (::unlink(entry.c_str()) != 0) {
      Clear(entry);
      ::rmdir(entry.c_str());
    }
  }
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::int32_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 |
                                   std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24);
}

std::string StoredName(const Bytes& b) {
  std::string name(reinterpret_cast<const char*>(b.data() + 2), 70);
  return name.substr(0, name.find('\0'));
}

// What a correct merge of the set in `directory` gives, read here from the
// format alone: the target's name and content, or nothing when the set is not
// one that may be joined. A later part may sit in `otherDirectory` under the
// stem of the stored name.
struct Expected {
  std::string name;
  Bytes content;
};

std::optional<Expected> ReadSet(const std::string& directory, const std::string& otherDirectory) {
  Bytes first = ReadAll(directory + "/REPORT.Z00");
  if (first.size() < 86) return std::nullopt;
  int count = first[0];  // unsigned, 1 to 100, with part 00 at index 0
  std::string stored = StoredName(first);
  auto cut = stored.find_last_of("/\\:");
  std::string name = cut == std::string::npos ? stored : stored.substr(cut + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return std::nullopt;
  }
  if (count < 1 || count > 100 || first[1] != 0) return std::nullopt;
  std::int32_t time = Le32(first, 72), total = Le32(first, 76);
  if (total < 0) return std::nullopt;
  std::string stem = name.substr(0, name.find('.'));
  Expected expected{name, {}};
  std::string base = directory + "/REPORT";
  for (int k = 0; k < count; ++k) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".Z%02d", k);
    std::string path = base + suffix;
    if (k > 0 && ::access(path.c_str(), F_OK) != 0) {
      base = otherDirectory + "/" + stem;
      path = base + suffix;
    }
    Bytes part = k == 0 ? first : ReadAll(path);
    if (part.size() < 86) return std::nullopt;
    if (k > 0 && (part[1] != k || StoredName(part) != stored || Le32(part, 72) != time ||
                  Le32(part, 76) != total)) {
      return std::nullopt;
    }
    std::int32_t length = Le32(part, 82);
    if (length < 0 || static_cast<std::size_t>(length) > part.size() - 86) return std::nullopt;
    std::int32_t sum = 0;
    for (std::int32_t i = 0; i < length; ++i) sum += static_cast<std::int8_t>(part[86 + i]);
    std::uint16_t checksum = static_cast<std::uint16_t>(part[80] | part[81] << 8);
    if (static_cast<std::uint16_t>(sum) != checksum) return std::nullopt;
    expected.content.insert(expected.content.end(), part.begin() + 86, part.begin() + 86 + length);
  }
  if (total > 0 && expected.content.size() != static_cast<std::size_t>(total)) {
    return std::nullopt;
  }
  return expected;
}

struct Workspace {
  std::string root, parts, out;
  Workspace() {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/fennimar-merge-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    Check(::mkdtemp(name.data()) != nullptr, "mkdtemp");
    root = name.data();
    parts = root + "/parts";
    out = root + "/out";
    ::mkdir(parts.c_str(), 0755);
    ::mkdir(out.c_str(), 0755);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Workspace space;
  static fennimar::SettingsStore settings{std::string()};
  if (size < 1) return 0;
  std::uint8_t flags = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

  Clear(space.parts);
  Clear(space.out);
  std::vector<std::string> partNames;
  while (partNames.size() < kMaxPartFiles) {
    auto marker = rest.find(kMarker);
    std::string_view chunk = rest.substr(0, marker);
    char name[16];
    std::snprintf(name, sizeof name, "REPORT.Z%02zu", partNames.size());
    WriteAll(space.parts + "/" + name, Bytes(chunk.begin(), chunk.end()));
    partNames.push_back(name);
    if (marker == std::string_view::npos) break;
    rest.remove_prefix(marker + kMarker.size());
  }
  std::vector<Bytes> before;
  for (const auto& name : partNames) before.push_back(ReadAll(space.parts + "/" + name));

  bool keep = flags & 1;
  std::string selected = space.parts + "/" + partNames[((flags >> 1) & 3) % partNames.size()];
  FuzzUi ui;
  ui.mergeDirectory = space.out;
  if (flags & 8) ui.newPath = space.parts;
  FixedDrives drives;
  fennimar::MergeEngine engine(ui, settings, drives);
  engine.SetChecksumErrorAction(keep ? fennimar::settings::ChecksumErrorAction::kContinue
                                     : fennimar::settings::ChecksumErrorAction::kAbort);
  fennimar::MergeOutcome outcome = engine.Run({selected, 0});

  // Nothing outside the merge directory; the parts untouched.
  Check(ListDir(space.root) == std::vector<std::string>({"out", "parts"}), "write outside");
  Check(
      ListDir(space.parts) ==
          [&] {
            auto sorted = partNames;
            std::sort(sorted.begin(), sorted.end());
            return sorted;
          }(),
      "parts changed");
  for (std::size_t k = 0; k < partNames.size(); ++k) {
    Check(ReadAll(space.parts + "/" + partNames[k]) == before[k], "part modified");
  }

  auto results = ListDir(space.out);
  auto expected = ReadSet(space.parts, space.parts);
  if (outcome == fennimar::MergeOutcome::kComplete) {
    Check(ui.status == " Merge Complete", "complete without its text");
    Check(expected.has_value(), "success text for a set that may not be joined");
    Check(results == std::vector<std::string>{expected->name}, "result name");
    Check(ReadAll(space.out + "/" + expected->name) == expected->content, "result content");
  } else {
    Check(ui.status != " Merge Complete", "success text without success");
    bool kept = outcome == fennimar::MergeOutcome::kChecksumErrors && keep;
    Check(results.empty() || (kept && results.size() == 1), "result left behind");
  }
  return 0;
}
