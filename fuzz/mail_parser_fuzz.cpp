// Fuzzes the mail readers with arbitrary bytes, taken as a saved message, as
// an mbox file and as the one message of a Maildir: parsing, decoding and
// extracting every part must neither crash nor hang, and nothing may be
// written anywhere but the chosen directory.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mail/mime/mime_parser.h"
#include "mail/store/part_extractor.h"

namespace {

constexpr int kMaxExtractedParts = 8;

// A directory in memory when the machine has one: every input is a file.
std::string MakeWorkDirectory() {
  struct stat st {};
  std::string base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
  std::string text = base + "/mail_parser_fuzz.XXXXXX";
  std::vector<char> pattern(text.begin(), text.end());
  pattern.push_back('\0');
  const char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) std::abort();
  return made;
}

std::vector<std::string> Names(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) std::abort();
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// Removes every file in `directory` and, with `setFolders`, the folders of
// files that the part extractor makes for a set whose names are taken. Any
// other subdirectory there would mean the parser made one, which it must
// never do.
void EmptyDirectory(const std::string& directory, bool setFolders = false) {
  for (const std::string& name : Names(directory)) {
    std::string path = directory + "/" + name;
    if (::unlink(path.c_str()) == 0) continue;
    if (!setFolders) std::abort();
    EmptyDirectory(path);
    if (::rmdir(path.c_str()) != 0) std::abort();
  }
}

void WriteFile(const std::string& path, const std::string& head, const std::uint8_t* data,
               std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(head.data(), 1, head.size(), file);
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

std::string work;

void RemoveWorkDirectory() {
  EmptyDirectory(work + "/out", /*setFolders=*/true);
  ::rmdir((work + "/out").c_str());
  ::unlink((work + "/message.eml").c_str());
  ::unlink((work + "/box.mbox").c_str());
  ::unlink((work + "/md/cur/1.host").c_str());
  ::rmdir((work + "/md/cur").c_str());
  ::rmdir((work + "/md").c_str());
  ::rmdir(work.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (work.empty()) {
    work = MakeWorkDirectory();
    std::atexit(RemoveWorkDirectory);
    for (const char* sub : {"/out", "/md", "/md/cur"}) ::mkdir((work + sub).c_str(), 0700);
  }
  const std::string out = work + "/out";
  const std::string message = work + "/message.eml";
  WriteFile(message, "", data, size);

  fennimar::MimeParser parser;
  if (!parser.OpenSource(message).ok()) std::abort();
  parser.IsMime();
  if (parser.Parse() == fennimar::ParseOutcome::kOk) {
    int count = parser.PartCount();
    for (int k = 0; k < count && k < kMaxExtractedParts; ++k) {
      parser.ExtractPart(k, out + "/explicit");
      parser.ExtractPartToDirectory(k, out);
    }
  }
  parser.FindText("boundary", 0, fennimar::LetterCase::kIgnore, 0);
  parser.CloseSource();

  // The same bytes in the two mail stores, through the part extractor.
  WriteFile(work + "/box.mbox", "From fuzz@localhost Thu Jan  1 00:00:00 1970\n", data, size);
  WriteFile(work + "/md/cur/1.host", "", data, size);
  fennimar::PartExtractor extractor(out);
  extractor.AddSource(fennimar::ClassifySource(work + "/box.mbox"));
  extractor.AddSource(fennimar::ClassifySource(work + "/md"));
  for (const auto& result : extractor.results()) fennimar::ExtractResultText(result);

  // Nothing but what the fuzzer itself made may be in the work directory.
  if (Names(work).size() != 4) std::abort();
  EmptyDirectory(out, /*setFolders=*/true);
  return 0;
}
