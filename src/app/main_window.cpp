#include "app/main_window.h"

#include <wx/image.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <algorithm>

#include "app/about_dialog.h"
#include "app/accessible_name.h"
#include "app/command_ids.h"
#include "app/defaults_dialog.h"
#include "app/defaults_form.h"
#include "app/file_dialog.h"
#include "app/help.h"
#include "app/images.h"
#include "app/info_line_label.h"
#include "app/message_box.h"
#include "app/named_status_bar.h"
#include "app/progress_window.h"
#include "app/window_metrics.h"
#include "mail/smtp/smtp_part_mailer.h"
#include "mail/store/mail_join.h"
#include "mail/store/mail_store.h"
#include "merge/merge_engine.h"
#include "platform/keyring.h"
#include "platform/system_error.h"
#include "settings/setting_values.h"
#include "settings/settings_keys.h"
#include "split/split_engine.h"
#include "ui/progress_dialog.h"

namespace fennimar::app {
namespace {

// The status bar's panes: the prompts of the menu items, then the three
// lock keys.
constexpr int kKeyPaneCount = 3;
constexpr const char* kKeyPaneTexts[kKeyPaneCount] = {"CAP", "NUM", "SCRL"};
constexpr wxKeyCode kLockKeys[kKeyPaneCount] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};

// A transparent picture of a button's size, for a place holder.
wxBitmap EmptyToolImage() {
  wxImage empty(kToolbarImageSize, kToolbarImageSize);
  empty.InitAlpha();
  std::fill_n(empty.GetAlpha(), kToolbarImageSize * kToolbarImageSize, 0);
  return wxBitmap(empty);
}

}  // namespace

MainWindow::MainWindow(int textLineHeight)
    : wxFrame(nullptr, wxID_ANY, kWindowTitle, wxPoint(kWindowLeft, kWindowTop), wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      lineHeight_(textLineHeight),
      settings_(SettingsStore::ForUser()),
      ui_(*this),
      selection_(ui_, *this),
      chooseFile_([this](wxWindow* owner) {
        // The dialog opens in the folder of the file selected now.
        OpenFileDialog dialog(owner, selection_.selection().selectedPath);
        return dialog.Choose();
      }) {
  SetIcons(ProgramIcons());
  CreateMenus();
  CreateBars();
  // The lines lie on a panel painted in the menu colour, under the toolbar;
  // the window is as high as the four lines with half a line around them.
  // (Nameless: Windows would give a screen reader the name as its text.)
  panel_ = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, "");
  panel_->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_MENU));
  // Painted by the toolkit alone: a window that may be erased by the program
  // makes every repaint ask the toolkit's style for its font and colours.
  SetBackgroundStyle(wxBG_STYLE_SYSTEM);
  panel_->SetBackgroundStyle(wxBG_STYLE_SYSTEM);
  // The width is given at 96 dpi: on a screen of more, it grows with the
  // font, or the information lines would cut their texts short.
  SetClientSize(FromDIP(kWindowWidth),
                kInfoLineCount * ScaleLineHeight(lineHeight_) + ScaleLineHeight(lineHeight_) / 2);
  // Fixed size: no sizing border, no maximize box.
  SetMinSize(GetSize());
  SetMaxSize(GetSize());

  auto drop = [this](const std::vector<std::string>& paths) { DropFiles(paths); };
  SetDropTarget(new FileDropForwarder(drop));
  panel_->SetDropTarget(new FileDropForwarder(drop));

  Bind(wxEVT_MENU, &MainWindow::OnCommand, this);
  Bind(wxEVT_CLOSE_WINDOW, &MainWindow::OnClose, this);
  Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
    // Each look at the keys asks the X server and waits for its answer.
    // During a run an idle event follows every pump of the engine, so the
    // keys are looked at only a few times a second then.
    auto now = std::chrono::steady_clock::now();
    if (!running_ || now - keysShown_ >= kKeyStateInterval) {
      keysShown_ = now;
      ShowKeyStates();
    }
    event.Skip();
  });
}

