// Qt event handlers and slots must not let an exception escape into the event
// loop: the program's calls from them go through here.
#pragma once

#include <QtGlobal>
#include <exception>
#include <utility>

namespace pw {

template <typename F>
void Guarded(const char* where, F&& f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (const std::exception& e) {
    qWarning("%s: %s", where, e.what());
  } catch (...) {
    qWarning("%s: unknown failure", where);
  }
}

}  // namespace pw
