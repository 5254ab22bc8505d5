// PartMailer: what the split calls after each verified part when the user
// asked for the parts to be mailed. The real mailer sends the part as the one
// attachment of an e-mail message; the split only needs to know how it ended.
#pragma once

#include <functional>
#include <string>

namespace fennimar {

class UserInterface;

enum class MailOutcome {
  kMailed,   // the server accepted the message
  kFailed,   // the part was not mailed; the user has been told why
  kStopped,  // the user stopped a wait; the part may or may not have arrived
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
  virtual MailOutcome MailPart(UserInterface& owner, const std::string& partPath,
                               const std::string& mailTo, const std::string& sourceName, int index,
                               int count, const std::function<bool()>& keepWaiting) = 0;
};

}  // namespace fennimar
