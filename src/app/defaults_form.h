// DefaultsForm: the state and rules of the defaults dialog ("Fennimar
// Defaults"), without widgets. The dialog mirrors this state into its
// controls and forwards every edit and click; tests drive it directly.
//
// Opening reads ChType, WorkDir, MergeDir, ON_CHKSUM_ERR, Format, Manifest,
// Recovery, SMTPHost (shown as host and port), SMTPSecurity, SMTPUser and
// MyAddress; OK
// validates the Other size, the port and the login, keeps a typed password
// in the keyring (never in the settings file), asks about missing predefined
// directories and writes the keys back. A merge directory that the user
// declines to create (or that cannot be created) ends the dialog with only
// the keys written so far.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "format/path_limits.h"
#include "mail/smtp/smtp_settings.h"
#include "platform/system_error.h"
#include "split/split_form.h"
#include "ui/ensure_directory.h"
#include "ui/user_interface.h"

namespace fennimar {
class SettingsStore;
}

namespace fennimar::app {

enum class ChunkChoice { k2DD, k2HD, kOther };
enum class DirectoryChoice { kSameAsSource, kPredefined };

// How many characters each edit yields when read on OK (the size and the
// directories as in the split dialog).
inline constexpr std::size_t kDefaultsMailLength = 254;
inline constexpr std::size_t kPortLength = 5;

// Keeps the password of `user` at `server` (the SMTPHost text); a failure
// carries the keyring's reason.
using PasswordKeeper = std::function<Result<void>(
    const std::string& user, const std::string& server, const std::string& password)>;

class DefaultsForm {
 public:
  // `homeDirectory` is where the suggested directories for a first
  // predefined choice lie; `keeper` keeps a typed password.
  DefaultsForm(UserInterface& ui, SettingsStore& settings, std::string homeDirectory,
               PasswordKeeper keeper = {});

  // Loads the controls from the settings.
  void Open();

  // The user's clicks and edits.
  void ChooseChunk(ChunkChoice choice);
  void ChooseDirectory(DirectoryChoice choice);
  void SetOtherSize(const std::string& text) { otherSize_ = text.substr(0, kMaxSizeTextLength); }
  void SetSplitDirectory(const std::string& text) {
    splitDirectory_ = text.substr(0, kMaxDirectoryLength);
  }
  void SetMergeDirectory(const std::string& text) {
    mergeDirectory_ = text.substr(0, kMaxDirectoryLength);
  }
  void SetContinueOnChecksumError(bool checked) { continueOnChecksumError_ = checked; }
  void SetFillToMaximum(bool checked) { fillToMaximum_ = checked; }
  void SetManifest(bool checked) { manifest_ = checked; }
  // The split's recovery files unless told otherwise; kept within 0 to
  // settings::kMaxRecoverySetting.
  void SetRecoveryCount(int count);
  void SetSmtpHost(const std::string& text) { smtpHost_ = text.substr(0, kDefaultsMailLength); }
  void SetMyAddress(const std::string& text) { myAddress_ = text.substr(0, kDefaultsMailLength); }
  // Empty: the security's usual port.
  void SetSmtpPort(const std::string& text) { smtpPort_ = text.substr(0, kPortLength); }
  void ChooseSecurity(SmtpSecurity security) { security_ = security; }
  void SetSmtpUser(const std::string& text) { smtpUser_ = text.substr(0, kDefaultsMailLength); }
  // Empty: the kept password stays as it is.
  void SetPassword(const std::string& text) { password_ = text; }

  // OK: kStayOpen after a validation message (nothing written); otherwise
  // kOk once the dialog may close, with every key written or, when the merge
  // directory question ended the save, only those written before it.
  DialogResult Ok();

  // The state the dialog shows.
  ChunkChoice chunkChoice() const { return chunkChoice_; }
  DirectoryChoice directoryChoice() const { return directoryChoice_; }
  bool otherSizeVisible() const { return chunkChoice_ == ChunkChoice::kOther; }
  bool directoriesVisible() const { return directoryChoice_ == DirectoryChoice::kPredefined; }
  const std::string& otherSize() const { return otherSize_; }
  const std::string& splitDirectory() const { return splitDirectory_; }
  const std::string& mergeDirectory() const { return mergeDirectory_; }
  bool continueOnChecksumError() const { return continueOnChecksumError_; }
  bool fillToMaximum() const { return fillToMaximum_; }
  bool manifest() const { return manifest_; }
  int recoveryCount() const { return recoveryCount_; }
  const std::string& smtpHost() const { return smtpHost_; }
  const std::string& myAddress() const { return myAddress_; }
  const std::string& smtpPort() const { return smtpPort_; }
  // None when the stored SMTPSecurity names none of its values and nothing
  // has been chosen: the dialog then shows no choice, and OK keeps the
  // stored text (the mailer refuses it) rather than store plain text.
  std::optional<SmtpSecurity> security() const { return security_; }
  const std::string& smtpUser() const { return smtpUser_; }

 private:
  // Asks to create `directory` when it is missing, naming it in the question.
  DirectoryOutcome AskForDirectory(const std::string& directory);
  // Loads the server, security, login and return address fields.
  void OpenMailFields();
  void Write(std::string_view key, const std::string& value);
  // The SMTPHost text of the host and port fields.
  std::string ServerText() const;
  // Checks the port and that a typed password has its user; false after a
  // message.
  bool CheckMailFields();
  // Hands a typed password to the keyring; false after a message.
  bool KeepPassword();
  // The ChType text of the size choice; none after a message on an Other
  // size that is no number above 1.
  std::optional<std::string> ChunkTypeText();
  // Asks about the predefined directories, writing ChType and WorkDir when
  // the split directory was just created. False when the merge directory
  // is not there, after telling the user what was kept.
  bool EnsureDirectories(const std::string& chType, const std::string& workDir,
                         const std::string& mergeDir);
  // Writes the dialog's choices, the login keys only where they changed.
  void WriteEveryKey(const std::string& chType, const std::string& workDir,
                     const std::string& mergeDir);

  UserInterface& ui_;
  SettingsStore& settings_;
  std::string homeDirectory_;

  ChunkChoice chunkChoice_ = ChunkChoice::k2HD;
  DirectoryChoice directoryChoice_ = DirectoryChoice::kSameAsSource;
  std::string otherSize_;
  std::string splitDirectory_;
  std::string mergeDirectory_;
  bool continueOnChecksumError_ = false;
  bool fillToMaximum_ = false;
  bool manifest_ = true;
  int recoveryCount_ = 0;
  std::string smtpHost_;
  std::string myAddress_;
  std::string smtpPort_;
  std::optional<SmtpSecurity> security_ = SmtpSecurity::kNone;
  std::string smtpUser_;
  std::string password_;
  PasswordKeeper keeper_;
};

}  // namespace fennimar::app
