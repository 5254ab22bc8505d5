// SplitEngine: the split command. It asks for the split's parameters
// (SplitForm), writes the part set into the target directory, asks for a
// fresh disk before every part when the target lies on a removable drive,
// hands every verified part to the mailer when asked to, and shows progress
// while pumping the window's events after every block.
//
// Every outcome reaches the user as a message box or as the status line; the
// engine returns nothing. Parts written before an ending stay on disk; only a
// part that is known to be incomplete is deleted.
#pragma once

#include "ui/selection.h"

namespace fennimar {

class DriveQueries;
class PartMailer;
class SettingsStore;
class UserInterface;

class SplitEngine {
 public:
  // `mailer` may be null when this front end cannot mail; the objects must
  // outlive the engine.
  SplitEngine(UserInterface& ui, SettingsStore& settings, DriveQueries& drives, PartMailer* mailer)
      : ui_(ui), settings_(settings), drives_(drives), mailer_(mailer) {}

  // One run of the split command on the selected file.
  void Run(const Selection& selection);

 private:
  UserInterface& ui_;
  SettingsStore& settings_;
  DriveQueries& drives_;
  PartMailer* mailer_;
};

}  // namespace fennimar