MainWindow* MainWindow::Start(int textLineHeight) {
  namespace s = settings;
  // The commands enable the menus and the toolbar themselves; no window asks
  // for update events, which would walk every item at each handling of events.
  wxUpdateUIEvent::SetMode(wxUPDATE_UI_PROCESS_SPECIFIED);
  auto* window = new MainWindow(textLineHeight);
  std::string minimized = window->settings_.ReadSetting(
      s::kSection, s::kMinimized, s::kMinimizedFallbackAtStart, s::kShortValue);
  window->runMinimizedItem_->Check(s::ParseMinimized(minimized));

  window->lineHeight_ = ScaleLineHeight(textLineHeight);
  minimized = window->settings_.ReadSetting(s::kSection, s::kMinimized,
                                            s::kMinimizedFallbackAtStart, s::kShortValue);
  if (s::ParseMinimized(minimized)) window->Iconize(true);
  window->Show();
  // The text read goes back as it was, so that the key exists after the first run.
  window->settings_.WriteSetting(s::kSection, s::kMinimized, minimized);
  window->Update();
  window->CreateInfoLines();
  window->ui_.PrepareProgress();
  return window;
}

void MainWindow::CreateMenus() {
  auto* file = new wxMenu;
  file->Append(kIdSelectFile, "Select &File\tF2", "Select File For Split/Merge");
  file->Append(kIdOpen, "&Open...\tCtrl+O", "Select File For Split/Merge");
  splitItem_ = file->Append(kIdSplit, "&Split File\tF3", "Split selected file");
  mergeItem_ = file->Append(kIdMerge, "&Merge File\tF4", "Merge selected file");
  file->AppendSeparator();
  file->Append(kIdQuit, "&Quit\tCtrl+Q", "Close the window and end the program");
  auto* setup = new wxMenu;
  runMinimizedItem_ = setup->AppendCheckItem(kIdRunMinimized, "&Run Minimized\tF6");
  // "setings": the prompt's own spelling, kept on purpose.
  setup->Append(kIdDefaults, "&Defaults\tF7", "Change default setings");
  auto* help = new wxMenu;
  help->Append(kIdHelp, "&Help \tF1", "Display Help");
  help->Append(kIdHomePage, "Home Page\tF8");
  help->Append(kIdAbout, "&About Fennimar...\tF5", "About Dialog");
  auto* bar = new wxMenuBar;
  bar->Append(file, "&File");
  bar->Append(setup, "&Setup");
  bar->Append(help, "&Help");
  SetMenuBar(bar);
  EnableFileCommands(false);
}

void MainWindow::CreateBars() {
  // Each button's tooltip is its command's prompt. The pictures are drawn
  // at the screen's scale: the toolbar takes their size from them.
  CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT);
  ApplyToolbar(ToolbarWithoutFile());

  // A bar of our own, so that a screen reader reads its texts too.
  auto* status = new NamedStatusBar(this);
  status->SetFieldsCount(1 + kKeyPaneCount);
  SetStatusBar(status);
  int widths[1 + kKeyPaneCount] = {-1};
  for (int i = 0; i < kKeyPaneCount; ++i) {
    widths[1 + i] = status->GetTextExtent(kKeyPaneTexts[i]).x + FromDIP(16);
  }
  status->SetStatusWidths(1 + kKeyPaneCount, widths);
  SetStatusText("", 0);
  ShowKeyStates();
}

