// Where the procedures' constants "Const.ini" are looked for: the working
// folder first (a workshop keeps its constants beside its work), then the
// program's folder, then the user's configuration folder. The first file
// that exists is the one read; if it is refused, the search does not go on
// to the next, so the technician is never silently handed other constants.
// The shipped sample comes last and only when allowed: a run on the simulated
// radio may use it, a real bench never (its constants are the workshop's).
#pragma once

#include <string>
#include <vector>

namespace pw {

class ConstIniSearch {
 public:
  static constexpr const char* kFileName = "Const.ini";

  // Folders in the order they are searched; empty ones and repeats of an
  // earlier one are left out.
  explicit ConstIniSearch(const std::vector<std::string>& folders);

  const std::vector<std::string>& Candidates() const { return candidates_; }
  // Looks at the shipped sample `file` after every folder.
  void AllowSample(const std::string& file);
  // The first candidate that exists, or the first candidate when none does
  // (its read then fails as for a missing file).
  std::string Chosen() const;
  // Whether Chosen() is the sample: no folder holds a file.
  bool SampleChosen() const;
  // One line per candidate for the technician: where, and what was found.
  // `refused` marks the chosen file as found but not accepted.
  std::vector<std::string> Report(bool refused) const;

 private:
  bool Add(const std::string& file);

  std::vector<std::string> candidates_;
  std::vector<std::string> keys_;  // the candidates' normal forms
  std::string sample_;
};

}  // namespace pw
