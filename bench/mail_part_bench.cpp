// Mails part files through SmtpPartMailer to a server, one conversation
// each, and prints the seconds all of them took, for bench/mail.sh.
// Usage: mail_part_bench SETTINGS_FILE PART...
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "mail/smtp/smtp_part_mailer.h"
#include "ui/user_interface.h"

namespace {

// A user who is never asked anything: every box is written to stderr.
class SilentUi : public fennimar::UserInterface {
 public:
  fennimar::Answer ShowMessage(std::string_view text, std::string_view caption,
                               fennimar::MessageKind) override {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    return fennimar::Answer::kOk;
  }
  bool RunSplitDialog(fennimar::SplitForm&) override { return false; }
  bool RunFloppyPrompt(fennimar::FloppyPrompt&) override { return false; }
  bool RunMergeDialog(fennimar::MergeForm&) override { return false; }
  bool RunDiskPrompt(fennimar::DiskPromptForm&) override { return false; }
  void SetInfoLine(fennimar::InfoLine, std::string_view) override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  void ShowProgress(fennimar::ProgressDialog&) override {}
  void UpdateProgress(fennimar::ProgressDialog&) override {}
  void HideProgress(fennimar::ProgressDialog&) override {}
  void Pump() override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mail_part_bench SETTINGS_FILE PART...\n");
    return 2;
  }
  fennimar::SettingsStore settings(argv[1]);
  fennimar::SmtpPartMailer mailer(settings);
  SilentUi ui;
  auto start = std::chrono::steady_clock::now();
  bool mailed = true;
  for (int k = 2; k < argc && mailed; ++k) {
    mailed = mailer.MailPart(ui, argv[k], "bench@localhost", "BENCH.BIN", k - 2, argc - 2,
                             [] { return true; }) == fennimar::MailOutcome::kMailed;
  }
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.3f\n", took.count());
  return mailed ? 0 : 1;
}
