// The questions saving a service record asks the technician. Each answer
// comes back through its reply, now or later (a desktop dialog answers
// from the event loop, so nothing waits for it); the front end shows real
// dialogs, tests answer by hand, and no test ever opens one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pw {

class IRecordDialogs {
 public:
  // A path or folder in UTF-8; empty when the technician cancelled.
  using PathReply = std::function<void(const std::string& path)>;

  virtual ~IRecordDialogs() = default;
  // Where to save a report: a save dialog opened in `folder` with `name`
  // filled in. It does not ask about existing files itself.
  virtual void AskSaveFile(const std::string& folder, const std::string& name, PathReply reply) = 0;
  // The folder that kept records go to, starting in `folder`.
  virtual void AskFolder(const std::string& folder, PathReply reply) = 0;
  // Whether these existing files may be replaced.
  virtual void AskOverwrite(const std::vector<std::string>& paths, std::function<void(bool replace)> reply) = 0;
};

}  // namespace pw
