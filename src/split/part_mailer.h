// PartMailer: what the split calls after each verified part when the user
// asked for the parts to be mailed. The real mailer sends the part as the one
// attachment of an e-mail message; the split only needs to know how it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace fennimar {

class UserInterface;

enum class MailOutcome {
  kMailed,   // the server accepted the message
  kFailed,   // the part was not mailed; the user has been told why
  kStopped,  // the user stopped a wait; the part may or may not have arrived
};

// What a mail server said of the messages it takes: `outcome` kMailed when it
// was asked (`limit` then holds its announced size limit, none when it
// announced none), kFailed after the user has been told why, or kStopped.
struct ServerLimit {
  MailOutcome outcome = MailOutcome::kMailed;
  std::optional<std::uint64_t> limit;
};

// What a message of a set carries: a data part, or a file that follows the
// parts (the manifest, a recovery file).
enum class MailedKind { kPart, kManifest, kRecovery };

// One file as its message would carry it: the recipient, the split file's
// name, the file's name and size in bytes, and for a part its index and the
// number of parts, for a recovery file its index and the number of recovery
// files.
struct MailedPart {
  std::string mailTo;
  std::string sourceName;
  std::string partName;
  std::int64_t partSize = 0;
  int index = 0;
  int count = 0;
  MailedKind kind = MailedKind::kPart;
};

class PartMailer {
 public:
  virtual ~PartMailer() = default;
  // Asked once before the first part is written: whether the mailer's
  // settings allow it to send at all. False after telling the user why
  // through `owner`; the split then writes nothing.
  virtual bool CanMail(UserInterface& /*owner*/) { return true; }
  // Sends the part file at `partPath` to `mailTo`. `sourceName` is the split
  // file's name, `index` the part's index and `count` the planned number of
  // parts. Message boxes go through `owner`. While it waits for the server,
  // the mailer calls `keepWaiting` several times a second (it pumps the
  // window); false ends the wait and the part as kStopped.
  // Asked before the first part is written: connects to the server with the
  // settings MailPart uses (no login), reads its size limit and leaves. A
  // mailer that cannot tell answers no limit.
  virtual ServerLimit AskSizeLimit(UserInterface& /*owner*/,
                                   const std::function<bool()>& /*keepWaiting*/) {
    return {};
  }
  // The size in bytes, as the server counts it, of the message that would
  // carry `part`; none when it cannot be told.
  virtual std::optional<std::uint64_t> MessageSize(const MailedPart& /*part*/) {
    return std::nullopt;
  }
  virtual MailOutcome MailPart(UserInterface& owner, const std::string& partPath,
                               const std::string& mailTo, const std::string& sourceName, int index,
                               int count, const std::function<bool()>& keepWaiting) = 0;
  // Sends the file at `path` that follows the parts, described by `file`
  // (kManifest or kRecovery; its partName and partSize are not read), as
  // MailPart sends a part.
  virtual MailOutcome MailCompanion(UserInterface& owner, const std::string& path,
                                    const MailedPart& file,
                                    const std::function<bool()>& keepWaiting) = 0;
};

}  // namespace fennimar
