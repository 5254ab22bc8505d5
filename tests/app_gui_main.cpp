// The entry point of the GUI tests: a wx application on the display (Xvfb in
// CI) with an active event loop, so that the windows under test are real.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

namespace {

class TestApp : public wxApp {
 public:
  bool OnInit() override {
    SetExitOnFrameDelete(false);
    // A failed wx assertion is a failed test, never a box waiting for a user.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& function,
                          const wxString& condition, const wxString& message) {
      ADD_FAILURE_AT(file.utf8_string().c_str(), line)
          << "wx assertion " << condition.utf8_string() << " in " << function.utf8_string() << ": "
          << message.utf8_string();
    });
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new TestApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    fprintf(stderr, "no display: run the GUI tests under xvfb-run -a\n");
    return 1;
  }
  int result;
  {
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);
    result = RUN_ALL_TESTS();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
