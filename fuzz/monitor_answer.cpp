// The monitor answers: how the model judges an E8 answer, the value it takes
// from it, and what a reading does with it after a real exchange through the
// sequencer and the frame driver.
//
// Input: a selector byte (family and index of the reading), an identity
// byte (the radio's own identity or arbitrary bytes), a frame-shape byte,
// the answer's bytes; whatever is left is judged directly as an answer.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "support/ModelAccess.h"
#include "clone/Nbx3Frame.h"
#include "clone/clsCmcNbx3Sequence.h"
#include "model/clsIndOp_RigR4T.h"
#include "serial/frmCom.h"
#include "support/RecordingWindow.h"

namespace {

using pw::ByteStr;

// A port that is always there and keeps what is written.
class LoopPort : public pw::ISerialPort {
 public:
  ByteStr lastWrite;
  bool Open(int, const std::string&) override { return open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  int InBufferCount() const override { return 0; }
  ByteStr ReadAll() override { return {}; }
  bool Write(const ByteStr& bytes) override {
    lastWrite = bytes;
    return open_;
  }
  int OutBufferCount() const override { return 0; }
  bool DiscardOutput() override { return true; }

 private:
  bool open_ = false;
};

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The rule written out once more, independently: seven bytes, the radio's
// identity in front, two hex digit characters at the end.
bool ExpectBad(const ByteStr& answer, const ByteStr& id) {
  if (answer.size() != 7) return true;
  if (id.size() > answer.size() || !std::equal(id.begin(), id.end(), answer.begin())) return true;
  return HexValue(answer[5]) < 0 || HexValue(answer[6]) < 0;
}

struct Graph {
  LoopPort port;
  pw::VirtualClock clock{1000};
  pw::test::RecordingWindow window;
  pw::frmCom com{port, clock, ""};
  pw::clsCmcRadio radio;
  pw::clsCmcNbx3Sequence seq{com, radio, clock};
  pw::clsConsole console;
  pw::clsIndOp_RigR4T model{pw::clsIndOp_RigR4T::Links{seq, com.nbx3D, radio, console, window, clock}};

  Graph() {
    radio.radioNameM = "2320";
    radio.radionameS = "0001";
    seq.owner = &model;
  }
};

void CheckJudgement(pw::clsIndOp_RigR4T& model, const ByteStr& answer) {
  const bool bad = model.RigOpFunc_AnswerIsBad(answer);
  CHECK(bad == ExpectBad(answer, model.varRadioId()));
  if (bad) return;
  const int16_t v = model.RigOpFunc_AnswerValue(answer);
  CHECK(v >= 0 && v <= 255);
  CHECK(v == HexValue(answer[5]) * 16 + HexValue(answer[6]));
}

// Every line a value can produce has its fixed width.
void CheckLines(int16_t v) {
  for (int16_t i = 0; i < 11; ++i) {
    const std::string line = pw::clsIndOp_RigR4T::AdLine(i, v);
    if (i == 4) {
      CHECK(line.size() == 6 + 8 + ((v == 0 || v == 255) ? 6 : 8));
    } else {
      CHECK(line.size() == 6 + 8 + 7);
    }
  }
  for (int16_t i = 0; i < 6; ++i) CHECK(pw::clsIndOp_RigR4T::DaLine(i, v).size() == 7 + 8 + 7);
  for (int16_t i = 0; i < 2; ++i) CHECK(pw::clsIndOp_RigR4T::SqlCalcedLine(i, v).size() == 6 + 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pw::fuzz::FuzzInput in(data, size);
  Graph g;
  pw::clsIndOp_RigR4T& model = g.model;

  const uint8_t selector = in.Byte();
  const int family = selector % 3;
  const int16_t index = static_cast<int16_t>((selector / 3) % (family == 0 ? 11 : family == 1 ? 6 : 2));
  const uint8_t idChoice = in.Byte();
  pw::ModelAccess::SetRadioId(model, (idChoice & 1) ? in.Bytes((idChoice >> 1) % 9) : ByteStr{0x23, 0x20, 0x00, 0x01});

  // The exchange: request, echo, the answer frame, the sequencer's next step.
  auto read = [&](bool first) {
    switch (family) {
      case 0:
        return model.RigOpFunc_ReadAdMonitor(index, first);
      case 1:
        return model.RigOpFunc_ReadDaMonitor(index, first);
      default:
        return model.RigOpFunc_ReadSqlCalcedMonitor(index, first);
    }
  };
  CHECK(!read(true));
  CHECK(g.seq.OpRunning());
  const ByteStr request = g.port.lastWrite;
  CHECK(request.size() == 13 && request[9] == (family == 0   ? pw::clsIndOp_RigR4T::AdSubCommand(index)
                                               : family == 1 ? 0x80 + index
                                                             : 0xA0 + index));
  g.com.nbx3D.read(request);

  // Either the answer's bytes as they come, or the identity and the
  // sub-command the driver insists on with two value bytes from the input.
  const uint8_t shape = in.Byte();
  ByteStr body;
  if (shape & 1) {
    body = {0x23, 0x20, 0x00, 0x01, request[9]};
    const ByteStr value = in.Bytes(2);
    body.insert(body.end(), value.begin(), value.end());
  } else {
    body = in.Bytes(shape >> 1);
  }
  ByteStr frame{pw::frame::kPreamble, pw::frame::kPreamble, pw::frame::kController, pw::frame::kRadio,
                pw::frame::kAdjust};
  frame.insert(frame.end(), body.begin(), body.end());
  frame.push_back(pw::frame::kEnd);
  g.com.nbx3D.read(frame);
  g.seq.task();

  const ByteStr answer = g.com.nbx3D.varLastE8Answer();
  CheckJudgement(model, answer);
  if (!g.seq.OpRunning()) {
    pw::ModelAccess::ClearCommError(model);
    CHECK(read(false));
    const bool bad = model.RigOpFunc_AnswerIsBad(answer);
    CHECK(model.flgCommError() == bad);
    if (!bad) {
      const int16_t v = model.RigOpFunc_AnswerValue(answer);
      const int16_t stored = family == 0   ? model.lastAd()[static_cast<size_t>(index)]
                             : family == 1 ? model.lastDa()[static_cast<size_t>(index)]
                                           : model.lastSqlCalced()[static_cast<size_t>(index)];
      CHECK(stored == v);
      const std::string expected = family == 0   ? pw::clsIndOp_RigR4T::AdLine(index, v)
                                   : family == 1 ? pw::clsIndOp_RigR4T::DaLine(index, v)
                                                 : pw::clsIndOp_RigR4T::SqlCalcedLine(index, v);
      const int row = family == 2 ? 9 + index : 1 + index;
      CHECK(g.window.monitors[family == 0 ? 0 : 1].lines.at(static_cast<size_t>(row)) == expected);
      CheckLines(v);
    }
    // The same answer as an ATIS status: confirmed exactly when it reads 5.
    CHECK(model.RigOpFunc_AtisStatus(-1) == (!bad && model.RigOpFunc_AnswerValue(answer) == 5));
  }

  CheckJudgement(model, in.Rest());
  return 0;
}
