// PartMailer: what the split calls after each verified part when the user
// asked for the parts to be mailed. The real mailer sends the part as the one
// attachment of an e-mail message; the split only needs its result.
#pragma once

#include <string>

namespace fennimar {

class UserInterface;

class PartMailer {
 public:
  virtual ~PartMailer() = default;
  // Sends the part file at `partPath` to `mailTo`. `sourceName` is the split
  // file's name, `index` the part's index and `count` the planned number of
  // parts. Message boxes go through `owner`. Returns 0 when the message was
  // handed to the server, nonzero when mailing failed.
  virtual int MailPart(UserInterface& owner, const std::string& partPath, const std::string& mailTo,
                       const std::string& sourceName, int index, int count) = 0;
};

}  // namespace fennimar
