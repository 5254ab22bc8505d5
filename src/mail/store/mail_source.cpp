#include "mail/store/mail_source.h"

#include "format/part_name.h"
#include "platform/file_status.h"

namespace fennimar {

MailSource ClassifySource(const std::string& path) {
  MailSource source;
  source.path = path;
  source.label = path;
  source.partFile = (KindOf(path) == EntryKind::kRegular) && IsPartFile(path);
  source.store = MailStoreKindOf(path);
  source.unreadable = SourceOpenError(path);
  // Nothing there is told as the system tells it, before anything is made
  // for a source that cannot be read.
  if (auto status = StatusOf(path); !status) source.unreadable = status.error();
  return source;
}

}  // namespace fennimar
