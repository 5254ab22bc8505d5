// Helpers of the GUI tests: a wx application without its own windows, event
// settling, answered message boxes, and driving the real dialogs while they
// run modally.
#pragma once

#include <wx/dialog.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "scripted_ui.h"
#include "ui/user_interface.h"

namespace fennimar::testing {

// Dispatches pending and queued events until none is left (bounded).
void Settle();

// Answers every message box of the program while it lives: OK boxes with OK,
// questions from `answers` in order (a question without an answer fails the
// test and is answered No or Cancel). Records what was shown.
class AnsweredMessages {
 public:
  AnsweredMessages();
  ~AnsweredMessages();
  std::deque<Answer> answers;
  std::vector<ShownMessage> shown;
  std::vector<std::string> Texts() const;
  // Called for every box before it is answered.
  std::function<void(const ShownMessage&)> onShown;
};

// Runs `action` once `ready` holds, looking every few milliseconds from
// whatever event loop runs (a modal dialog's, the engine's pump). Fails the
// test after `seconds`, closing any modal dialog so that nothing hangs.
void WhenReady(std::function<bool()> ready, std::function<void()> action, double seconds = 10);
// Forgets every wait that has not come yet.
void CancelWaits();
// Runs `action` on the next modal dialog once it is shown.
void WhenModal(std::function<void(wxDialog&)> action, double seconds = 10);
// The modal dialog shown now; null when none.
wxDialog* ModalDialog();

// Plays the user on a control of `parent` found by id: a click on a button,
// a radio button or a check box (checking it), or typing into a text field.
void Click(wxWindow& parent, int id);
void SetCheck(wxWindow& parent, int id, bool checked);
void Type(wxWindow& parent, int id, const std::string& text);
std::string TextOf(wxWindow& parent, int id);
bool IsChecked(wxWindow& parent, int id);
bool IsShown(wxWindow& parent, int id);
// True when the button `buttonId` is shown right of the field `fieldId`, on
// its row.
bool IsBeside(wxWindow& parent, int fieldId, int buttonId);

}  // namespace fennimar::testing
