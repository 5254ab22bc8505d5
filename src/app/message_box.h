// The program's message boxes: a text, a caption and one of the four kinds,
// owned by a window. Every box of the desktop program goes through here, so
// a test can answer them without a box ever blocking.
#pragma once

#include <functional>
#include <string_view>

#include "ui/user_interface.h"

class wxWindow;

namespace fennimar::app {

using MessageAnswerer =
    std::function<Answer(std::string_view text, std::string_view caption, MessageKind kind)>;

// Shows the box modally over `owner` (may be null) and returns the button
// pressed. With an answerer installed no box is shown: the answerer's
// answer is returned instead.
Answer ShowMessageBox(wxWindow* owner, std::string_view text, std::string_view caption,
                      MessageKind kind);

// Installs (or, with an empty function, removes) the answerer.
void SetMessageAnswerer(MessageAnswerer answerer);

}  // namespace fennimar::app
