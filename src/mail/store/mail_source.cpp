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
  return source;
}

}  // namespace fennimar
