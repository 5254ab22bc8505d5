// ProgressDialog: the state of the progress window that a split or a merge
// shows while it copies (status text, percentage, bar, Stop), and the
// block-loop protocol both engines follow:
//
//   before the loop   create the ProgressDialog, SetStatusText
//   every block       leave if stopRequested(); copy at most kCopyBlockSize
//                     bytes; SetPercent(PercentOf(done, total)); ui.Pump()
//   after the loop    if stopRequested(): status line " Aborted"
//
// CopyPartData (copy/part_data_copy.h) runs the loop for both.
//
// Creating the object shows the window through the UserInterface; destroying
// it hides the window. The window never closes itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fennimar {

class UserInterface;

// The largest block copied between two looks at stopRequested.
inline constexpr std::size_t kCopyBlockSize = 32000;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  bool operator==(const Rect&) const = default;
};

// The bar as painted into a client rectangle: its frame, the filled part and
// the empty inside to the right of it.
struct BarGeometry {
  Rect bar, filled, empty;
};

// done * 100 / total in integer division, without overflow; 0 when total is 0.
int PercentOf(std::int64_t done, std::int64_t total);

// Asks "Do you really want stop?"; true on Yes. The one question behind
// every Stop a person asks for, the button's or a terminal's Ctrl-C.
bool AskToStopRun(UserInterface& ui);

class ProgressDialog {
 public:
  explicit ProgressDialog(UserInterface& ui);
  ~ProgressDialog();
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  void SetStatusText(std::string text);
  // Shows p as the percentage.
  void SetPercent(int p);
  // The Stop button: asks (AskToStopRun) and on Yes sets stopRequested,
  // which stays set for this dialog's life.
  void Stop();
  // A Stop that needs no question: the user asked for it where no question
  // can be answered (a signal to a program without a terminal).
  void StopConfirmed() { stopRequested_ = true; }

  const std::string& statusText() const { return statusText_; }
  int percent() const { return percent_; }
  bool stopRequested() const { return stopRequested_; }

  // The bar inside a client rectangle: 5 pixels in from each side, from 48 to
  // 28 pixels above the bottom; filled width = bar width * percent / 100.
  static BarGeometry Geometry(Rect client, int percent);

 private:
  UserInterface& ui_;
  std::string statusText_;
  int percent_ = 0;
  bool stopRequested_ = false;
};

}  // namespace fennimar
