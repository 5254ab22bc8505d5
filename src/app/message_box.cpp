#include "app/message_box.h"

#include <wx/msgdlg.h>

namespace fennimar::app {
namespace {

MessageAnswerer& Answerer() {
  static MessageAnswerer answerer;
  return answerer;
}

}  // namespace

void SetMessageAnswerer(MessageAnswerer answerer) { Answerer() = std::move(answerer); }

Answer ShowMessageBox(wxWindow* owner, std::string_view text, std::string_view caption,
                      MessageKind kind) {
  if (Answerer()) return Answerer()(text, caption, kind);
  long style = 0;
  switch (kind) {
    case MessageKind::kOk:
      style = wxOK;
      break;
    case MessageKind::kOkWarning:
      style = wxOK | wxICON_WARNING;
      break;
    case MessageKind::kYesNo:
      style = wxYES_NO | wxICON_QUESTION;
      break;
    case MessageKind::kYesNoDefaultNo:
    case MessageKind::kYesNoOwnAnswer:
      style = wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION;
      break;
    case MessageKind::kRetryCancel:
      style = wxOK | wxCANCEL | wxICON_QUESTION;
      break;
  }
  // The desktop's native message box no longer shows an icon; this one shows
  // the theme's warning and question icons, so that a warning looks like one.
  wxGenericMessageDialog box(owner, wxString::FromUTF8(text.data(), text.size()),
                             wxString::FromUTF8(caption.data(), caption.size()), style);
  if (kind == MessageKind::kRetryCancel) box.SetOKCancelLabels("&Retry", "&Cancel");
  // Without a Cancel button this dialog takes Escape as its affirmative button,
  // Yes; Escape must never stop a run or overwrite a file.
  if (IsYesNo(kind)) box.SetEscapeId(wxID_NO);
  switch (box.ShowModal()) {
    case wxID_YES:
      return Answer::kYes;
    case wxID_NO:
      return Answer::kNo;
    case wxID_CANCEL:
      return IsYesNo(kind) ? Answer::kNo : Answer::kCancel;
    default:
      return kind == MessageKind::kRetryCancel ? Answer::kRetry : Answer::kOk;
  }
}

}  // namespace fennimar::app