void MainWindow::ApplyToolbar(const ToolbarLayout& layout) {
  wxToolBar* bar = GetToolBar();
  if (!bar) return;
  layout_ = &layout;
  bar->ClearTools();
  const ToolbarLayout& full = ToolbarWithFile();
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const ToolbarSlot& slot = layout[i];
    if (!slot.IsSeparator()) {
      wxString prompt = GetMenuBar()->GetHelpString(slot.id);
      bar->AddTool(slot.id, "", ToolbarImage(slot.image), prompt);
      bar->SetToolLongHelp(slot.id, prompt);
    } else if (!full[i].IsSeparator()) {
      // Where the other layout has a button, an empty place of a button's
      // size keeps every button where it stands in both layouts.
      int id = kIdToolbarPlaceholder + static_cast<int>(i);
      bar->AddTool(id, "", EmptyToolImage());
      bar->EnableTool(id, false);
    } else {
      bar->AddSeparator();
    }
  }
  bar->Realize();
  // A button shows only a picture: a screen reader names it by its tooltip.
  for (std::size_t i = 0; i < layout.size(); ++i) {
    if (layout[i].IsSeparator() && full[i].IsSeparator()) continue;
    wxString name = layout[i].IsSeparator() ? wxString() : bar->GetToolShortHelp(layout[i].id);
    SetToolAccessibleName(bar, static_cast<int>(i), name);
  }
  bar->Refresh();
}

void MainWindow::CreateInfoLines() {
  static constexpr const char* kInitialTexts[kInfoLineCount] = {
      " Working directory:", " File size:", " Target File:", " "};
  auto drop = [this](const std::vector<std::string>& paths) { DropFiles(paths); };
  // A little room above the first line and left of every text, so that a
  // text without a leading blank does not touch the frame.
  int margin = lineHeight_ / 4;
  int indent = FromDIP(3);
  for (int i = 0; i < kInfoLineCount; ++i) {
    lines_[i] =
        new InfoLineLabel(panel_, indent, margin + i * lineHeight_,
                          FromDIP(kWindowWidth) - 2 * indent, lineHeight_, kInitialTexts[i], drop);
  }
}

void MainWindow::ShowKeyStates() {
  wxStatusBar* status = GetStatusBar();
  if (!status) return;
  for (int i = 0; i < kKeyPaneCount; ++i) {
    bool on = wxGetKeyState(kLockKeys[i]);
    if (on != keyStates_[i] || status->GetStatusText(1 + i).empty() == on) {
      keyStates_[i] = on;
      status->SetStatusText(on ? kKeyPaneTexts[i] : "", 1 + i);
    }
  }
}

std::string MainWindow::LineText(fennimar::InfoLine line) const {
  InfoLineLabel* control = lines_[static_cast<int>(line)];
  return control ? control->Text() : std::string();
}

void MainWindow::SetLine(fennimar::InfoLine line, std::string_view text) {
  if (InfoLineLabel* control = lines_[static_cast<int>(line)]) control->SetText(std::string(text));
}

void MainWindow::EnableFileCommands(bool enabled) {
  splitItem_->Enable(enabled);
  mergeItem_->Enable(enabled);
}

void MainWindow::PostCommand(int id) { wxQueueEvent(this, new wxCommandEvent(wxEVT_MENU, id)); }

void MainWindow::Repaint() {
  Refresh();
  Update();
}

void MainWindow::DropFiles(const std::vector<std::string>& paths) {
  // A drop while a split or a merge runs, or while a dialog is open, is
  // refused like any other command.
  if (Busy()) {
    wxBell();
    return;
  }
  // Handled after the drag-and-drop exchange has ended, so that a message
  // box does not hold the file manager up.
  CallAfter([this, paths] {
    if (!Busy()) selection_.Dropped(paths);
  });
}

void MainWindow::OnCommand(wxCommandEvent& event) {
  // The layouts only mirror the selection, and they arrive while the split
  // or merge that a drop started still has its dialog open: never refused.
  if (event.GetId() == kIdToolbarWithoutFile || event.GetId() == kIdToolbarWithFile) {
    ApplyToolbar(event.GetId() == kIdToolbarWithFile ? ToolbarWithFile() : ToolbarWithoutFile());
    return;
  }
  // Quit is the close box by key: while a split or a merge runs it asks to
  // stop as the close box does. With a command's dialog open it is refused
  // below, as the window must outlive that dialog.
  if (event.GetId() == kIdQuit && !dialogOpen_) {
    Close();
    return;
  }
  if (Busy()) {
    wxBell();
    return;
  }
  switch (event.GetId()) {
    case kIdSelectFile:
    case kIdOpen:
      SelectFile();
      break;
    case kIdSplit:
      // A greyed item's accelerator does nothing.
      if (splitItem_->IsEnabled()) Split();
      break;
    case kIdMerge:
      if (mergeItem_->IsEnabled()) Merge();
      break;
    case kIdRunMinimized:
      ToggleRunMinimized();
      break;
    case kIdDefaults:
      Defaults();
      break;
    case kIdHelp:
      Help();
      break;
    case kIdHomePage:
      HomePage();
      break;
    case kIdAbout:
      About();
      break;
    default:
      event.Skip();
  }
}

