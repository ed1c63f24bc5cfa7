// One connection to an instrument (or to a USB-to-GPIB adapter and the
// instruments behind it): opens the link, splits what arrives into answer
// lines and runs one exchange at a time, each with its own time-out counted
// down on the program's clock. Never waits: Task() is called on every tick.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "platform/IClock.h"
#include "platform/IInstrumentLink.h"
#include "serial/clsCmcTick.h"

namespace pw {

class ScpiSession {
 public:
  enum class Answer { Waiting, Got, TimedOut, Lost };

  // gpibAdapter: the link is a USB-to-GPIB adapter taking "++" commands.
  ScpiSession(std::unique_ptr<IInstrumentLink> link, IClock& clock, bool gpibAdapter);

  // Starts opening the link if it is closed or failed; returns at once.
  void Open();
  void Close();
  bool IsOpen() const;
  // The link failed to open or was lost since Open().
  bool IsLost() const;
  std::string LinkError() const;

  // One bounded step: takes what has arrived and counts the time-out down.
  void Task();

  // Sends one command without waiting for anything. gpib >= 0 addresses that
  // instrument behind an adapter first. False when the link is not open.
  bool Send(const std::string& command, int gpib = -1);
  // Sends a query; its answer is polled with PollAnswer().
  bool StartQuery(const std::string& command, int gpib, int timeoutMs);
  // Got: `line` holds the answer without its line end.
  Answer PollAnswer(std::string& line);
  // The query's answer, should it still come, is not the next one's: it is
  // dropped when it arrives within the time-out, or the link is closed.
  void AbandonQuery();

  // Roles sharing this connection take turns: one owner at a time.
  bool TryAcquire(const void* owner);
  void Release(const void* owner);
  bool HeldBy(const void* owner) const { return owner_ == owner; }

  IInstrumentLink& link() { return *link_; }

 private:
  void TakeLines();
  void Lose();

  std::unique_ptr<IInstrumentLink> link_;
  clsCmcTick timeout_;
  bool gpibAdapter_;
  bool opened_ = false;  // Open() asked for and the link has opened since
  bool lost_ = false;
  bool waiting_ = false;
  bool timedOut_ = false;
  int abandoned_ = 0;
  clsCmcTick abandonTimeout_;
  std::string partial_;
  std::deque<std::string> lines_;
  const void* owner_ = nullptr;
};

}  // namespace pw
