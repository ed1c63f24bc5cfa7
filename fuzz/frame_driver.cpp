// The frame driver's receiver under arbitrary cable bytes, in every wait state
// and work mode. The input is a little program of events: set the work mode,
// send a payload, let bytes arrive (arbitrary chunks, the echo of what was
// sent, well-formed radio frames split anywhere), let time pass, reset.
//
// What must hold besides "no crash": the image changes only where a complete,
// valid clone data frame on the line carried a block, and only to that
// block's bytes; the driver's addresses and codes stay in their ranges; an
// idle driver ignores what arrives; a send writes exactly one frame or
// nothing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "clone/clsCmcEeprom.h"
#include "clone/clsCmcNbx3Drv.h"
#include "clone/Nbx3Frame.h"
#include "FuzzInput.h"
#include "platform/IClock.h"

namespace {

using pw::ByteStr;
using pw::clsCmcNbx3Drv;

class FakeLink : public pw::INbx3Link {
 public:
  bool sendEnable = true;
  int outCount = 0;
  ByteStr written;
  ByteStr lastFrame;

  bool comSendEnable() const override { return sendEnable; }
  int OutBufferCount() const override { return outCount; }
  int OutBufferSize() const override { return 1024; }
  void Output(const ByteStr& bytes) override {
    written.insert(written.end(), bytes.begin(), bytes.end());
    lastFrame = bytes;
  }
};

// Everything that arrived on the line, and the clone data blocks that a
// receiver could legitimately take from it: the bytes between a preamble and
// the next end byte with neither in between, and, for such a run longer than
// the receive buffer, the tail the buffer keeps.
class Line {
 public:
  struct Block {
    int32_t adr;
    ByteStr bytes;
  };
  std::vector<Block> blocks;

  void Arrive(const ByteStr& chunk) {
    for (uint8_t b : chunk) {
      if (b == pw::frame::kPreamble) {
        open_ = true;
        run_.clear();
      } else if (b == pw::frame::kEnd) {
        if (open_) Candidate();
        open_ = false;
        run_.clear();
      } else if (open_) {
        run_.push_back(b);
      }
    }
  }

  // True when the byte at adr may hold value after the blocks seen so far.
  bool Allows(int32_t adr, uint8_t value) const {
    for (const Block& blk : blocks) {
      const int32_t last = blk.adr + static_cast<int32_t>(blk.bytes.size()) - 1;
      if (adr >= blk.adr && adr <= last && blk.bytes[static_cast<size_t>(adr - blk.adr)] == value) return true;
    }
    return false;
  }

 private:
  void Candidate() {
    Consider(run_);
    if (run_.size() > clsCmcNbx3Drv::kRxBufferMax) {
      Consider(ByteStr(run_.end() - static_cast<long>(clsCmcNbx3Drv::kRxBufferMax), run_.end()));
    }
  }
  void Consider(const ByteStr& f) {
    if (f.size() < 3 || f[2] != pw::frame::kCloneData || !pw::frame::IsValid(f, 0)) return;
    const auto d = pw::frame::DecodeCloneData(f);
    if (!d) return;
    blocks.push_back({d->adr, d->bytes});
  }