void MainWindow::RunDialog(const std::function<void()>& show) {
  dialogOpen_ = true;
  show();
  dialogOpen_ = false;
}

void MainWindow::SelectFile() {
  std::optional<std::string> path;
  RunDialog([this, &path] { path = chooseFile_(this); });
  if (path) {
    selection_.Chosen(*path);
  } else {
    selection_.Cancelled();
  }
}

void MainWindow::RunEngine(const std::function<void()>& run) {
  running_ = true;
  run();
  running_ = false;
  if (closeAfterRun_) Destroy();
}

void MainWindow::Split() {
  // The engine works on a copy: nothing it reads can change under it.
  Selection selection = selection_.selection();
  RunEngine([this, &selection] {
    // The password lives in the desktop's keyring, never in the settings.
    SmtpPartMailer mailer(
        settings_, kWindowTitle,
        [](const std::string& user, const std::string& server, const KeepWaiting&) {
          auto found = LookupSmtpPassword(user, server);
          if (!found) return PasswordAnswer{std::nullopt, found.error().Reason()};
          return PasswordAnswer{*found, {}};
        });
    SplitEngine engine(ui_, settings_, drives_, &mailer);
    // A mailing that fails at a part offers to send the rest.
    engine.OfferMailResume(true);
    engine.Run(selection);
  });
}

void MainWindow::Merge() {
  Selection selection = selection_.selection();
  RunEngine([this, &selection] {
    // The parts of mail come out of it into a temporary directory first.
    if (MailSource source = ClassifySource(selection.selectedPath); source.IsMail()) {
      JoinFromMail(ui_, settings_, drives_, {source});
      return;
    }
    MergeEngine engine(ui_, settings_, drives_);
    engine.Run(selection);
  });
}

void MainWindow::ToggleRunMinimized() {
  namespace s = settings;
  bool next = !s::ParseMinimized(settings_.ReadSetting(
      s::kSection, s::kMinimized, s::kMinimizedFallbackForToggle, s::kShortValue));
  runMinimizedItem_->Check(next);
  settings_.WriteSetting(s::kSection, s::kMinimized, s::FormatMinimized(next));
}

void MainWindow::Defaults() {
  DefaultsForm form(ui_, settings_, wxGetHomeDir().utf8_string(), StoreSmtpPassword);
  form.Open();
  DefaultsDialog dialog(this, form);
  RunDialog([this, &dialog] { ui_.RunModal(dialog); });
}

void MainWindow::Help() { manual_.Show(); }

void MainWindow::HomePage() {
  // Without a public address, the manual's page about the program is its home.
  if (!manual_.Show(kManualAboutPage)) {
    ShowMessageBox(this, "The manual is not installed", "Home Page", MessageKind::kOk);
  }
}

void MainWindow::About() {
  AboutDialog dialog(this);
  RunDialog([&dialog] { dialog.ShowModal(); });
}

void MainWindow::OnClose(wxCloseEvent& event) {
  if (!running_) {
    Destroy();
    return;
  }
  // The engine still uses this window: ask like Stop, and close once the
  // engine has ended.
  if (event.CanVeto()) event.Veto();
  if (ProgressWindow* progress = ui_.progressWindow()) {
    progress->Stop();
    closeAfterRun_ = closeAfterRun_ || progress->progress()->stopRequested();
  } else if (ShowMessageBox(this, "Do you really want stop?", "Fennimar", MessageKind::kYesNo) ==
             Answer::kYes) {
    closeAfterRun_ = true;
  }
}

}  // namespace fennimar::app
