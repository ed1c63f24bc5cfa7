#include "serial/LineMarkDecoder.h"

#include "platform/ISerialPort.h"

namespace pw {

namespace {
constexpr uint8_t kMark = 0xFF;

// How much a counter grew; a counter that went back (a driver reset it)
// counts as no growth.
uint64_t Growth(uint64_t now, uint64_t before) { return now > before ? now - before : 0; }
}  // namespace

void LineMarkDecoder::Reset(const std::optional<LineErrorCounts>& counts) {
  held_ = Held::None;
  last_ = counts;
  unclaimed_ = {};
}

void LineMarkDecoder::AddByte(std::vector<Piece>& out, uint8_t b) {
  if (out.empty() || out.back().event != 0) out.push_back({});
  out.back().bytes.push_back(b);
}

void LineMarkDecoder::AddEvent(std::vector<Piece>& out, int event) {
  if (out.empty() || out.back().event != 0) out.push_back({});
  out.back().event = event;
}

int LineMarkDecoder::NameMark(uint8_t damaged, LineErrorCounts& fresh) const {
  if (damaged == 0 && fresh.brk > 0) {
    --fresh.brk;
    return comEv::kBreak;
  }
  if (fresh.frame > 0) {
    --fresh.frame;
    return comEv::kFrame;
  }
  if (fresh.parity > 0) {
    --fresh.parity;
    return comEv::kRxParity;
  }
  return damaged == 0 ? comEv::kBreak : comEv::kFrame;
}

LineMarkDecoder::Yield LineMarkDecoder::Step(Held& held, uint8_t b) {
  switch (held) {
    case Held::None:
      if (b != kMark) return Yield::Byte;
      held = Held::Ff;
      return Yield::Nothing;
    case Held::Ff:
      if (b == 0) {
        held = Held::FfZero;
        return Yield::Nothing;
      }
      held = Held::None;
      return b == kMark ? Yield::Byte : Yield::FfAndByte;  // FF FF: a real FF, doubled by the driver
    case Held::FfZero:
      held = Held::None;
      return Yield::Mark;
  }
  return Yield::Nothing;
}

LineMarkDecoder::Measure LineMarkDecoder::MeasureRaw(const ByteStr& raw, size_t room) const {
  Measure m;
  Held held = held_;
  for (size_t i = 0; i < raw.size(); ++i) {
    const Yield yield = Step(held, raw[i]);
    m.bytes += yield == Yield::Byte ? 1 : yield == Yield::FfAndByte ? 2 : 0;
    if (m.bytes <= room) m.rawThatFits = i + 1;
  }
  return m;
}

std::vector<LineMarkDecoder::Piece> LineMarkDecoder::Decode(const ByteStr& raw,
                                                            const std::optional<LineErrorCounts>& counts) {
  LineErrorCounts fresh = unclaimed_;
  if (counts && last_) {
    fresh.frame += Growth(counts->frame, last_->frame);
    fresh.parity += Growth(counts->parity, last_->parity);
    fresh.brk += Growth(counts->brk, last_->brk);
    fresh.overrun += Growth(counts->overrun, last_->overrun);
  }
  if (counts) last_ = counts;

  std::vector<Piece> out;
  // Bytes were lost somewhere before the end of this read; the frame being
  // assembled from earlier reads cannot be whole, so it goes first.
  if (fresh.overrun > 0) AddEvent(out, comEv::kOverrun);

  for (uint8_t b : raw) {
    switch (Step(held_, b)) {
      case Yield::Nothing:
        break;
      case Yield::Byte:
        AddByte(out, b);
        break;
      case Yield::FfAndByte:
        // Not a mark the driver makes: both bytes go on untouched.
        AddByte(out, kMark);
        AddByte(out, b);
        break;
      case Yield::Mark:
        // The damaged byte itself is garbage and is dropped with the frame.
        AddEvent(out, NameMark(b, fresh));
        break;
    }
  }
  // Counts left over belong to a mark still cut off, if any; otherwise to
  // marks the driver never delivered, which must not name later ones.
  unclaimed_ = held_ == Held::None ? LineErrorCounts{} : LineErrorCounts{fresh.frame, fresh.parity, fresh.brk, 0};
  return out;
}

}  // namespace pw
