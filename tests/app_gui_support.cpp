#include "app_gui_support.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/evtloop.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "app/message_box.h"

namespace fennimar::testing {

void Settle() {
  for (int i = 0; i < 20; ++i) {
    wxTheApp->ProcessPendingEvents();
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_ALL);
    wxTheApp->ProcessIdle();
  }
}

AnsweredMessages::AnsweredMessages() {
  app::SetMessageAnswerer(
      [this](std::string_view text, std::string_view caption, MessageKind kind) {
        ShownMessage message{std::string(text), std::string(caption), kind};
        shown.push_back(message);
        if (onShown) onShown(message);
        if (kind == MessageKind::kOk || kind == MessageKind::kOkWarning) return Answer::kOk;
        if (answers.empty()) {
          ADD_FAILURE() << "no answer for \"" << text << "\" (" << caption << ")";
          return IsYesNo(kind) ? Answer::kNo : Answer::kCancel;
        }
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
      });
}

AnsweredMessages::~AnsweredMessages() { app::SetMessageAnswerer(nullptr); }

std::vector<std::string> AnsweredMessages::Texts() const {
  std::vector<std::string> texts;
  for (const auto& m : shown) texts.push_back(m.text);
  return texts;
}

wxDialog* ModalDialog() {
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    if (dialog && dialog->IsModal() && dialog->IsShown()) return dialog;
  }
  return nullptr;
}

namespace {

class Poller;
std::set<Poller*>& Pollers() {
  static std::set<Poller*> pollers;
  return pollers;
}

// Polls with a timer so that it runs inside any event loop, including the
// nested ones of modal dialogs and of the engine's pump. Deletes itself.
class Poller : public wxEvtHandler {
 public:
  Poller(std::function<bool()> ready, std::function<void()> action, double seconds)
      : ready_(std::move(ready)),
        action_(std::move(action)),
        timer_(this),
        triesLeft_(static_cast<int>(seconds * 1000 / kIntervalMs)) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
    timer_.Start(kIntervalMs);
    Pollers().insert(this);
  }
  ~Poller() override { Pollers().erase(this); }

  void Cancel() {
    timer_.Stop();
    Pollers().erase(this);
    wxTheApp->ScheduleForDestruction(this);
  }

 private:
  static constexpr int kIntervalMs = 1;

  void Tick() {
    if (ready_()) {
      auto action = std::move(action_);
      Cancel();
      action();
      return;
    }
    if (--triesLeft_ > 0) return;
    Cancel();
    ADD_FAILURE() << "what the test waited for did not come";
    if (wxDialog* dialog = ModalDialog()) dialog->EndModal(wxID_CANCEL);
  }

  std::function<bool()> ready_;
  std::function<void()> action_;
  wxTimer timer_;
  int triesLeft_;
};

}  // namespace

void CancelWaits() {
  std::set<Poller*> pollers = Pollers();
  for (Poller* poller : pollers) poller->Cancel();
}

void WhenReady(std::function<bool()> ready, std::function<void()> action, double seconds) {
  new Poller(std::move(ready), std::move(action), seconds);
}

void WhenModal(std::function<void(wxDialog&)> action, double seconds) {
  WhenReady([] { return ModalDialog() != nullptr; },
            [action = std::move(action)] { action(*ModalDialog()); }, seconds);
}

namespace {

wxWindow& Control(wxWindow& parent, int id) {
  wxWindow* control = parent.FindWindow(id);
  if (!control) {
    // Inside an event handler nothing may be thrown; a missing control is a
    // broken test anyway.
    fprintf(stderr, "no control with id %d in %s\n", id, parent.GetLabel().utf8_string().c_str());
    std::abort();
  }
  return *control;
}

}  // namespace

void Click(wxWindow& parent, int id) {
  wxWindow& control = Control(parent, id);
  if (auto* radio = dynamic_cast<wxRadioButton*>(&control)) {
    radio->SetValue(true);
    wxCommandEvent event(wxEVT_RADIOBUTTON, id);
    event.SetEventObject(radio);
    event.SetInt(1);
    radio->GetEventHandler()->ProcessEvent(event);
  } else if (auto* check = dynamic_cast<wxCheckBox*>(&control)) {
    SetCheck(parent, id, !check->GetValue());
  } else {
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(&control);
    control.GetEventHandler()->ProcessEvent(event);
  }
}

void SetCheck(wxWindow& parent, int id, bool checked) {
  auto* check = dynamic_cast<wxCheckBox*>(&Control(parent, id));
  ASSERT_NE(check, nullptr);
  check->SetValue(checked);
  wxCommandEvent event(wxEVT_CHECKBOX, id);
  event.SetEventObject(check);
  event.SetInt(checked ? 1 : 0);
  check->GetEventHandler()->ProcessEvent(event);
}

void Type(wxWindow& parent, int id, const std::string& text) {
  if (auto* spin = dynamic_cast<wxSpinCtrl*>(&Control(parent, id))) {
    spin->SetValue(wxString::FromUTF8(text));
    return;
  }
  auto* field = dynamic_cast<wxTextCtrl*>(&Control(parent, id));
  ASSERT_NE(field, nullptr);
  field->SetValue(wxString::FromUTF8(text));  // sends the text event, as typing does
}

std::string TextOf(wxWindow& parent, int id) {
  wxWindow& control = Control(parent, id);
  if (auto* field = dynamic_cast<wxTextCtrl*>(&control)) return field->GetValue().utf8_string();
  if (auto* spin = dynamic_cast<wxSpinCtrl*>(&control)) return std::to_string(spin->GetValue());
  if (auto* label = dynamic_cast<wxStaticText*>(&control)) {
    return label->GetLabelText().utf8_string();
  }
  return control.GetLabel().utf8_string();
}

bool IsBeside(wxWindow& parent, int fieldId, int buttonId) {
  wxWindow& field = Control(parent, fieldId);
  wxWindow& button = Control(parent, buttonId);
  // In their parent's coordinates, which the window manager does not move.
  wxRect f = field.GetRect();
  wxRect b = button.GetRect();
  int middle = b.y + b.height / 2;
  return button.IsShown() && button.GetParent() == field.GetParent() && b.x >= f.GetRight() &&
         middle >= f.y && middle <= f.GetBottom();
}

bool IsChecked(wxWindow& parent, int id) {
  wxWindow& control = Control(parent, id);
  if (auto* radio = dynamic_cast<wxRadioButton*>(&control)) return radio->GetValue();
  if (auto* check = dynamic_cast<wxCheckBox*>(&control)) return check->GetValue();
  ADD_FAILURE() << "control " << id << " has no check";
  return false;
}

bool IsShown(wxWindow& parent, int id) { return Control(parent, id).IsShown(); }

}  // namespace fennimar::testing
