// The recipient's side, as a user runs it: parts mailed by fennimar-cli split
// (or fennimar-cli mail) to a real SMTP server, stored as local delivery
// stores them (LF line ends) in a Maildir, an mbox written by Python's
// mailbox module and single .eml files, then taken out with fennimar-cli extract and joined with
// fennimar-cli join.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "mail/store/mail_join.h"
#include "mail_test_server.h"
#include "merge/merge_form.h"
#include "platform/drive.h"
#include "platform/file_status.h"
#include "scripted_ui.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "test_support.h"

namespace fennimar {
namespace {

using testing::Bytes;
using testing::SmtpTestServer;

class MailReceivedTest : public ::testing::Test {
 protected:
  testing::TempDir work;
  Bytes source = testing::RandomBytes(40000, 21);

  // Splits DATA.BIN into four parts mailed through `server` (with the
  // split's `options`), the manifest after them, and stores the first `keep`
  // of the `received` messages in work/Maildir, work/box.mbox and work/eml/.
  void MailAndStore(const SmtpTestServer& server, std::size_t keep, std::size_t received = 5,
                    const std::string& options = "") {
    UseServer(server);
    testing::WriteFile(work / "DATA.BIN", source);
    testing::SetModifiedTime(work / "DATA.BIN", 1500000000);
    ASSERT_EQ(Cli("split DATA.BIN -s 12000 -d parts -y --mail-to you@localhost " + options), 0)
        << testing::ReadText(work / "err.txt");
    std::vector<std::string> messages = server.Messages();
    ASSERT_EQ(messages.size(), received);
    messages.resize(keep);
    testing::Run("mkdir " + work / "eml");
    std::vector<std::string> arguments{"deliver", work / "Maildir", work / "box.mbox",
                                       work / "eml"};
    arguments.insert(arguments.end(), messages.begin(), messages.end());
    testing::RunPythonScript("mail_received.py", arguments);
  }

  // Points the settings fennimar-cli reads at `server`.
  void UseServer(const SmtpTestServer& server) {
    SettingsStore settings{work / "cfg/fennimar/FENNIMAR.INI"};
    settings.WriteSetting(settings::kSection, settings::kSmtpHost, server.HostText());
    settings.WriteSetting(settings::kSection, settings::kMyAddress, "cli@localhost");
  }

