// The defaults dialog, the floppy prompt and the About box as real windows
// under Xvfb.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "app/defaults_dialog.h"
#include "app/file_dialog.h"
#include "app/floppy_prompt_dialog.h"
#include "app/message_box.h"
#include "app_window_test.h"
#include "split/floppy_prompt.h"

namespace fennimar::app {
namespace {

using testing::Click;
using testing::IsChecked;
using testing::IsShown;
using testing::TextOf;
using testing::Type;

using DialogsTest = WindowTest;

// The desktop's own matching decides what the file dialog lists.
TEST_F(DialogsTest, FileDialogFiltersFindNamesInEitherCaseArchivesFirst) {
  OpenFileDialog dialog(nullptr);
  auto* chooser = GTK_FILE_CHOOSER(dialog.GetHandle());
  GSList* filters = gtk_file_chooser_list_filters(chooser);
  ASSERT_EQ(g_slist_length(filters), 4u);
  EXPECT_EQ(gtk_file_chooser_get_filter(chooser), filters->data) << "the archive filter is chosen";
  EXPECT_STREQ(gtk_file_filter_get_name(GTK_FILE_FILTER(filters->data)),
               "*.zip;*.exe;*.z*;*.arc;*.tgz;*.lzh");
  auto lists = [&](const char* name) {
    std::string shown;
    for (GSList* f = filters; f; f = f->next) {
      GtkFileFilterInfo info{};
      info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
      info.display_name = name;
      shown += gtk_file_filter_filter(GTK_FILE_FILTER(f->data), &info) ? '+' : '-';
    }
    return shown;
  };
  // Archives, Znn files, mail messages, all files.
  EXPECT_EQ(lists("REPORT.Z00"), "++-+");
  EXPECT_EQ(lists("report.z17"), "++-+");
  EXPECT_EQ(lists("REPORT.ZIP"), "++-+");
  EXPECT_EQ(lists("Setup.Exe"), "+--+");
  EXPECT_EQ(lists("backup.TGZ"), "+--+");
  EXPECT_EQ(lists("parts.eml"), "--++");
  EXPECT_EQ(lists("Inbox.MBOX"), "--++");
  EXPECT_EQ(lists("REPORT.DOC"), "---+");
  EXPECT_EQ(lists("README"), "---+");

  // The filter last shown is the next dialog's, which opens in the folder of
  // the current file.
  dialog.SetFilterIndex(2);
  dialog.RememberFilter();
  OpenFileDialog next(nullptr, files / "DATA.BIN");
  auto* nextChooser = GTK_FILE_CHOOSER(next.GetHandle());
  GSList* nextFilters = gtk_file_chooser_list_filters(nextChooser);
  EXPECT_EQ(gtk_file_chooser_get_filter(nextChooser), g_slist_nth_data(nextFilters, 2));
  EXPECT_EQ(next.GetDirectory().utf8_string(), files.path());
  next.SetFilterIndex(0);
  next.RememberFilter();
  g_slist_free(nextFilters);
  g_slist_free(filters);
}

TEST_F(DialogsTest, DefaultsDialogValidatesTheOtherSizeAndWritesEveryKey) {
  Start();
  bool closed = false;
  testing::WhenModal([&](wxDialog& dialog) {
    EXPECT_EQ(dialog.GetTitle(), "Fennimar Defaults");
    EXPECT_TRUE(IsChecked(dialog, kId2HD));
    EXPECT_FALSE(IsShown(dialog, kIdOtherSize));
    EXPECT_FALSE(IsShown(dialog, kIdKilobytesLabel));
    EXPECT_TRUE(IsChecked(dialog, kIdSameAsSource));
    EXPECT_FALSE(IsShown(dialog, kIdSplitDirectory));
    EXPECT_FALSE(IsShown(dialog, kIdMergeDirectory));
    EXPECT_FALSE(IsChecked(dialog, kIdContinueOnChecksumError));
    EXPECT_TRUE(IsChecked(dialog, kIdFillToMaximum));

    Click(dialog, kIdOther);
    EXPECT_TRUE(IsShown(dialog, kIdOtherSize));
    EXPECT_TRUE(IsShown(dialog, kIdKilobytesLabel));
    EXPECT_EQ(TextOf(dialog, kIdOtherSize), "70");
    Type(dialog, kIdOtherSize, "x5");
    Click(dialog, wxID_OK);
    Type(dialog, kIdOtherSize, "1 2");
    Click(dialog, wxID_OK);
    EXPECT_TRUE(dialog.IsModal()) << "the dialog stays open after a validation message";

    Type(dialog, kIdOtherSize, "2");
    Click(dialog, kIdContinueOnChecksumError);
    Click(dialog, kIdFillToMaximum);
    Click(dialog, kIdManifest);
    Type(dialog, kIdRecovery, "3");
    Type(dialog, kIdSmtpHost, "mail.example.org");
    Type(dialog, kIdSmtpPort, "587");
    Type(dialog, kIdSmtpUser, "jane");
    Type(dialog, kIdMyAddress, "Jane Doe <jane@example.org>");
    Click(dialog, wxID_OK);
    closed = !dialog.IsModal();
  });
  Command(kIdDefaults);
  EXPECT_TRUE(closed);
  EXPECT_EQ(messages.shown,
            (std::vector<testing::ShownMessage>{
                {"Digit expected", "Default", MessageKind::kOkWarning},
                {"Chunk size must greater then 1k", "Default", MessageKind::kOkWarning}}));
  EXPECT_EQ(SettingsText(),
            "[FENNIMAR]\nMINIMIZED=NO\nChType=DO 2\nWorkDir=SAME\nMergeDir=SAME\n"
            "ON_CHKSUM_ERR=CONTINUE\nFormat=FIXED\nManifest=NO\nRecovery=3\n"
            "SMTPHost=mail.example.org:587\n"
            "MyAddress=Jane Doe <jane@example.org>\nSMTPUser=jane\n");
}

TEST_F(DialogsTest, DefaultsDialogShowsPredefinedDirectoriesAndCancelWritesNothing) {
  StoreSetting("WorkDir", files / "split");
  StoreSetting("MergeDir", files / "merge");
  StoreSetting("ChType", "DO 1400");
  Start();
  std::string before = SettingsText();
  testing::WhenModal([&](wxDialog& dialog) {
    EXPECT_TRUE(IsChecked(dialog, kIdPredefined));
    EXPECT_TRUE(IsShown(dialog, kIdSplitDirectory));
    EXPECT_TRUE(testing::IsBeside(dialog, kIdSplitDirectory, kIdSplitDirectoryBrowse));
    EXPECT_TRUE(testing::IsBeside(dialog, kIdMergeDirectory, kIdMergeDirectoryBrowse));
    EXPECT_EQ(TextOf(dialog, kIdSplitDirectory), files / "split");
    EXPECT_EQ(TextOf(dialog, kIdMergeDirectory), files / "merge");
    EXPECT_TRUE(IsChecked(dialog, kIdOther));
    EXPECT_EQ(TextOf(dialog, kIdOtherSize), "1400");
    Click(dialog, kIdSameAsSource);
    EXPECT_FALSE(IsShown(dialog, kIdSplitDirectory));
    EXPECT_FALSE(IsShown(dialog, kIdSplitDirectoryBrowse));
    Click(dialog, wxID_CANCEL);
    if (dialog.IsModal()) dialog.EndModal(wxID_CANCEL);
  });
  Command(kIdDefaults);
  EXPECT_EQ(SettingsText(), before);
}

TEST_F(DialogsTest, FloppyPromptAcceptsOnlyADiskWithRoom) {
  Start();
  SystemDrives drives;
  std::string part = files / "REPORT.Z03";
  for (std::int64_t required : {std::int64_t{1} << 60, std::int64_t{1}}) {
    FloppyPrompt prompt(window->ui(), drives, part, required);
    bool closedWithOk = false;
    testing::WhenModal([&](wxDialog& dialog) {
      EXPECT_EQ(dialog.GetTitle(), "Split file to floppy disk");
      EXPECT_EQ(TextOf(dialog, kIdFloppyPartPath), part);
      Click(dialog, wxID_OK);
      if (dialog.IsModal()) dialog.EndModal(wxID_CANCEL);
    });
    closedWithOk = window->ui().RunFloppyPrompt(prompt);
    EXPECT_EQ(closedWithOk, required == 1);
  }
  EXPECT_EQ(messages.shown,
            (std::vector<testing::ShownMessage>{
                {"Not enough space on disk", "Fennimar", MessageKind::kOkWarning}}));
}

TEST_F(DialogsTest, AboutBoxNamesTheProgramAndCloses) {
  Start();
  std::string title;
  testing::WhenModal([&](wxDialog& dialog) {
    title = dialog.GetTitle().utf8_string();
    // While the box is open, a drop and other commands wait for it.
    EXPECT_TRUE(window->Busy());
    std::string path = files / "DROPPED.DOC";
    testing::WriteFile(path, testing::Bytes(3, 1));
    window->DropFiles({path});
    wxCommandEvent defaults(wxEVT_MENU, kIdDefaults);
    window->GetEventHandler()->ProcessEvent(defaults);
    EXPECT_EQ(testing::ModalDialog(), &dialog);
    Click(dialog, wxID_OK);
    if (dialog.IsModal()) dialog.EndModal(wxID_OK);
  });
  Command(kIdAbout);
  EXPECT_EQ(title, "About Fennimar");
  EXPECT_EQ(testing::ModalDialog(), nullptr);
  EXPECT_FALSE(window->Busy());
  EXPECT_TRUE(window->selection().selectedPath.empty()) << "the drop was refused";
}

// Escape closes a question as No, whatever its default button: it must never
// stop a run ("Do you really want stop?") or overwrite a file.
TEST_F(DialogsTest, EscapeAnswersEveryQuestionNo) {
  Start();
  SetMessageAnswerer(nullptr);  // the real boxes, not the test's answers
  for (MessageKind kind : {MessageKind::kYesNo, MessageKind::kYesNoDefaultNo}) {
    testing::WhenModal([](wxDialog& box) {
      wxKeyEvent escape(wxEVT_CHAR_HOOK);
      escape.m_keyCode = WXK_ESCAPE;
      box.ProcessWindowEvent(escape);
      if (box.IsModal()) box.EndModal(wxID_YES);
    });
    EXPECT_EQ(ShowMessageBox(window, "Do you really want stop?", "Fennimar", kind), Answer::kNo);
  }
}

}  // namespace
}  // namespace fennimar::app
