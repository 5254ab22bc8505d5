// ReceivedSets: the part sets that arrived by mail, ready to be joined. The
// part files are taken out of the given mail sources (and part files given
// beside them are linked, with the rest of their sets) into a private
// temporary directory, which is removed with everything in it when the
// ReceivedSets ends, whichever way its owner leaves; the directory of a run
// that was killed is removed by the next one (LockedTempDirectory). Parts
// are grouped by what their headers say (SetIdentity), each set in its own
// subdirectory, so two sets of one name never mix. A set's manifest and
// recovery files go beside its parts, under the names the join looks for.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "format/set_identity.h"
#include "mail/store/mail_source.h"
#include "mail/store/part_extractor.h"
#include "platform/locked_temp_directory.h"
#include "platform/path.h"

namespace fennimar {

struct ReceivedSet {
  SetIdentity identity;
  std::string firstPart;             // part 00 in the temporary directory
  std::vector<std::string> missing;  // the names of the parts not found
  std::vector<std::string> sources;  // the labels of the sources that held its parts
  std::optional<std::int64_t> date;  // the latest "Date" of the messages that held its parts
  int recovery = 0;                  // its recovery files that arrived
  bool complete() const { return missing.empty(); }
  // Whole, or with no more parts missing than recovery files to rebuild
  // them from, part 00 among them.
  bool joinable() const { return complete() || static_cast<int>(missing.size()) <= recovery; }
};

class ReceivedSets {
 public:
  // Gathers the sets of `sources` (of absolute paths): mail messages,
  // mailboxes, Maildirs and part files. Empty when no temporary directory
  // can be made. `stopRequested` is asked while the parts are taken out;
  // once it says yes, nothing more is read and stopped() is true.
  static Result<ReceivedSets> Gather(const std::vector<MailSource>& sources,
                                     const std::function<bool()>& stopRequested = {});

  // In the order their first parts were met; each set that has any of its
  // parts here.
  const std::vector<ReceivedSet>& sets() const { return sets_; }
  // Every named attachment of the mail sources, and what became of it.
  const std::vector<ExtractedPart>& extracted() const { return extracted_; }
  // The sources that are neither mail nor part files.
  const std::vector<MailSource>& refused() const { return refused_; }
  const std::string& directory() const { return directory_.Path(); }
  bool stopped() const { return stopped_; }
  // How a file in the temporary directory is named to the user: the
  // attachment and the message it came from, or the part file linked.
  std::string LabelOf(const std::string& path) const;

 private:
  explicit ReceivedSets(LockedTempDirectory directory) : directory_(std::move(directory)) {}
  std::string PlaceOf(const SetIdentity& set);
  void LinkSet(const MailSource& part);
  void FindSets();
  int TakeCompanions(const std::string& place, const std::string& base, const SetIdentity& identity,
                     const std::vector<std::string>& names);

  LockedTempDirectory directory_;
  bool stopped_ = false;
  std::vector<ReceivedSet> sets_;
  std::vector<ExtractedPart> extracted_;
  std::vector<MailSource> refused_;
  // Each set's subdirectory, in the order the sets were met.
  std::vector<std::pair<SetIdentity, std::string>> places_;
  std::map<std::string, std::string> labels_;             // by path in the directory
  std::map<std::string, std::vector<std::string>> from_;  // the sources, by subdirectory
  std::map<std::string, std::int64_t> dates_;             // the latest Date, by subdirectory
};

}  // namespace fennimar
