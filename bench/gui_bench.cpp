// Times the desktop program's split or merge of one file: the real main
// window and dialogs on the display, driven as a user would (the dialog's
// proposal, a directory typed in, OK). Prints the seconds from OK until the
// engine has ended and its progress window is gone.
//
// Usage: gui_bench split SOURCE DIRECTORY
//        gui_bench merge PART00 DIRECTORY
// The settings (XDG_CONFIG_HOME) choose the part size; bench/gui.sh sets them.
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/command_ids.h"
#include "app/main_window.h"
#include "app/merge_dialog.h"
#include "app/message_box.h"
#include "app/split_dialog.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchApp : public wxApp {
 public:
  bool OnInit() override {
    SetExitOnFrameDelete(false);
    return true;
  }
};

wxDialog* ModalDialog() {
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    if (dialog && dialog->IsModal() && dialog->IsShown()) return dialog;
  }
  return nullptr;
}

// Once the command's dialog shows: types the directory and presses OK,
// noting the moment.
class DialogDriver : public wxEvtHandler {
 public:
  DialogDriver(int directoryField, std::string directory, Clock::time_point& pressed)
      : field_(directoryField), directory_(std::move(directory)), pressed_(pressed), timer_(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
    timer_.Start(1);
  }

 private:
  void Tick() {
    wxDialog* dialog = ModalDialog();
    if (!dialog) return;
    timer_.Stop();
    auto* field = dynamic_cast<wxTextCtrl*>(dialog->FindWindow(field_));
    if (field) field->ChangeValue(wxString::FromUTF8(directory_));
    wxWindow* ok = dialog->FindWindow(wxID_OK);
    wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
    click.SetEventObject(ok);
    pressed_ = Clock::now();
    ok->GetEventHandler()->ProcessEvent(click);
  }

  int field_;
  std::string directory_;
  Clock::time_point& pressed_;
  wxTimer timer_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::string(argv[1]) != "split" && std::string(argv[1]) != "merge")) {
    std::fprintf(stderr, "usage: gui_bench split|merge FILE DIRECTORY\n");
    return 2;
  }
  const bool split = std::string(argv[1]) == "split";
  const std::string file = argv[2];
  const std::string directory = argv[3];
  wxApp::SetInstance(new BenchApp);
  int wxArgc = 1;
  if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "gui_bench: no display\n");
    return 1;
  }
  int status = 0;
  {
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);
    using namespace fennimar;
    // A message box would wait for a user: report it and answer it.
    app::SetMessageAnswerer([&status](std::string_view text, std::string_view caption,
                                      MessageKind kind) {
      std::fprintf(stderr, "gui_bench: message \"%.*s\" (%.*s)\n", static_cast<int>(text.size()),
                   text.data(), static_cast<int>(caption.size()), caption.data());
      status = 1;
      return kind == MessageKind::kYesNo ? Answer::kYes : Answer::kOk;
    });
    app::MainWindow* window = app::MainWindow::Start(app::MeasureTextLineHeight());
    window->SetFileChooser([file](wxWindow*) { return std::optional<std::string>(file); });
    wxCommandEvent select(wxEVT_MENU, app::kIdSelectFile);
    window->GetEventHandler()->ProcessEvent(select);
    for (int i = 0; i < 50; ++i) loop.YieldFor(wxEVT_CATEGORY_ALL);

    Clock::time_point pressed;
    DialogDriver driver(split ? app::kIdSplitDirectoryField : app::kIdMergeDirectoryField,
                        directory, pressed);
    wxCommandEvent run(wxEVT_MENU, split ? app::kIdSplit : app::kIdMerge);
    window->GetEventHandler()->ProcessEvent(run);
    std::chrono::duration<double> took = Clock::now() - pressed;
    std::printf("%.3f\n", took.count());
    window->Destroy();
    app::SetMessageAnswerer(nullptr);
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return status;
}
