#include "app/file_selection.h"

#include "app/command_ids.h"
#include "format/part_name.h"
#include "mail/store/mail_store.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/system_error.h"
#include "recovery/recovery_format.h"
#include "ui/message_text.h"
#include "ui/user_interface.h"

namespace fennimar::app {

using Line = fennimar::InfoLine;

std::string WithDefaultExtension(const std::string& path) {
  std::string name = FileNameOf(path);
  if (name.empty() || name.find('.') != std::string::npos) return path;
  return path + "." + std::string(kDefaultExtension);
}

std::string FileSizeText(std::int64_t size) { return " File size: " + std::to_string(size); }

// The third line is labelled "Target File" for what a merge writes; the file
// chosen here is a source, and is named as one.
std::string SelectedFileText(const std::string& path) { return " Selected File: " + path; }

bool FileSelection::Select(const std::string& path) {
  selection_.selectedPath = path;
  window_.EnableFileCommands(true);
  // A Maildir is a folder: it is taken whole, with no size of its own.
  if (MailStoreKindOf(path) == MailStoreKind::kMaildir) {
    selection_.fileSize = 0;
    return true;
  }
  auto file = File::OpenRead(path);
  if (!file) {
    ui_.ShowMessage(MessageText("Can not open file", path, file.error().Reason()), path,
                    MessageKind::kOkWarning);
    return false;
  }
  auto size = file->Size();
  selection_.fileSize = size ? *size : -1;
  return true;
}

void FileSelection::Chosen(const std::string& path) {
  ui_.SetInfoLine(Line::kTarget, SelectedFileText(path));
  if (!Select(path)) return;
  ui_.SetInfoLine(Line::kSize, FileSizeText(selection_.fileSize));
  window_.PostCommand(kIdToolbarWithFile);
  window_.Repaint();
}

void FileSelection::Cancelled() {
  ui_.SetInfoLine(Line::kDirectory, " Working directory:");
  ui_.SetInfoLine(Line::kTarget, " Target File:");
  ui_.SetInfoLine(Line::kSize, " File size:");
  ui_.SetInfoLine(Line::kStatus, "");
  window_.EnableFileCommands(false);
  window_.PostCommand(kIdToolbarWithoutFile);
  window_.Repaint();
}

void FileSelection::Dropped(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  if (!Select(paths.front())) return;
  // The part test reads the file's first two bytes; a part, a recovery file
  // (which stands for its set), or mail that may carry parts, starts the
  // merge and leaves the size line to it.
  const std::string& path = selection_.selectedPath;
  if (IsPartFile(path) || IsRecoveryFile(path) || MailStoreKindOf(path) != MailStoreKind::kNone) {
    window_.PostCommand(kIdMerge);
  } else {
    ui_.SetInfoLine(Line::kSize, FileSizeText(selection_.fileSize));
    ui_.SetInfoLine(Line::kTarget, SelectedFileText(path));
    window_.PostCommand(kIdSplit);
  }
  window_.PostCommand(kIdToolbarWithFile);
}

}  // namespace fennimar::app
