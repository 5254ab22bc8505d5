// SettingsDirectory: the directory that holds the user's settings file,
// where the system keeps each user's program settings.
#pragma once

#include <string>

namespace fennimar {

// On Linux $XDG_CONFIG_HOME/fennimar (default ~/.config/fennimar, and
// ./.config/fennimar without a home); on Windows %APPDATA%\Fennimar
// (.\Fennimar without it). The directory need not exist.
std::string SettingsDirectory();

}  // namespace fennimar
