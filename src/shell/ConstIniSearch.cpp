#include "shell/ConstIniSearch.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"

namespace pw {

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(PathFromUtf8(path), ec);
}

// Two spellings of one folder ("." and the working folder's full name) are
// one place.
std::string Normal(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(PathFromUtf8(path), ec);
  return PathToUtf8((ec ? PathFromUtf8(path) : absolute).lexically_normal());
}

}  // namespace

ConstIniSearch::ConstIniSearch(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    if (!folder.empty()) Add(PathToUtf8(PathFromUtf8(folder) / kFileName));
  }
}

bool ConstIniSearch::Add(const std::string& file) {
  const std::string key = Normal(file);
  if (std::find(keys_.begin(), keys_.end(), key) != keys_.end()) return false;
  keys_.push_back(key);
  candidates_.push_back(file);
  return true;
}

void ConstIniSearch::AllowSample(const std::string& file) {
  if (!file.empty() && sample_.empty() && Add(file)) sample_ = file;
}

bool ConstIniSearch::SampleChosen() const { return !sample_.empty() && Chosen() == sample_ && Exists(sample_); }

std::string ConstIniSearch::Chosen() const {
  for (const std::string& file : candidates_) {
    if (Exists(file)) return file;
  }
  return candidates_.empty() ? std::string(kFileName) : candidates_.front();
}

std::vector<std::string> ConstIniSearch::Report(bool refused) const {
  std::vector<std::string> lines;
  const std::string chosen = Chosen();
  bool passed = false;
  for (const std::string& file : candidates_) {
    const std::string shown = Normal(file);
    if (passed) {
      lines.push_back(shown + " (not looked at)");
    } else if (file == chosen && Exists(file)) {
      lines.push_back(shown + (refused ? " (found, not accepted)" : " (read)"));
      passed = true;
    } else {
      lines.push_back(shown + " (not found)");
    }
  }
  return lines;
}

}  // namespace pw