  bool open_ = false;
  ByteStr run_;
};

ByteStr RadioFrame(uint8_t command, const ByteStr& data) {
  ByteStr f{pw::frame::kPreamble, pw::frame::kPreamble, pw::frame::kController, pw::frame::kRadio, command};
  f.insert(f.end(), data.begin(), data.end());
  f.push_back(pw::frame::kEnd);
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pw::fuzz::FuzzInput in(data, size);
  pw::VirtualClock clock(static_cast<int32_t>(in.Word()) << 16);
  FakeLink link;
  pw::clsCmcEeprom image;
  const uint8_t fill = in.Byte();
  image.FillBlock(0, fill, image.eeSize());

  clsCmcNbx3Drv drv(clock);
  drv.myObjCom = &link;
  drv.myEep = &image;
  Line line;

  // Every byte that differs from the fill must have come with a valid block.
  auto checkImage = [&] {
    const ByteStr now = image.ReadBlock(0, image.eeSize());
    for (int32_t a = 0; a < image.eeSize(); ++a) {
      const uint8_t v = now[static_cast<size_t>(a)];
      if (v != fill) CHECK(line.Allows(a, v));
    }
  };
  auto checkState = [&] {
    CHECK(drv.lastEeAdr() >= 0 && drv.lastEeAdr() < image.eeSize());
    CHECK(drv.nowError() >= 0 && drv.nowError() <= 4);
    CHECK(drv.lastError() >= 0 && drv.lastError() <= 4);
  };
  auto arrive = [&](const ByteStr& chunk) {
    const bool idle = !drv.Running();
    const int16_t errorBefore = drv.nowError();
    const int32_t adr = drv.lastEeAdr();
    const ByteStr answer = drv.varLastE8Answer();
    // Only a clone read stores blocks, only an end byte completes a frame, and
    // a stored block moves the last address (or a refused one sets an error):
    // the costly look at the whole image is needed only then, and at the end.
    const bool mayWrite = !idle && drv.workMode() == clsCmcNbx3Drv::kModeCloneRead &&
                          std::find(chunk.begin(), chunk.end(), pw::frame::kEnd) != chunk.end();
    line.Arrive(chunk);
    drv.read(chunk);
    if (idle) {
      // An idle driver throws away whatever arrives.
      CHECK(!drv.Running());
      CHECK(drv.lastEeAdr() == adr);
      CHECK(drv.varLastE8Answer() == answer);
    }
    // An error found in these bytes ends the exchange.
    if (drv.nowError() != errorBefore) CHECK(drv.nowError() != 0 && !drv.Running());
    if (mayWrite && (drv.lastEeAdr() != adr || drv.nowError() != errorBefore)) checkImage();
  };
  // A chunk split at a point the input chooses: the receiver must not care.
  auto arriveSplit = [&](const ByteStr& bytes) {
    const size_t cut = bytes.empty() ? 0 : in.Byte() % (bytes.size() + 1);
    arrive(ByteStr(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    arrive(ByteStr(bytes.begin() + static_cast<long>(cut), bytes.end()));
  };

  while (!in.empty()) {
    switch (in.Byte() % 11) {
      case 0: {  // work mode; an E8 exchange may want an answer, as the sequencer asks
        const uint8_t b = in.Byte();
        const int16_t mode = static_cast<int16_t>(b % 6);
        drv.set_workMode(mode);
        if (mode == clsCmcNbx3Drv::kModeE8 && (b & 0x80)) drv.set_waitAnswer(true);
        CHECK(drv.lastEeAdr() == 0 && drv.varLastE8Answer().empty());
        break;
      }
      case 1: {  // send a payload
        drv.set_retryCount(static_cast<int16_t>(in.Byte() % 4));
        const ByteStr payload = in.Bytes(in.Byte() % 48);
        const size_t writtenBefore = link.written.size();
        const bool couldSend = drv.SendEnable();
        const int16_t r = drv.Send(payload);
        if (r == 0) {
          CHECK(couldSend);
          CHECK(link.written.size() == writtenBefore + payload.size() + 5);
          CHECK(link.lastFrame == pw::frame::Build(payload));
        } else {
          CHECK(link.written.size() == writtenBefore);
        }
        break;
      }
      case 2: {  // arbitrary bytes
        const size_t n = in.Word() % 1024;
        arrive(in.Bytes(n));
        break;
      }
      case 3:  // the echo of the last frame sent
        arriveSplit(link.lastFrame);
        break;
      case 4: {  // a well-formed clone data frame, possibly spoiled in one byte
        const int32_t adr = in.Word();
        ByteStr blockData = in.Bytes(in.Byte() % 40);
        ByteStr f = RadioFrame(pw::frame::kCloneData, ByteStr());
        f.pop_back();
        f.pop_back();
        const ByteStr payload = pw::frame::CloneDataPayload(adr, blockData);
        f.insert(f.end(), payload.begin(), payload.end());
        f.push_back(pw::frame::kEnd);
        const uint8_t spoil = in.Byte();
        if (spoil & 1) f[spoil % f.size()] ^= static_cast<uint8_t>(in.Byte() | 1);
        arriveSplit(f);
        break;
      }
      case 5: {  // another answer: identity, end of clone data, E8 answer or clone result
        static constexpr uint8_t kCommands[] = {pw::frame::kIdentifyAnswer, pw::frame::kCloneEnd, pw::frame::kAdjust,
                                                pw::frame::kCloneResult};
        const uint8_t command = kCommands[in.Byte() % 4];
        ByteStr body = (command == pw::frame::kCloneEnd && (in.Byte() & 1))
                           ? pw::HexStrToByteStr(pw::frame::kSignatureHex)
                           : in.Bytes(in.Byte() % 16);
        arriveSplit(RadioFrame(command, body));
        break;
      }
      case 6: {  // time passes and the heartbeat calls task()
        const int ticks = 1 + in.Byte() % 32;
        for (int i = 0; i < ticks; ++i) {
          clock.Advance(50);
          const bool wasRunning = drv.Running();
          drv.task();
          if (!wasRunning) CHECK(!drv.Running());
        }
        break;
      }
      case 7:
        drv.Reset();
        CHECK(!drv.Running() && drv.nowError() == 0);
        break;
      case 8:
        drv.ClearRxBuffer();
        break;
      case 9: {  // the port's state: open or not, transmit buffer filling up
        const uint8_t b = in.Byte();
        link.sendEnable = (b & 1) != 0;
        link.outCount = (b >> 1) * 8;
        break;
      }
      case 10:  // the clock jumps far, even backwards or across the wrap
        clock.Set(static_cast<int32_t>(static_cast<uint32_t>(in.Word()) << 16));
        drv.task();
        break;
    }
    checkState();
  }
  checkImage();
  return 0;
}