  // Runs fennimar-cli in `work` with a private home, settings and temporary
  // files, and `environment` before it; its outputs in work/out.txt and
  // work/err.txt.
  int Cli(const std::string& arguments, const std::string& environment = "") {
    testing::Run("mkdir -p " + work / "tmp " + work / "home");
    return testing::Run("cd " + work.path() + " && env -u XDG_DOWNLOAD_DIR HOME=" + work / "home" +
                        " XDG_CONFIG_HOME=" + work / "cfg" + " TMPDIR=" + work / "tmp " +
                        environment + " " + FENNIMAR_BINARY_DIR + "/src/cli/fennimar-cli " +
                        arguments + " > out.txt 2> err.txt < /dev/null");
  }
};

TEST_F(MailReceivedTest, MailedSetJoinsFromMaildirMboxAndMessages) {
  SmtpTestServer server;
  MailAndStore(server, 4);
  for (const char* from : {"Maildir", "box.mbox", "eml/0.eml eml/1.eml eml/2.eml eml/3.eml"}) {
    testing::Run("rm -rf " + work / "joined");
    ASSERT_EQ(Cli(std::string("join ") + from + " -d joined -y"), 0)
        << from << testing::ReadText(work / "err.txt");
    EXPECT_EQ(testing::ReadFile(work / "joined/DATA.BIN"), source) << from;
    EXPECT_EQ(testing::ModifiedTime(work / "joined/DATA.BIN"), 1500000000);
    // The temporary directory is gone.
    EXPECT_TRUE(testing::ListDir(work / "tmp").empty()) << from;
  }
  // A part file given beside the mail brings the rest of its set along.
  testing::Run("rm -rf " + work / "joined");
  EXPECT_EQ(Cli("join parts/DATA.Z01 eml/3.eml -d joined -y"), 0);
  EXPECT_EQ(testing::ReadFile(work / "joined/DATA.BIN"), source);

  // The same set is there already: each part is taken as there, nothing written.
  ASSERT_EQ(Cli("extract Maildir -d parts"), 1);
  std::string out = testing::ReadText(work / "out.txt");
  for (const char* name : {"DATA.Z00", "DATA.Z01", "DATA.Z02", "DATA.Z03"}) {
    EXPECT_NE(out.find(std::string("Skipped: ") + name + " (in Maildir, new/"), std::string::npos);
  }
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4) << out;
  EXPECT_NE(out.find("): the same part is already there\n"), std::string::npos) << out;
  // A link under a part's name takes the name, even one that leads nowhere:
  // the set goes into a folder of its own.
  testing::Run("mkdir " + work / "x" + " && mkfifo " + work / "fifo" + " && ln -s " +
               work / "nowhere" + " " + work / "x/DATA.Z03");
  testing::WriteFile(work / "text.eml", "MIME-Version: 1.0\nSubject: no parts\n\nHello\n");
  ASSERT_EQ(Cli("extract box.mbox DATA.BIN fifo text.eml -d x"), 0);
  const std::string folder = "DATA.BIN 2017-07-14 02-40-00/";
  EXPECT_EQ(testing::ReadText(work / "out.txt"),
            "Skipped: DATA.BIN: not a mail message, mailbox or Maildir\n"
            "Skipped: fifo: not a mail message, mailbox or Maildir\n"
            "Extracted: " +
                folder + "DATA.Z00\nExtracted: " + folder + "DATA.Z01\nExtracted: " + folder +
                "DATA.Z02\nExtracted: " + folder +
                "DATA.Z03\n"
                "Skipped: text.eml: no attachments\n");
  EXPECT_FALSE(testing::Exists(work / "nowhere"));
  for (const char* name : {"DATA.Z00", "DATA.Z02"}) {
    EXPECT_EQ(testing::ReadFile(work / ("x/" + folder + name)),
              testing::ReadFile(work / ("parts/" + std::string(name))));
    // As readable as a part split here.
    EXPECT_EQ(StatusOf(work / ("x/" + folder + name))->mode,
              StatusOf(work / ("parts/" + std::string(name)))->mode);
  }
  EXPECT_EQ(Cli("extract"), 2);
}

TEST_F(MailReceivedTest, MailCommandSendsPartsOnDiskAsTheSplitMailsThem) {
  SmtpTestServer server;
  UseServer(server);
  testing::WriteFile(work / "DATA.BIN", source);
  ASSERT_EQ(Cli("split DATA.BIN -s 12000 -d parts -y"), 0);
  // Nothing goes out while any argument is refused.
  EXPECT_EQ(Cli("mail parts/DATA.Z01 DATA.BIN --to you@localhost"), 1);
  EXPECT_EQ(testing::ReadText(work / "err.txt"), "fennimar-cli: DATA.BIN: not a part file\n");
  testing::Run("mv " + work / "parts/DATA.Z02 " + work / "DATA.Z02");
  EXPECT_EQ(Cli("mail --all parts/DATA.Z00 --to you@localhost"), 1);
  testing::Run("mv " + work / "DATA.Z02 " + work / "parts/DATA.Z02");
  EXPECT_EQ(Cli("mail parts/DATA.Z00"), 2);
  EXPECT_TRUE(server.Messages().empty());

  ASSERT_EQ(Cli("mail parts/DATA.Z03 parts/DATA.Z01 --to you@localhost"), 0)
      << testing::ReadText(work / "err.txt");
  EXPECT_EQ(testing::ReadText(work / "out.txt"),
            "Mailing part 4 of 4 (DATA.Z03)\nMailed part 4 of 4\n"
            "Mailing part 2 of 4 (DATA.Z01)\nMailed part 2 of 4\n");
  ASSERT_EQ(server.Messages().size(), 2u);
  for (int k : {0, 1}) {
    const char* name = k == 0 ? "DATA.Z03" : "DATA.Z01";
    testing::TempDir check;
    auto python = testing::CheckWithPython(server.Messages()[k], check.path());
    EXPECT_EQ(python["subject"], k == 0 ? "Part  4 of total  4 parts of file:DATA.BIN "
                                        : "Part  2 of total  4 parts of file:DATA.BIN ");
    EXPECT_EQ(python["name-0"], name);
    EXPECT_EQ(testing::ReadFile(check / "part-0"),
              testing::ReadFile(work / ("parts/" + std::string(name))));
  }
  EXPECT_EQ(Cli("mail --all parts/DATA.Z00 --to you@localhost"), 0);
  EXPECT_EQ(server.Messages().size(), 6u);
}

TEST_F(MailReceivedTest, IncompleteSetNamesTheMissingPartAndLeavesNothingBehind) {
  SmtpTestServer server;
  MailAndStore(server, 2);
  EXPECT_EQ(Cli("join DATA.BIN Maildir -d joined -y"), 1);
  EXPECT_EQ(testing::ReadText(work / "err.txt"),
            work / "DATA.BIN: Not a mail message, mailbox, Maildir or part file\n" +
                "Merge: Parts DATA.Z02, DATA.Z03 were not found in the mail\n");
  EXPECT_FALSE(testing::Exists(work / "joined"));
  EXPECT_EQ(Cli("join DATA.BIN DATA.BIN -d joined -y"), 1);
  EXPECT_NE(testing::ReadText(work / "err.txt").find("Merge: No part files found in the mail\n"),
            std::string::npos);
  EXPECT_TRUE(testing::ListDir(work / "tmp").empty());

  // A message cut short in its attachment: the part is not kept, and the
  // join says where it was lost.
  std::string cut = testing::ReadText(work / "eml/1.eml");
  testing::WriteFile(work / "eml/1.eml", cut.substr(0, cut.size() / 2));
  testing::Run("mkdir " + work / "x");
  EXPECT_EQ(Cli("extract eml/1.eml -d x"), 1);
  EXPECT_EQ(testing::ReadText(work / "out.txt"),
            "Skipped: DATA.Z01 (in 1.eml): the part is cut short in the message\n");
  EXPECT_TRUE(testing::ListDir(work / "x").empty());
  EXPECT_EQ(Cli("join eml/0.eml eml/1.eml -d joined -y"), 1);
  EXPECT_EQ(testing::ReadText(work / "err.txt"),
            "Merge: Parts DATA.Z01, DATA.Z02, DATA.Z03 were not found in the mail\n"
            "Skipped: DATA.Z01 (in 1.eml): the part is cut short in the message\n");
}

// Messages lost on their way are rebuilt from the recovery files that came
// after the parts, up to as many as there are, part 00 too; one more is
// refused.
TEST_F(MailReceivedTest, RecoveryFilesInTheMailRebuildLostParts) {
  for (const char* lost : {"2,4", "1,4", "2,3,4"}) {
    testing::Run("rm -rf " + work / "Maildir " + work / "box.mbox " + work / "eml " +
                 work / "joined " + work / "x");
    SmtpTestServer server("normal", {"--drop-message", lost});
    bool rebuilds = std::string(lost) != "2,3,4";
    MailAndStore(server, rebuilds ? 5 : 4, rebuilds ? 5 : 4, "-r 2");
    int joined = Cli("join Maildir -d joined -y");
    std::string told = testing::ReadText(work / "out.txt") + testing::ReadText(work / "err.txt");
    if (!rebuilds) {
      EXPECT_EQ(joined, 1);
      EXPECT_NE(told.find("Parts DATA.Z01, DATA.Z02, DATA.Z03 were not found in the mail; 2 "
                          "recovery parts arrived, too few to rebuild them\n"),
                std::string::npos)
          << told;
      EXPECT_FALSE(testing::Exists(work / "joined"));
      continue;
    }
    ASSERT_EQ(joined, 0) << told;
    EXPECT_EQ(testing::ReadFile(work / "joined/DATA.BIN"), source);
    EXPECT_NE(told.find("rebuilt from the recovery parts"), std::string::npos) << told;
    if (std::string(lost) == "1,4") continue;
    // Extract puts the manifest and the recovery files beside the parts.
    testing::Run("mkdir " + work / "x");
    ASSERT_EQ(Cli("extract box.mbox -d x"), 0);
    EXPECT_EQ(
        testing::ListDir(work / "x"),
        (std::vector<std::string>{"DATA.R00", "DATA.R01", "DATA.Z00", "DATA.Z02", "DATA.sha256"}));
    for (const char* name : {"DATA.R01", "DATA.sha256"}) {
      EXPECT_EQ(testing::ReadFile(work / ("x/" + std::string(name))),
                testing::ReadFile(work / ("parts/" + std::string(name))));
    }
  }
}

// Mail never chooses where its file goes: without -d the joined file goes to
// the download directory (created on the user's answer), never beside the
// mailbox, whatever the attachments are called; a stored name that they do
// not suggest is told before the join.
TEST_F(MailReceivedTest, HostileMailNeverChoosesThePlace) {
  struct Case {
    const char* stored;     // the name in the parts' headers, attached as INVOICE.Z0n
    bool inEnvironment;     // XDG_DOWNLOAD_DIR names the download directory
    const char* userDirs;   // else the XDG_DOWNLOAD_DIR line of user-dirs.dirs, if any
    const char* downloads;  // the download directory, under the home
  };
  const Case cases[] = {
      {".bash_profile", false, nullptr, "Downloads"},
      {"report.pdf", true, nullptr, "dl"},
      {"Invoice.pdf", false, "XDG_DOWNLOAD_DIR=\"$HOME/In box\"", "In box"},
  };
  const std::string home = work / "home";
  testing::WriteFile(work / "source", testing::RandomBytes(5000, 5));
  for (const Case& c : cases) {
    std::string stored = c.stored;
    testing::Run("rm -rf " + home + " " + work / "p " + work / "cfg" + " && mkdir -p " + home +
                 "/Maildir/cur " + work / "p " + work / "cfg");
    if (c.userDirs)
      testing::WriteFile(work / "cfg/user-dirs.dirs", "# x\n" + std::string(c.userDirs) + "\n");
    testing::RunPythonScript("merge_part_writer.py", {work / "source", work / "p", "3000", stored});
    std::vector<std::string> attachments;
    for (const std::string& name : testing::ListDir(work / "p")) {
      std::string renamed = work / ("p/INVOICE" + name.substr(name.find(".Z")));
      testing::Run("mv '" + work / ("p/" + name) + "' " + renamed);
      attachments.push_back("base64:" + renamed);
    }
    testing::WriteWithPython(home + "/Maildir/cur/1", attachments);

    int status = Cli("join " + home + "/Maildir -y",
                     c.inEnvironment ? "XDG_DOWNLOAD_DIR=" + home + "/dl" : "");
    std::string err = testing::ReadText(work / "err.txt");
    EXPECT_EQ(err.find("Merge: INVOICE.Z00 holds a part of the file " + stored + "\n") !=
                  std::string::npos,
              !stored.starts_with("Invoice."))
        << err;
    EXPECT_FALSE(testing::Exists(home + "/" + stored));
    EXPECT_FALSE(testing::Exists(work / stored));
    // A name starting with a dot waits for the person's own answer.
    if (stored[0] == '.') continue;
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(err.find("Merge: Directory does not exist, create? yes (--yes)"), std::string::npos);
    EXPECT_EQ(testing::ReadFile(home + "/" + c.downloads + "/" + stored),
              testing::ReadFile(work / "source"))
        << err;
    // Nothing beside the mailbox but the download directory.
    std::vector<std::string> left = testing::ListDir(home);
    std::vector<std::string> expected{"Maildir", c.downloads};
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
  }
}

// Two sets of one file in one mailbox are told apart by their headers, never
// mixed: the newest complete one is joined and every other one named, or
// each set says what it lacks. Every message names the message, never a
// temporary file.
TEST_F(MailReceivedTest, SetsOfOneNameAreToldApartByTheirHeaders) {
  Bytes old = testing::RandomBytes(40000, 31);
  testing::Run("mkdir -p " + work / "v1 " + work / "v2");
  testing::WriteFile(work / "v1/DATA.BIN", old);
  testing::WriteFile(work / "v2/DATA.BIN", source);
  testing::SetModifiedTime(work / "v1/DATA.BIN", 1500000000);
  testing::SetModifiedTime(work / "v2/DATA.BIN", 1600000000);
  ASSERT_EQ(Cli("split v1/DATA.BIN -s 12000 -d old -y"), 0);
  ASSERT_EQ(Cli("split v2/DATA.BIN -s 12000 -d new -y"), 0);
  ASSERT_EQ(Cli("split v2/DATA.BIN -s 4000 -d small -y"), 0);
  testing::Run("cp -r " + work / "new " + work / "bad && printf x | dd of=" +
               work / "bad/DATA.Z02 bs=1 seek=500 conv=notrunc status=none");
  const std::string oldSet = "DATA.BIN (4 parts, 39.1 KB, 2017-07-14 02:40:00 UTC) in {in}";
  const std::string newSet = "DATA.BIN (4 parts, 39.1 KB, 2020-09-13 12:26:40 UTC) in {in}";
  struct Case {
    const char* what;
    std::vector<std::string> mail;  // part files, one message each; ":read" marks one read
    int status;
    std::vector<std::string> told;  // lines the join prints
  };
  const Case cases[] = {
      {"interrupted and resent",
       {"small/DATA.Z00", "small/DATA.Z01", "small/DATA.Z02", "new/DATA.Z00", "new/DATA.Z01",
        "new/DATA.Z02", "new/DATA.Z03"},
       0,
       {"Merge: Not joined: an incomplete set of DATA.BIN (11 parts, 39.1 KB, 2020-09-13 "
        "12:26:40 UTC) in {in}"}},
      {"old and new version",
       {"new/DATA.Z00", "new/DATA.Z01", "new/DATA.Z02", "new/DATA.Z03", "old/DATA.Z00",
        "old/DATA.Z01", "old/DATA.Z02", "old/DATA.Z03"},
       0,
       {"Merge: Not joined: an older set of " + oldSet}},
      {"new set partly read",
       {"old/DATA.Z00", "old/DATA.Z01", "old/DATA.Z02", "old/DATA.Z03", "new/DATA.Z00:read",
        "new/DATA.Z01:read", "new/DATA.Z02", "new/DATA.Z03", "new/DATA.Z01"},
       0,
       {"Merge: Not joined: an older set of " + oldSet}},
      // Of two complete sets of one time, the later mail wins, even where a
      // mail program lists it first (Maildir's cur/ before new/).
      {"resent, the resend read",
       {"new/DATA.Z00", "new/DATA.Z01", "new/DATA.Z02", "new/DATA.Z03", "small/DATA.Z00:read",
        "small/DATA.Z01:read", "small/DATA.Z02:read", "small/DATA.Z03:read", "small/DATA.Z04:read",
        "small/DATA.Z05:read", "small/DATA.Z06:read", "small/DATA.Z07:read", "small/DATA.Z08:read",
        "small/DATA.Z09:read", "small/DATA.Z10:read"},
       0,
       {"Merge: Not joined: another set of " + newSet}},
      {"a damaged copy and a sound one",
       {"bad/DATA.Z02", "new/DATA.Z00", "new/DATA.Z01", "new/DATA.Z03", "new/DATA.Z02"},
       0,
       {}},
      {"both incomplete",
       {"old/DATA.Z00", "old/DATA.Z01", "new/DATA.Z02"},
       1,
       {"Merge: " + oldSet + ": Parts DATA.Z02, DATA.Z03 were not found in the mail",
        "Merge: " + newSet + ": Parts DATA.Z00, DATA.Z01, DATA.Z03 were not found in the mail"}},
      {"damaged",
       {"new/DATA.Z00", "new/DATA.Z01", "bad/DATA.Z02", "new/DATA.Z03"},
       1,
       {"Checksum error for file DATA.Z02 (in {in}, {m3}) should be"}},
  };
  for (const Case& c : cases) {
    testing::Run("rm -rf " + work / "Maildir " + work / "box.mbox");
    std::vector<std::string> arguments{"store", work / "Maildir", work / "box.mbox"};
    for (const std::string& part : c.mail) arguments.push_back(work / part);
    testing::RunPythonScript("mail_received.py", arguments);
    for (const char* from : {"Maildir", "box.mbox"}) {
      testing::Run("rm -rf " + work / "joined");
      EXPECT_EQ(Cli(std::string("join ") + from + " -d joined -y"), c.status) << c.what << from;
      std::string err = testing::ReadText(work / "err.txt");
      for (std::string line : c.told) {
        for (auto [key, value] : {std::pair<std::string, std::string>{"{in}", from},
                                  {"{m3}", from[0] == 'M' ? "new/002" : "message 3"}}) {
          for (auto at = line.find(key); at != std::string::npos; at = line.find(key))
            line.replace(at, key.size(), value);
        }
        EXPECT_NE(err.find(line), std::string::npos) << c.what << "\n" << line << "\n" << err;
      }
      EXPECT_EQ(err.find(work / "tmp"), std::string::npos) << err;
      if (c.status != 0) continue;
      EXPECT_EQ(testing::ReadFile(work / "joined/DATA.BIN"), source) << c.what << from;
      EXPECT_EQ(testing::ModifiedTime(work / "joined/DATA.BIN"), 1600000000);
    }
  }

  // Extracted, the second set goes into a folder of its own.
  testing::Run("rm -rf " + work / "Maildir " + work / "box.mbox");
  std::vector<std::string> arguments{"store", work / "Maildir", work / "box.mbox"};
  for (const char* set : {"new", "old", "new"}) {
    for (int k = 0; k < 4; ++k) arguments.push_back(work / set + "/DATA.Z0" + std::to_string(k));
  }
  testing::RunPythonScript("mail_received.py", arguments);
  ASSERT_EQ(Cli("extract box.mbox -d x -y"), 0);
  std::string out = testing::ReadText(work / "out.txt");
  EXPECT_NE(out.find("Extracted: DATA.BIN 2017-07-14 02-40-00/DATA.Z03\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("Skipped: DATA.Z03 (in box.mbox, message 12): the same part is already "
                     "there\n"),
            std::string::npos)
      << out;
  for (int k = 0; k < 4; ++k) {
    std::string name = "/DATA.Z0" + std::to_string(k);
    EXPECT_EQ(testing::ReadFile(work / "x" + name), testing::ReadFile(work / "new" + name));
    EXPECT_EQ(testing::ReadFile(work / "x/DATA.BIN 2017-07-14 02-40-00" + name),
              testing::ReadFile(work / "old" + name));
  }
}

// A stop during the merge of one set ends the whole join from mail: the
// next set is not joined, and the temporary directory is removed.
TEST_F(MailReceivedTest, StopDuringOneSetJoinsNoFurtherSet) {
  testing::Run("mkdir -p " + work / "Maildir/cur " + work / "p " + work / "joined " + work / "tmp");
  std::vector<std::string> attachments;
  for (const char* name : {"A.BIN", "B.BIN"}) {
    testing::WriteFile(work / name, testing::RandomBytes(9000, 3));
    testing::RunPythonScript("merge_part_writer.py", {work / name, work / "p", "3000"});
  }
  for (const std::string& name : testing::ListDir(work / "p")) {
    attachments.push_back("base64:" + work / ("p/" + name));
  }
  testing::WriteWithPython(work / "Maildir/cur/1", attachments);
  ::setenv("TMPDIR", (work / "tmp").c_str(), 1);
  testing::ScriptedUi ui;
  ui.mergeDialog = [&](MergeForm& form) {
    form.SetField(work / "joined");
    return form.Ok() == DialogResult::kOk;
  };
  ui.StopAtPump(1);
  SettingsStore settings{work / "cfg/fennimar/FENNIMAR.INI"};
  SystemDrives drives;
  EXPECT_EQ(JoinFromMail(ui, settings, drives, {ClassifySource(work / "Maildir")}),
            MailJoinOutcome::kStopped);
  ::unsetenv("TMPDIR");
  EXPECT_EQ(ui.progressDialogsShown, 1);
  EXPECT_TRUE(testing::ListDir(work / "joined").empty());
  EXPECT_TRUE(testing::ListDir(work / "tmp").empty());
}

}  // namespace
}  // namespace fennimar
