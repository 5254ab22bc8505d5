// DownloadDirectory: where the user's downloads go, as the desktop's user
// directories say: $XDG_DOWNLOAD_DIR, else the XDG_DOWNLOAD_DIR line of
// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config/user-dirs.dirs), with
// $HOME expanded, else ~/Downloads ($HOME, else the home directory of the
// user's account). On Windows it is the user's Downloads folder (the known
// folder, wherever the user moved it). Files that arrive from outside, such as
// the parts of a mailed set, are joined there unless the user chose a place.
#pragma once

#include <string>

namespace fennimar {

// The download directory as an absolute path; it need not exist. Empty when
// neither the environment nor the user directories file names one and there
// is no home directory.
std::string DownloadDirectory();

}  // namespace fennimar
