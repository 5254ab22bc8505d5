#include "app/defaults_form.h"

#include <algorithm>
#include <cstdint>

#include "platform/directories.h"
#include "platform/file_status.h"
#include "platform/system_error.h"
#include "settings/setting_values.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "split/split_form.h"
#include "ui/ensure_directory.h"
#include "ui/message_text.h"

namespace fennimar::app {
namespace {

constexpr const char* kCaption = "Default";

}  // namespace

DefaultsForm::DefaultsForm(UserInterface& ui, SettingsStore& settings, std::string homeDirectory,
                           PasswordKeeper keeper)
    : ui_(ui),
      settings_(settings),
      homeDirectory_(std::move(homeDirectory)),
      keeper_(std::move(keeper)) {}

void DefaultsForm::Open() {
  namespace s = settings;
  // The hidden edits carry suggestions for when the user turns to them.
  otherSize_ = "70";
  std::string home = homeDirectory_.empty() || homeDirectory_ == "/" ? "" : homeDirectory_;
  splitDirectory_ = home + "/splitdir";
  mergeDirectory_ = home + "/mergedir";

  s::ChunkType chunk = s::ParseChunkType(
      settings_.ReadSetting(s::kSection, s::kChType, s::kChunkFallbackForDefaults, s::kShortValue));
  // The directories are read whole: a cut value would be written back cut
  // by the next OK.
  auto workDir = s::ParseDirectory(
      settings_.ReadSetting(s::kSection, s::kWorkDir, s::kSameDirectory, s::kDirectoryValue));
  std::string mergeDir =
      settings_.ReadSetting(s::kSection, s::kMergeDir, s::kSameDirectory, s::kDirectoryValue);
  s::ChecksumErrorAction onError =
      s::ParseChecksumErrorAction(settings_.ReadSetting(s::kSection, s::kOnChecksumError,
                                                        s::kChecksumErrorFallback, s::kShortValue),
                                  s::ChecksumErrorAction::kAbort);
  s::FillFormat format = s::ParseFillFormat(
      settings_.ReadSetting(s::kSection, s::kFormat, s::kFillFormatFallback, s::kShortValue));
  manifest_ = s::ParseManifestSetting(
      settings_.ReadSetting(s::kSection, s::kManifest, s::kManifestFallback, s::kShortValue));
  recoveryCount_ = s::ParseRecoverySetting(
      settings_.ReadSetting(s::kSection, s::kRecovery, s::kRecoveryFallback, s::kShortValue));
  OpenMailFields();

  if (chunk.kind == s::ChunkKind::k2HD) {
    chunkChoice_ = ChunkChoice::k2HD;
  } else if (chunk.kind == s::ChunkKind::k2DD) {
    chunkChoice_ = ChunkChoice::k2DD;
  } else {
    // Any other text shows as Other, with what follows its "DO ".
    SetOtherSize(chunk.size);
    chunkChoice_ = ChunkChoice::kOther;
  }
  continueOnChecksumError_ = onError == s::ChecksumErrorAction::kContinue;
  fillToMaximum_ = format == s::FillFormat::kFree;
  if (!workDir) {
    directoryChoice_ = DirectoryChoice::kSameAsSource;
  } else {
    directoryChoice_ = DirectoryChoice::kPredefined;
    SetSplitDirectory(*workDir);
    // Shown as it stands, "SAME" included.
    SetMergeDirectory(mergeDir);
  }
}

void DefaultsForm::OpenMailFields() {
  namespace s = settings;
  std::string server = settings_.ReadSetting(s::kSection, s::kSmtpHost, "", s::kDefaultsMailValue);
  security_ =
      ParseSecurity(settings_.ReadSetting(s::kSection, s::kSmtpSecurity, "", s::kShortValue));
  SetSmtpUser(settings_.ReadSetting(s::kSection, s::kSmtpUser, "", s::kDefaultsMailValue));
  // A server text with its own port shows it in the port field.
  auto parsed = ParseServerText(server, security_.value_or(SmtpSecurity::kNone));
  bool ownPort = parsed && server.find(':') != std::string::npos &&
                 (server.front() == '[' || server.find(':') == server.rfind(':'));
  SetSmtpHost(ownPort ? parsed->host : server);
  SetSmtpPort(ownPort ? std::to_string(parsed->port) : "");
  SetMyAddress(settings_.ReadSetting(s::kSection, s::kMyAddress, "", s::kDefaultsMailValue));
}

void DefaultsForm::ChooseChunk(ChunkChoice choice) { chunkChoice_ = choice; }

void DefaultsForm::SetRecoveryCount(int count) {
  recoveryCount_ = std::clamp(count, 0, settings::kMaxRecoverySetting);
}

void DefaultsForm::ChooseDirectory(DirectoryChoice choice) { directoryChoice_ = choice; }

void DefaultsForm::Write(std::string_view key, const std::string& value) {
  settings_.WriteSetting(settings::kSection, key, value);
}

DirectoryOutcome DefaultsForm::AskForDirectory(const std::string& directory) {
  // The dialog has two directories: the question names the one it means.
  return EnsureDirectory(ui_, directory, kCaption, DirectoryQuestion::kNamesDirectory);
}

std::string DefaultsForm::ServerText() const {
  if (smtpPort_.empty()) return smtpHost_;
  bool v6 = smtpHost_.find(':') != std::string::npos && smtpHost_.front() != '[';
  return (v6 ? "[" + smtpHost_ + "]" : smtpHost_) + ":" + smtpPort_;
}

bool DefaultsForm::CheckMailFields() {
  bool digits = !smtpPort_.empty() && smtpPort_.find_first_not_of("0123456789") == smtpPort_.npos;
  if (!smtpPort_.empty() && (!digits || std::stoi(smtpPort_) < 1 || std::stoi(smtpPort_) > 65535)) {
    ui_.ShowMessage("The port must be a number from 1 to 65535", kCaption, MessageKind::kOkWarning);
    return false;
  }
  if (!password_.empty() && smtpUser_.empty()) {
    ui_.ShowMessage("A password needs the user name it belongs to", kCaption,
                    MessageKind::kOkWarning);
    return false;
  }
  return true;
}

bool DefaultsForm::KeepPassword() {
  if (password_.empty()) return true;
  Result<void> kept = keeper_ ? keeper_(smtpUser_, ServerText(), password_)
                              : SystemError::WithReason("keep the password", "no keyring");
  if (!kept) {
    ui_.ShowMessage("The password could not be kept in the keyring:\n" + kept.error().Reason(),
                    kCaption, MessageKind::kOkWarning);
    return false;
  }
  password_.clear();
  return true;
}

std::optional<std::string> DefaultsForm::ChunkTypeText() {
  namespace s = settings;
  s::ChunkType chunk;
  switch (chunkChoice_) {
    case ChunkChoice::k2DD:
      chunk.kind = s::ChunkKind::k2DD;
      break;
    case ChunkChoice::k2HD:
      chunk.kind = s::ChunkKind::k2HD;
      break;
    case ChunkChoice::kOther: {
      chunk = {s::ChunkKind::kOther, otherSize_};
      if (!HasOnlyDigitsAndBlanks(otherSize_)) {
        ui_.ShowMessage("Digit expected", kCaption, MessageKind::kOkWarning);
        return std::nullopt;
      }
      // A field of blanks holds no size at all, which is no size above 1k.
      auto kilobytes = ParseSizeNumber(otherSize_);
      if (!kilobytes || *kilobytes <= 1) {
        ui_.ShowMessage("Chunk size must greater then 1k", kCaption, MessageKind::kOkWarning);
        return std::nullopt;
      }
      break;
    }
  }
  return s::FormatChunkType(chunk);
}

bool DefaultsForm::EnsureDirectories(const std::string& chType, const std::string& workDir,
                                     const std::string& mergeDir) {
  namespace s = settings;
  bool splitSaved = AskForDirectory(workDir) == DirectoryOutcome::kCreated;
  if (splitSaved) {
    Write(s::kChType, chType);
    Write(s::kWorkDir, workDir);
  }
  // A merge directory the user does not want, or that cannot be made,
  // ends the save here. One that was just created is kept together with
  // every other choice of the dialog: the user confirmed all of them.
  if (DirectoryIsThere(AskForDirectory(mergeDir))) return true;
  // The dialog closes; the user is told what was kept and why.
  ui_.ShowMessage(MessageText(splitSaved ? "Only the chunk size and the directory for "
                                           "splitting were saved: the directory for merge "
                                           "does not exist"
                                         : "The defaults were not saved: the directory for "
                                           "merge does not exist",
                              mergeDir),
                  kCaption, MessageKind::kOkWarning);
  return false;
}

void DefaultsForm::WriteEveryKey(const std::string& chType, const std::string& workDir,
                                 const std::string& mergeDir) {
  namespace s = settings;
  Write(s::kChType, chType);
  Write(s::kWorkDir, workDir);
  Write(s::kMergeDir, mergeDir);
  Write(s::kOnChecksumError, std::string(s::FormatChecksumErrorAction(
                                 continueOnChecksumError_ ? s::ChecksumErrorAction::kContinue
                                                          : s::ChecksumErrorAction::kAbort)));
  Write(s::kFormat, std::string(s::FormatFillFormat(fillToMaximum_ ? s::FillFormat::kFree
                                                                   : s::FillFormat::kFixed)));
  Write(s::kManifest, std::string(s::FormatManifestSetting(manifest_)));
  Write(s::kRecovery, s::FormatRecoverySetting(recoveryCount_));
  Write(s::kSmtpHost, ServerText());
  Write(s::kMyAddress, myAddress_);
  // The login keys are written once they differ from what the file holds
  // (a missing key means plain text and no login), so a setup without them
  // stays as it was.
  if (security_ && security_ != ParseSecurity(settings_.ReadSetting(s::kSection, s::kSmtpSecurity,
                                                                    "", s::kShortValue))) {
    Write(s::kSmtpSecurity, std::string(SecurityName(*security_)));
  }
  if (smtpUser_ != settings_.ReadSetting(s::kSection, s::kSmtpUser, "", s::kDefaultsMailValue)) {
    Write(s::kSmtpUser, smtpUser_);
  }
}

DialogResult DefaultsForm::Ok() {
  if (!CheckMailFields()) return DialogResult::kStayOpen;
  std::optional<std::string> chType = ChunkTypeText();
  if (!chType) return DialogResult::kStayOpen;
  std::string workDir = settings::FormatDirectory(std::nullopt);
  std::string mergeDir = settings::FormatDirectory(std::nullopt);
  if (directoryChoice_ == DirectoryChoice::kPredefined) {
    workDir = splitDirectory_.empty() ? "/" : splitDirectory_;
    mergeDir = mergeDirectory_.empty() ? "/" : mergeDirectory_;
    // A save that ended there closes the dialog all the same.
    if (!EnsureDirectories(*chType, workDir, mergeDir)) return DialogResult::kOk;
  }
  // Only a save that goes on changes the keyring.
  if (!KeepPassword()) return DialogResult::kStayOpen;
  WriteEveryKey(*chType, workDir, mergeDir);
  return DialogResult::kOk;
}

}  // namespace fennimar::app
