#include "split/split_form.h"

#include <algorithm>
#include <utility>

#include "format/part_format.h"
#include "platform/directories.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "settings/setting_values.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "text/ascii.h"
#include "text/printf_text.h"
#include "ui/ensure_directory.h"

namespace fennimar {
namespace {

// Far above any size the format can hold, far below overflow after * 1024.
constexpr std::int64_t kSizeNumberCap = std::int64_t{1} << 50;

}  // namespace

std::optional<std::int64_t> ParseSizeNumber(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos || !IsAsciiDigit(text[i])) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
    value = std::min(kSizeNumberCap, value * 10 + (text[i] - '0'));
  }
  return value;
}

SplitForm::SplitForm(UserInterface& ui, SettingsStore& settings, std::string selectedPath,
                     std::int64_t sourceLength)
    : ui_(ui),
      settings_(settings),
      selectedPath_(std::move(selectedPath)),
      sourceLength_(sourceLength) {}

void SplitForm::Open() {
  email_ = false;
  mailTo_.clear();
  namespace s = settings;
  s::ChunkType chunk = s::ParseChunkType(
      settings_.ReadSetting(s::kSection, s::kChType, s::kChunkFallbackForSplit, s::kShortValue));
  auto workDir = s::ParseDirectory(
      settings_.ReadSetting(s::kSection, s::kWorkDir, s::kSameDirectory, s::kDirectoryValue));
  s::FillFormat format = s::ParseFillFormat(
      settings_.ReadSetting(s::kSection, s::kFormat, s::kFillFormatFallback, s::kShortValue),
      /*byPrefix=*/true);

  directory_ = workDir ? *workDir : DirectoryOf(selectedPath_);
  directory_.resize(std::min(directory_.size(), kMaxDirectoryLength));
  if (format == s::FillFormat::kFree) fillToCapacity_ = true;
  manifest_ = s::ParseManifestSetting(
      settings_.ReadSetting(s::kSection, s::kManifest, s::kManifestFallback, s::kShortValue));
  recoveryCount_ = s::ParseRecoverySetting(
      settings_.ReadSetting(s::kSection, s::kRecovery, s::kRecoveryFallback, s::kShortValue));

  std::int64_t n = 0;
  if (chunk.kind == s::ChunkKind::kOther) {
    n = ParseSizeNumber(chunk.size).value_or(0);
    choice_ = SizeChoice::kOther;
  } else if (chunk.kind == s::ChunkKind::k2DD) {
    choice_ = SizeChoice::k2DD;
    n = k2DDKilobytes;
    ShowSizeControls(false);
    chunkSize_ = k2DDChunkSize;
  } else if (chunk.kind == s::ChunkKind::k2HD) {
    choice_ = SizeChoice::k2HD;
    n = k2HDKilobytes;
    ShowSizeControls(false);
    chunkSize_ = k2HDChunkSize;
  }
  // A size as large as the file, or none at all, becomes one that gives two parts.
  if (n == 0 || n * 1024 >= sourceLength_) n = sourceLength_ / 2048 + 1;
  sizeUnitIsKilobytes_ = true;
  SetSizeText(std::to_string(n));
}

void SplitForm::SetDirectory(const std::string& text) {
  directory_ = text.substr(0, kMaxDirectoryLength);
}

bool SplitForm::SetSizeText(const std::string& text) {
  sizeText_ = text.substr(0, kMaxSizeTextLength);
  if (!SizeTextHasOnlyDigits()) {
    Warn("Digit expected");
    return false;
  }
  if (!ParseSizeNumber(sizeText_)) return true;
  chunkSize_ = SizeFromText();
  UpdatePreview();
  return true;
}

void SplitForm::Choose2DD() {
  choice_ = SizeChoice::k2DD;
  ShowSizeControls(false);
  chunkSize_ = k2DDChunkSize;
  UpdatePreview();
}

void SplitForm::Choose2HD() {
  choice_ = SizeChoice::k2HD;
  ShowSizeControls(false);
  chunkSize_ = k2HDChunkSize;
  UpdatePreview();
}

void SplitForm::ChooseFat32() {
  choice_ = SizeChoice::kFat32;
  ShowSizeControls(false);
  chunkSize_ = kFat32ChunkSize;
  UpdatePreview();
}

void SplitForm::ChooseMailLimit() {
  choice_ = SizeChoice::kMailLimit;
  ShowSizeControls(false);
  chunkSize_ = 0;
  previewText_ = "File will be divided to fit the mail server's limit";
}

void SplitForm::ChooseOther() {
  choice_ = SizeChoice::kOther;
  ShowSizeControls(true);
  chunkSize_ = SizeFromText();
  UpdatePreview();
}

