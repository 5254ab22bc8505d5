#include "mail/store/mail_store.h"

#include <algorithm>
#include <vector>

#include "mail/mime/line_reader.h"
#include "mail/mime/mail_date.h"
#include "mail/mime/mime_header.h"
#include "mail/mime/mime_parser.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/system_error.h"

namespace fennimar {
namespace {

constexpr std::string_view kMboxSeparator = "From ";

bool ForEachMboxMessage(const std::string& path,
                        const std::function<bool(const StoredMessage&)>& visit) {
  auto file = File::OpenRead(path);
  if (!file) return false;
  auto length = file->Size();
  if (!length) return false;
  std::int64_t size = *length;
  LineReader reader(*file, 0, size);
  Line line;
  if (!reader.NextStartingWith(kMboxSeparator, line)) return !reader.failed();
  std::int64_t start = line.next;
  for (;;) {
    bool more = reader.NextStartingWith(kMboxSeparator, line);
    if (reader.failed()) return false;
    // The line end before the next "From " line separates; it is no part of
    // the message.
    std::int64_t end = more ? line.start - line.precedingEnd : size;
    if (!visit({path, start, std::max(start, end) - start, true})) return true;
    if (!more) return true;
    start = line.next;
  }
}

bool ForEachMaildirMessage(const std::string& path,
                           const std::function<bool(const StoredMessage&)>& visit) {
  bool any = false;
  for (const char* sub : {"cur", "new"}) {
    std::string folder = JoinPath(path, sub);
    if (KindOf(folder) != EntryKind::kDirectory) continue;
    any = true;
    auto listed = DirectoryEntries(folder);
    if (!listed) continue;
    std::vector<std::string> names = std::move(*listed);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      std::string file = JoinPath(folder, name);
      // Dot files are the mail program's own; links are not followed.
      if (name[0] == '.' || (KindOf(file, Links::kTakeAsIs) == EntryKind::kSymbolicLink) ||
          KindOf(file) != EntryKind::kRegular)
        continue;
      auto status = StatusOf(file);
      if (!status) continue;
      if (!visit({file, 0, status->size, false})) return true;
    }
  }
  return any;
}

}  // namespace

MailStoreKind MailStoreKindOf(const std::string& path) {
  if ((KindOf(path) == EntryKind::kDirectory)) {
    return (KindOf(JoinPath(path, "cur")) == EntryKind::kDirectory) ||
                   (KindOf(JoinPath(path, "new")) == EntryKind::kDirectory)
               ? MailStoreKind::kMaildir
               : MailStoreKind::kNone;
  }
  // Only a regular file is read: opening a FIFO would wait for a writer.
  if (KindOf(path) != EntryKind::kRegular) return MailStoreKind::kNone;
  auto file = File::OpenRead(path);
  char start[5] = {};
  if (!file || !file->ReadAll(start, sizeof start)) return MailStoreKind::kNone;
  if (std::string_view(start, sizeof start) == kMboxSeparator) return MailStoreKind::kMbox;
  (void)file->Close();
  MimeParser parser;
  if (!parser.OpenSource(path, 0, kMailSniffSize, false).ok()) return MailStoreKind::kNone;
  return parser.IsMime() ? MailStoreKind::kMessage : MailStoreKind::kNone;
}

std::optional<SystemError> SourceOpenError(const std::string& path) {
  if (KindOf(path) != EntryKind::kRegular) return std::nullopt;
  auto file = File::OpenRead(path);
  if (file) return std::nullopt;
  return file.error();
}

std::optional<std::int64_t> MessageDate(const StoredMessage& message) {
  auto file = File::OpenRead(message.path);
  if (!file || !file->Seek(message.offset)) return std::nullopt;
  // The header block ends at the first empty line; only so much of it is read.
  std::string head(
      static_cast<std::size_t>(std::min<std::int64_t>(message.length, kMaxHeaderBytes)), '\0');
  auto got = file->Read(head.data(), head.size());
  if (!got) return std::nullopt;
  head.resize(*got);
  MimeHeader header;
  std::string_view rest = head;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || end == std::string_view::npos) break;
    header.AddLine(line);
    rest.remove_prefix(end + 1);
  }
  return ParseMailDate(header.Field("Date"));
}

bool ForEachMessage(const std::string& path, MailStoreKind kind,
                    const std::function<bool(const StoredMessage&)>& visit) {
  switch (kind) {
    case MailStoreKind::kMessage: {
      auto status = StatusOf(path);
      if (!status) return false;
      visit({path, 0, status->size, false});
      return true;
    }
    case MailStoreKind::kMbox:
      return ForEachMboxMessage(path, visit);
    case MailStoreKind::kMaildir:
      return ForEachMaildirMessage(path, visit);
    case MailStoreKind::kNone:
      break;
  }
  return false;
}

}  // namespace fennimar
