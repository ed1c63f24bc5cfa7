// The KQ-R4T as seen from the cloning cable: a byte-level model of the radio
// and of the shared line, driven by a caller-supplied monotonic time in ms.
//
// The cable is one shared line, so the program hears every byte it sends (the
// echo) before the radio answers. With pacing on, the line runs at 9600 baud
// 8N1 (960 bytes/s) and every byte becomes due when it has crossed the wire;
// with pacing off every byte is due at once.
#pragma once

#include "sim/Channels.h"
#include "sim/Fault.h"
#include "sim/MemoryMap.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// Channel groups, numbered as the service program numbers them.
enum class Group { Int = 0, Usa = 1, Can = 2, Wx = 3 };

struct RadioOptions {
  uint16_t model = 0x2320;
  uint16_t subName = 0x0001;
  bool japan = false;                 // factory memory marks the Japan version
  bool japanRefusesToneModes = true;  // a Japan radio refuses ATIS modes 1, 2 and 4
  bool pacing = true;
  int turnaroundMs = 2;  // from the end of a request to the answer
  double temperatureC = 25.0;
  double signalDbuV = 10.0;  // test signal at the antenna socket
  double supplyVolts = 7.4;
  uint32_t noiseSeed = 1;  // for NoiseBetweenFrames garbage
};

struct GeneratorSignal {
  int64_t hz = 0;
  double dBuV = 0.0;
};

struct FrameLogEntry {
  enum class Direction { Rx, Tx };  // seen from the radio: Rx came from the program
  int64_t timeMs = 0;               // when the frame's last byte had crossed the line
  Direction direction = Direction::Rx;
  std::vector<uint8_t> bytes;  // the whole frame, FE FE ... FD
};

// "RX FE FE EE EF E0 23 20 00 00 FD"
std::string formatFrame(const FrameLogEntry& entry);

class Radio {
 public:
  static constexpr uint8_t kAtisConfirmed = 5;
  static constexpr uint8_t kAtisRefused = 1;
  static constexpr int kCloneBlockSize = 16;
  static constexpr int kBytesPerSecond = 960;

  explicit Radio(const RadioOptions& options = {});

  // Bytes the program wrote onto the cable at nowMs.
  void Receive(const std::vector<uint8_t>& bytes, int64_t nowMs);
  // Everything that has reached the program's receive side by nowMs: echoes
  // and answers, in line order. Each byte is returned once.
  std::vector<uint8_t> Transmit(int64_t nowMs);
  // The earliest time at which Transmit has something more, or -1.
  int64_t NextDueMs() const;

  void setPacing(bool on) { options_.pacing = on; }
  void setTurnaroundMs(int ms) { options_.turnaroundMs = ms; }

  // Bench conditions.
  void setTemperatureC(double celsius) { options_.temperatureC = celsius; }
  void setTestSignal(double dBuV) { options_.signalDbuV = dBuV; }
  void setSupplyVolts(double volts) { options_.supplyVolts = volts; }
  // A signal generator's output at the antenna socket. While there is one it
  // is the test signal, in place of the bench's own (setTestSignal), which
  // sits on the selected channel.
  void setGeneratorSignal(std::optional<GeneratorSignal> signal) { generator_ = signal; }
  // The transmit key as a PTT switch holds it.
  void setPttKeyed(bool keyed) { pttKeyed_ = keyed; }
  bool pttKeyed() const { return pttKeyed_; }
  const RadioOptions& options() const { return options_; }

  // EEPROM.
  uint8_t peek(int adr) const { return memory_.at(static_cast<size_t>(adr)); }
  void poke(int adr, uint8_t value) { memory_.at(static_cast<size_t>(adr)) = value; }
  const Memory& memory() const { return memory_; }

  // Operating state set by E8 commands.
  int atisMode() const { return atisMode_; }
  Group group() const { return group_; }
  int channel() const { return channel_; }  // fixed-table row last selected
  int rfPower() const { return rfPower_; }  // 0 High, 1 Low, 2 E-Low
  // The PTT held, or a confirmed ATIS mode other than off: the radio sends
  // (unless the channel inhibits it).
  bool keyed() const { return pttKeyed_ || atisMode_ != 0; }
  // Frequencies of the channel the dial mode and channel sends selected.
  ChannelFrequencies selectedChannel() const;

  // The value the radio would answer now to an E8 read request with this
  // sub-command (D/A, A/D and calculated squelch readings); nullopt if the
  // sub-command is not a reading.
  std::optional<uint8_t> reading(uint8_t subCommand) const;

  void addFault(const Fault& fault) { faults_.push_back({fault, false}); }
  void clearFaults() { faults_.clear(); }

  const std::vector<FrameLogEntry>& frameLog() const { return log_; }
  void clearFrameLog() { log_.clear(); }
  // Called for every frame as it is logged, from inside Receive/Transmit.
  void setFrameHook(std::function<void(const FrameLogEntry&)> hook) { hook_ = std::move(hook); }

 private:
  // Transmit timing of one UART: back-to-back bytes form a run.
  struct Uart {
    int64_t runStartNs = 0;
    int64_t runBytes = 0;
    int64_t freeAtNs() const;
    int64_t nextDueNs(int64_t earliestNs);
  };
  struct ArmedFault {
    Fault fault;
    bool spent;
  };
  using Bytes = std::vector<uint8_t>;

  bool acceptByte(uint8_t byte, int64_t dueNs);  // true when it ends a frame
  void abortFrame();
  void completeFrame(int64_t endNs, int64_t nowNs);
  void dispatch(const Bytes& body, const FaultSite& site, int64_t answerAtNs);
  void onIdentify(const Bytes& data, const FaultSite& site, int64_t atNs);
  void onCloneRead(const Bytes& data, const FaultSite& site, int64_t atNs);
  void onE8(const Bytes& data, const FaultSite& site, int64_t atNs);
  uint8_t atisRequest(int mode, const FaultSite& site);
  bool applyWrite(uint8_t subCommand, uint8_t value);
  double testSignalDbuV() const { return generator_ ? generator_->dBuV : options_.signalDbuV; }
  double testSignalShare() const;
  bool identityMatches(const Bytes& data) const;
  Bytes cloneBlock(int adr) const;

  int64_t sendFrame(const Bytes& payload, int64_t earliestNs, const FaultSite& site);
  int64_t sendBytes(const Bytes& bytes, int64_t earliestNs);
  Bytes noise();
  const Fault* hit(FaultKind kind, const FaultSite& site);
  void log(FrameLogEntry entry);

  RadioOptions options_;
  Memory memory_;
  int atisMode_ = 0;
  Group group_ = Group::Int;
  int channel_ = 32;  // channel 16
  int rfPower_ = 0;
  bool pttKeyed_ = false;
  std::optional<GeneratorSignal> generator_;

  Uart programUart_;
  Uart radioUart_;
  std::multimap<int64_t, uint8_t> line_;  // due time (ns) -> byte, insertion order kept
  std::multimap<int64_t, FrameLogEntry> pendingTxLog_;

  // The frame being received; its echo is held until the frame is complete
  // so that a NoEcho fault can still withhold it.
  Bytes frameBuf_;
  std::vector<std::pair<int64_t, uint8_t>> heldEcho_;
  bool inFrame_ = false;
  int framesReceived_ = 0;

  std::vector<ArmedFault> faults_;
  std::mt19937 rng_;
  std::vector<FrameLogEntry> log_;
  std::function<void(const FrameLogEntry&)> hook_;
};

}  // namespace sim