void SplitForm::ChooseKilobytes() {
  std::int64_t v = ParseSizeNumber(sizeText_).value_or(0);
  if (!sizeUnitIsKilobytes_) {
    sizeUnitIsKilobytes_ = true;
    v /= 1024;
  }
  SetSizeText(std::to_string(v));
}

void SplitForm::ChooseBytes() {
  std::int64_t v = ParseSizeNumber(sizeText_).value_or(0);
  if (sizeUnitIsKilobytes_) {
    sizeUnitIsKilobytes_ = false;
    v *= 1024;
  }
  SetSizeText(std::to_string(v));
}

void SplitForm::SetFillToCapacity(bool checked) {
  fillToCapacity_ = checked;
  UpdatePreview();
}

void SplitForm::SetEmail(bool checked) { email_ = checked; }

void SplitForm::SetManifest(bool checked) { manifest_ = checked; }

void SplitForm::SetMailTo(const std::string& text) { mailTo_ = text; }

DialogResult SplitForm::Ok() {
  missingSetting_ = {};
  std::string directory = directory_;
  if (choice_ == SizeChoice::kOther) {
    if (!SizeTextHasOnlyDigits()) {
      Warn("Digit expected");
      return DialogResult::kStayOpen;
    }
    // An empty field counts as no size at all, never as the last one shown.
    chunkSize_ = SizeFromText();
    if (chunkSize_ <= 100) {
      Warn("Chunk size must greater then 100 bytes\n" + SmallestPartSizeText());
      return DialogResult::kStayOpen;
    }
  }
  if (choice_ == SizeChoice::kMailLimit && (!email_ || mailTo_.empty())) {
    ui_.ShowMessage(
        "The mail server's limit sizes only parts that are mailed: please check "
        "Email files and fill email address",
        "Split", MessageKind::kOk);
    return DialogResult::kStayOpen;
  }
  if (directory.empty()) directory = std::string(kRootDirectory);

  if (!DirectoryIsThere(EnsureDirectory(ui_, directory, "Split"))) return DialogResult::kCancel;

  request_.fillToCapacity = fillToCapacity_;
  request_.writeManifest = manifest_;
  request_.recoveryCount = recoveryCount_;
  request_.targetDirectory = directory;
  request_.chunkSize = chunkSize_;
  request_.partsFitMail = choice_ == SizeChoice::kMailLimit;
  request_.chunkSizeIsCap =
      choice_ == SizeChoice::k2DD || choice_ == SizeChoice::k2HD || choice_ == SizeChoice::kFat32;
  request_.mailTo.clear();
  if (email_) {
    if (mailTo_.empty()) {
      ui_.ShowMessage("Please fill email address", "Split", MessageKind::kOk);
      return DialogResult::kStayOpen;
    }
    // Mailing needs a return address and a server from the settings.
    const std::pair<std::string_view, const char*> needed[] = {
        {settings::kMyAddress, "Please fill return email address in setup/defaults dialog"},
        {settings::kSmtpHost, "Please fill return SMTP host in setup/defaults dialog"},
    };
    for (const auto& [key, complaint] : needed) {
      if (settings_.ReadSetting(settings::kSection, key, "", settings::kDialogMailValue).empty()) {
        ui_.ShowMessage(complaint, "Split", MessageKind::kOk);
        missingSetting_ = key;
        return DialogResult::kStayOpen;
      }
    }
    request_.mailTo = mailTo_;
  }
  return DialogResult::kOk;
}

std::string SmallestPartSizeText() {
  return "The smallest part size is " + std::to_string(kMinPartSize) + " bytes.";
}

bool HasOnlyDigitsAndBlanks(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return IsAsciiDigit(c) || c == ' '; });
}

bool SplitForm::SizeTextHasOnlyDigits() const { return HasOnlyDigitsAndBlanks(sizeText_); }

std::int64_t SplitForm::SizeFromText() const {
  std::int64_t number = ParseSizeNumber(sizeText_).value_or(0);
  return sizeUnitIsKilobytes_ ? number * 1024 : number;
}

void SplitForm::ShowSizeControls(bool visible) { sizeControlsVisible_ = visible; }

void SplitForm::UpdatePreview() {
  if (chunkSize_ <= std::int64_t{kHeaderSize}) return;
  std::int64_t division = chunkSize_ - std::int64_t{kHeaderSize};
  long count = static_cast<long>((sourceLength_ + division - 1) / division);
  previewText_ = Format(fillToCapacity_ ? "File will be divided approximately into %3ld parts"
                                        : "File will be divided into %3ld parts",
                        count);
}

void SplitForm::Warn(const std::string& text) {
  ui_.ShowMessage(text, "Split", MessageKind::kOkWarning);
}

}  // namespace fennimar
