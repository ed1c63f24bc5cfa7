// A whole program against the simulated radio on virtual time, with the input
// choosing what happens next: heartbeat ticks, Connect and the other
// buttons, keys on any line, radio faults, bytes spoiled, dropped or
// injected on their way to the program, line errors and overflow.
//
// What must hold: no crash; after every message the port is closed and the
// model is back on the Connect page; and however the session went, once the
// line is clean again a Connect succeeds and leaves the image equal to the
// radio's memory.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "shell/frmMain.h"
#include "shell/start.h"
#include "sim/Radio.h"
#include "support/RecordingWindow.h"

namespace {

namespace fs = std::filesystem;
using pw::ByteStr;

const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("pwr4t-fuzz-session-" + std::to_string(::getpid()));
    fs::create_directories(p);
    // The shipped constants, so that start-up succeeds.
    fs::copy_file(fs::path(PW_SOURCE_DIR) / "Const.ini", p / "Const.ini", fs::copy_options::overwrite_existing);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Folder(), ec);
    });
    return p;
  }();
  return folder;
}

// The cable between the simulated radio and the program, with a hand in it:
// the next chunk from the radio can be dropped, spoiled in one byte or cut.
class TamperPort : public pw::ISerialPort {
 public:
  enum class Tamper { None, Drop, Flip, Cut };
  static constexpr size_t kPiece = 240;

  TamperPort(sim::Radio& radio, pw::VirtualClock& clock) : radio_(radio), clock_(clock), start_(clock.GetTickCount()) {}

  Tamper tamper = Tamper::None;
  uint8_t tamperArg = 0;

  bool Open(int, const std::string&) override { return open_ = true; }
  void Close() override {
    open_ = false;
    in_.clear();
  }
  bool IsOpen() const override { return open_; }
  int InBufferCount() const override { return static_cast<int>(in_.size()); }
  ByteStr ReadAll() override {
    ByteStr out;
    out.swap(in_);
    return out;
  }
  bool Write(const ByteStr& bytes) override {
    if (!open_) return false;
    radio_.Receive(bytes, Now());
    return true;
  }
  int OutBufferCount() const override { return 0; }
  bool DiscardOutput() override { return true; }

  void Pump() {
    ByteStr bytes = radio_.Transmit(Now());
    if (bytes.empty()) return;
    switch (tamper) {
      case Tamper::None:
        break;
      case Tamper::Drop:
        bytes.clear();
        break;
      case Tamper::Flip:
        bytes[tamperArg % bytes.size()] ^= static_cast<uint8_t>(1u << (tamperArg % 8));
        break;
      case Tamper::Cut:
        bytes.resize(tamperArg % bytes.size());
        break;
    }
    tamper = Tamper::None;
    // Without pacing a whole clone read is due at once; a port hands it over
    // in pieces. The receiver keeps only the last 256 bytes while it looks for
    // an echo, so a piece must leave an echo at its head inside that window.
    for (size_t at = 0; at < bytes.size(); at += kPiece) {
      Deliver(ByteStr(bytes.begin() + static_cast<long>(at),
                      bytes.begin() + static_cast<long>(std::min(bytes.size(), at + kPiece))));
    }
  }
  void Deliver(const ByteStr& bytes) {
    if (!open_ || bytes.empty()) return;
    in_.insert(in_.end(), bytes.begin(), bytes.end());
    if (in_.size() > static_cast<size_t>(kInBufferSize)) {
      in_.resize(kInBufferSize);
      Notify(pw::comEv::kRxOver);
      return;
    }
    Notify(pw::comEv::kReceive);
  }
  void Raise(int code) { Notify(code); }

 private:
  int64_t Now() const { return static_cast<int64_t>(static_cast<uint32_t>(clock_.GetTickCount() - start_)); }

  sim::Radio& radio_;
  pw::VirtualClock& clock_;
  int32_t start_;
  bool open_ = false;
  ByteStr in_;
};

sim::RadioOptions Options(uint8_t b) {
  sim::RadioOptions o;
  o.pacing = false;  // every byte is due at once: a whole session takes few ticks
  o.japan = (b & 1) != 0;
  o.temperatureC = -20.0 + (b >> 1) % 70;
  return o;
}

struct Session {
  explicit Session(uint8_t options) : radio(Options(options)), port(radio, clock) {
    app = std::make_unique<pw::PwApp>(port, clock, window, Folder().string(), (Folder() / "Const.ini").string());
  }

  pw::VirtualClock clock{1000};
  sim::Radio radio;
  TamperPort port;
  pw::test::RecordingWindow window;
  std::unique_ptr<pw::PwApp> app;
  size_t messagesSeen = 0;

  pw::clsIndOp_RigR4T& Model() { return *app->gIndOp; }

