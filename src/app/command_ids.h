// The command ids of the main window and the control ids of its dialogs.
//
// The ids are the program's own numbering: the menu, the accelerators, the
// toolbar and the commands the window posts to itself all use them, so that a
// command reaches the same handler whichever way it was given.
#pragma once

#include "build_info.h"

namespace fennimar::app {

// Main window commands.
inline constexpr int kIdAbout = 100;
inline constexpr int kIdSelectFile = 101;
inline constexpr int kIdSplit = 102;
inline constexpr int kIdMerge = 105;
inline constexpr int kIdHelp = 109;
inline constexpr int kIdRunMinimized = 113;
inline constexpr int kIdDefaults = 114;
inline constexpr int kIdHomePage = 115;
// Open selects a file as Select File does; Quit closes the window as its
// close box does. They give the usual Ctrl keys beside the function keys.
inline constexpr int kIdOpen = 116;
inline constexpr int kIdQuit = 117;
// Posted after a selection; no menu item carries them.
inline constexpr int kIdToolbarWithoutFile = 32801;
inline constexpr int kIdToolbarWithFile = 32802;
// The disabled, empty buttons that hold Split's and Merge's places in the
// toolbar without a file; they give no command.
inline constexpr int kIdToolbarPlaceholder = 32810;
// Every information line carries this id.
inline constexpr int kIdInfoLine = 300;

inline constexpr const char* kWindowTitle = kProgramTitle;

}  // namespace fennimar::app
