// A bench instrument on USB through Linux's test-and-measurement class
// driver: a /dev/usbtmcN character device.
//
// The driver's read and write wait for the bus: a write until the
// instrument has taken the message, a read until it has sent a whole
// answer or the driver's own time-out (5 s) has passed. Its poll() only
// serves the asynchronous ioctl interface, which would have us build the
// class's bulk-transfer headers, message tags and end-of-message handling
// ourselves, things the driver's plain read and write already do right. So
// a link keeps one worker thread that makes the plain, blocking calls, and
// the window thread only hands it messages and takes its answers; neither
// ever waits for the other beyond a short lock. A closed link's worker is
// left to finish its call (at most the driver's time-out) and then ends
// alone.
//
// A USB instrument answers only when asked to (a read is a request to the
// instrument), and asking without a query before it is an error in its
// queue. The worker therefore reads one answer after each message that
// holds a query (a '?'), and never otherwise. Messages are the lines the
// core writes: each line goes out as one message, ending the message there.
#pragma once

#include <memory>
#include <string>

#include "platform/IInstrumentLink.h"

namespace pw {

class UsbtmcInstrumentLink : public IInstrumentLink {
 public:
  explicit UsbtmcInstrumentLink(const std::string& device);
  ~UsbtmcInstrumentLink() override;
  UsbtmcInstrumentLink(const UsbtmcInstrumentLink&) = delete;
  UsbtmcInstrumentLink& operator=(const UsbtmcInstrumentLink&) = delete;

  void Open() override;
  void Close() override;
  State GetState() const override;
  std::string ErrorText() const override;
  bool Write(const std::string& bytes) override;
  std::string ReadAll() override;

 private:
  struct Worker;

  std::string device_;
  std::shared_ptr<Worker> worker_;
  State state_ = State::Closed;
  std::string error_;
  std::string partialLine_;
};

}  // namespace pw
