#include "qt/ExitSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace pw {

#ifdef Q_OS_UNIX
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// [0] is written by the handler, [1] read by the event loop.
int gPipe[2] = {-1, -1};

extern "C" void OnExitSignal(int sig) {
  const int saved = errno;  // the interrupted code may be about to read errno
  const unsigned char byte = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(gPipe[0], &byte, 1);
  errno = saved;
}

}  // namespace
#endif

ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {}

ExitSignals::~ExitSignals() {
#ifdef Q_OS_UNIX
  if (!installed_) return;
  for (int sig : kSignals) ::signal(sig, SIG_DFL);
  notifier_.reset();
  ::close(gPipe[0]);
  ::close(gPipe[1]);
  gPipe[0] = gPipe[1] = -1;
#endif
}

bool ExitSignals::Install(std::function<void(int)> onSignal) {
#ifdef Q_OS_UNIX
  if (installed_ || gPipe[0] >= 0) return false;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) return false;
  // A flood of signals must never block the handler on a full pipe.
  ::fcntl(gPipe[0], F_SETFL, ::fcntl(gPipe[0], F_GETFL) | O_NONBLOCK);
  onSignal_ = std::move(onSignal);
  notifier_ = std::make_unique<QSocketNotifier>(gPipe[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &ExitSignals::OnReadable);

  struct sigaction action {};
  action.sa_handler = OnExitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
  installed_ = true;
  return true;
#else
  (void)onSignal;
  return false;
#endif
}

void ExitSignals::OnReadable() {
#ifdef Q_OS_UNIX
  unsigned char byte = 0;
  if (::read(gPipe[1], &byte, 1) == 1 && onSignal_) onSignal_(byte);
#endif
}

}  // namespace pw
