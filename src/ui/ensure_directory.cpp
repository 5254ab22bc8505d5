#include "ui/ensure_directory.h"

#include "platform/directories.h"
#include "platform/file_status.h"
#include "ui/message_text.h"

namespace fennimar {

DirectoryOutcome EnsureDirectory(UserInterface& ui, const std::string& directory,
                                 std::string_view caption, DirectoryQuestion question) {
  if (KindOf(directory) == EntryKind::kDirectory) return DirectoryOutcome::kExists;
  constexpr std::string_view kQuestion = "Directory does not exist, create?";
  std::string text = question == DirectoryQuestion::kNamesDirectory
                         ? MessageText(kQuestion, directory)
                         : std::string(kQuestion);
  if (ui.ShowMessage(text, caption, MessageKind::kYesNo) != Answer::kYes) {
    return DirectoryOutcome::kDeclined;
  }
  auto made = MakeDirectory(directory);
  if (made) return DirectoryOutcome::kCreated;
  ui.ShowMessage(MessageText("Can not create directory", directory, made.error().Reason()), caption,
                 MessageKind::kOk);
  return DirectoryOutcome::kFailed;
}

}  // namespace fennimar
