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
  std::vector<std::string> seen;
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    const std::string file = PathToUtf8(PathFromUtf8(folder) / kFileName);
    const std::string key = Normal(file);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    candidates_.push_back(file);
  }
}

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
