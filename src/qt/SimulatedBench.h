// --simulate's radio test set: served in process on a loopback TCP port,
// with a bench file of its own that names it for every role. The file lives
// in a temporary folder for the run, so a technician's Bench.ini is never
// touched by a simulated session.
#pragma once

#include <QTemporaryDir>
#include <string>

#include "instruments/BenchFile.h"
#include "qt/TestSetServer.h"

namespace pw {

class SimulatedBench {
 public:
  explicit SimulatedBench(TestSetServer::RadioAccess withRadio);

  // Starts serving and writes the bench file; false with the reason.
  bool Start(std::string& why);
  const std::string& benchFile() const { return benchFile_; }
  TestSetServer& server() { return server_; }

  // Every role on the test set at 127.0.0.1:port; the PTT its switch, whose
  // transmit port takes the transmitter's power.
  static BenchConfig ConfigFor(quint16 port);

 private:
  TestSetServer server_;
  QTemporaryDir dir_;
  std::string benchFile_;
};

}  // namespace pw
