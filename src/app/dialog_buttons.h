// The OK and Cancel row that every dialog of the program ends with.
#pragma once

#include <functional>

class wxDialog;
class wxSizer;

namespace fennimar::app {

// OK and Cancel, right-aligned, OK the default button; OK runs `onOk`, Cancel
// closes the dialog with wxID_CANCEL.
wxSizer* OkCancelButtons(wxDialog* dialog, std::function<void()> onOk);

}  // namespace fennimar::app
