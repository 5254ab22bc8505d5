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

#include "mail/mime_message.h"

namespace {

constexpr int kMaxExtractedParts = 8;

std::string MakeWorkDirectory() {
  char pattern[] = "/tmp/mail_parser_fuzz.XXXXXX";
  const char* made = ::mkdtemp(pattern);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string work = MakeWorkDirectory();
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
