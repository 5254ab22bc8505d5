#include "ui/ensure_directory.h"

#include "platform/fs.h"
#include "platform/system_error.h"
#include "ui/message_text.h"

namespace fennimar {

DirectoryOutcome EnsureDirectory(UserInterface& ui, const std::string& directory,
                                 std::string_view caption, DirectoryQuestion question) {
  if (IsDirectory(directory)) return DirectoryOutcome::kExists;
  constexpr std::string_view kQuestion = "Directory does not exist, create?";
  std::string text = question == DirectoryQuestion::kNamesDirectory
                         ? MessageText(kQuestion, directory)
                         : std::string(kQuestion);
  if (ui.ShowMessage(text, caption, MessageKind::kYesNo) != Answer::kYes) {
    return DirectoryOutcome::kDeclined;
  }
  if (MakeDirectory(directory)) return DirectoryOutcome::kCreated;
  // The reason is read before anything else can change it.
  std::string reason = LastErrorText();
  ui.ShowMessage(MessageText("Can not create directory", directory, reason), caption,
                 MessageKind::kOk);
  return DirectoryOutcome::kFailed;
}

}  // namespace fennimar