  // After a message: the port closed and the model back on the Connect page.
  void CheckAfterMessage() {
    CHECK(Model().opState() >= pw::op::Idle && Model().opState() < pw::op::Count);
    if (window.messages.size() == messagesSeen) return;
    messagesSeen = window.messages.size();
    CHECK(!app->gCom.comOpen());
    CHECK(Model().opState() == pw::op::Idle);
  }
  void Tick() {
    for (int i = 0; i < 5; ++i) {
      clock.Advance(10);
      port.Pump();
      CheckAfterMessage();
    }
    app->Tick();
    CheckAfterMessage();
  }
  bool Live() {
    for (int16_t i = 0; i < app->gConsole.ListCount(); ++i) {
      if (app->gConsole.flgChanged(i)) return false;
    }
    return Model().opState() >= pw::op::CycleStart && Model().opState() <= pw::op::CycleEnd && !Model().flgAtisWait() &&
           !app->myObjNbx3Seq.OpRunning();
  }
};

sim::Fault FaultFrom(pw::fuzz::FuzzInput& in) {
  sim::Fault f;
  f.kind = static_cast<sim::FaultKind>(in.Byte() % 11);
  const uint8_t t = in.Byte();
  const int value = in.Byte();
  switch (t % 5) {
    case 0:
      f.trigger = sim::FaultTrigger::always();
      break;
    case 1:
      f.trigger = sim::FaultTrigger::frame(value);
      break;
    case 2:
      f.trigger = sim::FaultTrigger::subCommand(value);
      break;
    case 3:
      f.trigger = sim::FaultTrigger::cloneFrame(value);
      break;
    default:
      f.trigger = sim::FaultTrigger::cloneEnd();
      break;
  }
  f.once = (t & 0x80) != 0;
  f.count = value;
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pw::fuzz::FuzzInput in(data, size);
  Session s(in.Byte());
  CHECK(s.app->Main());
  pw::frmMain& main = s.app->main;

  int events = 0;
  while (!in.empty() && ++events < 400) {
    switch (in.Byte() % 12) {
      case 0: {
        const int n = 1 + in.Byte() % 16;
        for (int i = 0; i < n; ++i) s.Tick();
        break;
      }
      case 1:
        main.cmd00_Click(0);
        break;
      case 2: {
        static constexpr int kKeys[] = {pw::keys::kLeft,      pw::keys::kRight, pw::keys::kReturn,
                                        pw::keys::kSeparator, pw::keys::kF5,    pw::keys::kUp};
        const uint8_t b = in.Byte();
        const int code = kKeys[b % 6];
        if (!main.Form_KeyDown(code, (b & 0x80) != 0)) main.lboConsole_KeyDown(code, (b & 0x80) != 0);
        break;
      }
      case 3:
        s.window.console.SetListIndex(in.Byte() % 16);
        break;
      case 4:
        main.cmd00_Click(static_cast<int16_t>(in.Byte() % 3));
        break;
      case 5: {
        const uint8_t b = in.Byte();
        s.port.tamper = static_cast<TamperPort::Tamper>(1 + b % 3);
        s.port.tamperArg = in.Byte();
        break;
      }
      case 6:
        s.port.Deliver(in.Bytes(in.Byte() % 64));
        s.CheckAfterMessage();
        break;
      case 7:
        s.port.Raise((in.Byte() & 1) ? pw::comEv::kFrame : pw::comEv::kRxOver);
        s.CheckAfterMessage();
        break;
      case 8:
        s.radio.addFault(FaultFrom(in));
        break;
      case 9: {
        const uint8_t b = in.Byte();
        s.radio.setTestSignal(-10.0 + b % 60);
        s.radio.setTemperatureC(-20.0 + (b >> 2) % 70);
        break;
      }
      case 10:  // let the program catch up: until the console is live, or a while
        for (int i = 0; i < 300 && !s.Live(); ++i) s.Tick();
        break;
      case 11:
        main.set_ComAutoRelease(static_cast<int16_t>(in.Byte() % 6));
        break;
    }
  }

  // A clean line from here on: Connect must work and read the radio exactly.
  s.radio.clearFaults();
  s.port.tamper = TamperPort::Tamper::None;
  main.set_ComAutoRelease(0);
  for (int i = 0; i < 4; ++i) s.Tick();  // whatever was on its way drains
  const size_t messagesBefore = s.window.messages.size();
  main.cmd00_Click(0);
  bool live = false;
  for (int i = 0; i < 600 && !live; ++i) {
    s.Tick();
    live = s.Live();
  }
  if (!live || s.window.messages.size() != messagesBefore) {
    std::fprintf(stderr, "no recovery: opState %d, messages %zu -> %zu%s%s\n", s.Model().opState(), messagesBefore,
                 s.window.messages.size(), s.window.messages.empty() ? "" : ", last: ",
                 s.window.messages.empty() ? "" : s.window.messages.back().c_str());
  }
  CHECK(live);
  CHECK(s.window.messages.size() == messagesBefore);
  const ByteStr image = s.app->gRadio.eepImage().ReadBlock(0, 4096);
  CHECK(image == ByteStr(s.radio.memory().begin(), s.radio.memory().end()));
  return 0;
}
