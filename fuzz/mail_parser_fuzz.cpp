// Fuzzes the MIME parser with arbitrary message files: parsing and extracting
// every part must neither crash nor write outside the chosen directory.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mail/mime_message.h"

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

// Removes every file in `directory`; a subdirectory there would mean the
// parser made one, which it must never do.
void EmptyDirectory(const std::string& directory) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) std::abort();
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (::unlink((directory + "/" + name).c_str()) != 0) std::abort();
  }
  ::closedir(dir);
}

std::string work;

void RemoveWorkDirectory() {
  EmptyDirectory(work + "/out");
  ::rmdir((work + "/out").c_str());
  ::unlink((work + "/message.eml").c_str());
  ::rmdir(work.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (work.empty()) {
    work = MakeWorkDirectory();
    std::atexit(RemoveWorkDirectory);
  }
  static const std::string out = [] {
    std::string path = work + "/out";
    ::mkdir(path.c_str(), 0700);
    return path;
  }();
  std::string message = work + "/message.eml";
  std::FILE* file = std::fopen(message.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  fennimar::MimeMessage parser;
  if (parser.OpenSource(message) != 0) std::abort();
  parser.IsMime();
  if (parser.Parse() == 0) {
    int count = parser.PartCount();
    for (int k = 0; k < count && k < kMaxExtractedParts; ++k) {
      parser.ExtractPart(k, out + "/explicit");
      parser.ExtractPartToDirectory(k, out);
    }
  }
  parser.FindText("boundary", 0, 0, 0);
  parser.CloseSource();
  EmptyDirectory(out);
  return 0;
}
