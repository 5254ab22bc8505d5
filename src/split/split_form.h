// SplitForm: the state and rules of the split dialog ("Split file"), without
// widgets. The desktop dialog mirrors this state into its controls and
// forwards every change and click; the terminal front end drives it from its
// options; tests drive it directly.
//
// The size number field follows one rule whoever changes it: a character
// other than a digit or a blank shows "Digit expected" and changes nothing
// else; otherwise the number (times 1024 in kilobytes) becomes chunkSize and
// the preview follows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "format/part_format.h"
#include "format/path_limits.h"
#include "platform/drive.h"
#include "split/split_request.h"
#include "ui/user_interface.h"

namespace fennimar {

class SettingsStore;

// kMailLimit: parts as large as the mail server's size limit allows, found
// when the split asks the server; only for a split that mails its parts.
enum class SizeChoice { kNone, k2DD, k2HD, kFat32, kOther, kMailLimit };

// The free space of freshly formatted 720 kB and 1.44 MB floppies, the part
// sizes of the two floppy choices, and the kilobyte numbers shown for them.
inline constexpr std::int64_t k2DDChunkSize = 730112;
inline constexpr std::int64_t k2HDChunkSize = 1457664;
inline constexpr std::int64_t k2DDKilobytes = 712;
inline constexpr std::int64_t k2HDKilobytes = 1400;
// The part size for FAT32 sticks: a file there holds up to 4 GiB - 1 bytes,
// a part file at most 2 GiB - 1, so a part is as large as the format allows.
inline constexpr std::int64_t kFat32ChunkSize =
    std::min(static_cast<std::int64_t>(kFatLargestFile), kMaxPartSize);
inline constexpr std::size_t kMaxSizeTextLength = 19;
// Part files hold at least kMinDivisionSize data bytes, so no part is
// smaller than kMinPartSize, header included. Every refusal of a smaller
// size ends with SmallestPartSizeText(), so the one minimum reads the same
// wherever a size is refused.
inline constexpr std::int64_t kMinDivisionSize = 1000;
inline constexpr std::int64_t kMinPartSize =
    kMinDivisionSize + static_cast<std::int64_t>(kHeaderSize);
// "The smallest part size is 1086 bytes."
std::string SmallestPartSizeText();

// The number a size text starts with, after leading blanks; empty when there
// is none. Values beyond any file size are capped rather than wrapped.
std::optional<std::int64_t> ParseSizeNumber(const std::string& text);
// The rule of every size field (split and defaults): only digits and blanks.
bool HasOnlyDigitsAndBlanks(const std::string& text);

class SplitForm {
 public:
  SplitForm(UserInterface& ui, SettingsStore& settings, std::string selectedPath,
            std::int64_t sourceLength);

  // Fills the form from the settings ChType, WorkDir and Format and the
  // selected file: the proposed directory, the size choice and number, the
  // fill box and the preview.
  void Open();

  // The user's edits and clicks.
  void SetDirectory(const std::string& text);  // keeps at most 99 characters
  // Keeps at most 19 characters and applies the field rule; false when the
  // text was refused with "Digit expected".
  bool SetSizeText(const std::string& text);
  void Choose2DD();
  void Choose2HD();
  void ChooseFat32();
  void ChooseOther();
  void ChooseMailLimit();
  void ChooseKilobytes();
  void ChooseBytes();
  void SetFillToCapacity(bool checked);
  void SetEmail(bool checked);
  // The "Write SHA-256 manifest" box; opened from the Manifest setting.
  void SetManifest(bool checked);
  void SetMailTo(const std::string& text);
  // The "Recovery files" field; 0 for none. Opened from the Recovery
  // setting.
  void SetRecoveryCount(int count) { recoveryCount_ = count; }

  // OK: validates, asks about (and creates) a missing directory. kStayOpen
  // after a message the user must act on; kOk with request() complete;
  // kCancel when the directory was not created.
  DialogResult Ok();

  // The state the dialog shows.
  const std::string& directory() const { return directory_; }
  const std::string& sizeText() const { return sizeText_; }
  SizeChoice choice() const { return choice_; }
  bool sizeUnitIsKilobytes() const { return sizeUnitIsKilobytes_; }
  bool sizeControlsVisible() const { return sizeControlsVisible_; }
  bool fillToCapacity() const { return fillToCapacity_; }
  bool email() const { return email_; }
  bool manifest() const { return manifest_; }
  int recoveryCount() const { return recoveryCount_; }
  bool mailToEnabled() const { return email_; }
  const std::string& mailTo() const { return mailTo_; }
  const std::string& previewText() const { return previewText_; }
  std::int64_t chunkSize() const { return chunkSize_; }
  const std::string& selectedPath() const { return selectedPath_; }
  // Complete after Ok() returned kOk.
  const SplitRequest& request() const { return request_; }
  // The settings key whose absence kept the last Ok() from mailing (the
  // return address or the server), so that a front end without the
  // defaults dialog can name it; empty otherwise.
  std::string_view missingSetting() const { return missingSetting_; }

 private:
  bool SizeTextHasOnlyDigits() const;
  std::int64_t SizeFromText() const;
  void ShowSizeControls(bool visible);
  void UpdatePreview();
  void Warn(const std::string& text);

  UserInterface& ui_;
  SettingsStore& settings_;
  std::string selectedPath_;
  std::int64_t sourceLength_;

  std::string directory_;
  std::string sizeText_;
  SizeChoice choice_ = SizeChoice::kNone;
  bool sizeUnitIsKilobytes_ = true;
  bool sizeControlsVisible_ = true;
  bool fillToCapacity_ = false;
  bool email_ = false;
  bool manifest_ = true;
  int recoveryCount_ = 0;
  std::string mailTo_;
  std::string previewText_ = "File will be divided into   0      parts";
  std::int64_t chunkSize_ = 0;
  SplitRequest request_;
  std::string_view missingSetting_;
};

}  // namespace fennimar
