#include "clone/Nbx3Frame.h"

namespace pw::frame {

namespace {

// Frame positions count from 1 with the destination byte at 1.
uint8_t At(const ByteStr& f, size_t pos) { return f[pos - 1]; }

std::string HexOf(const ByteStr& f, size_t first, size_t last) {
  return ByteStrToHexStr(ByteStr(f.begin() + static_cast<long>(first - 1), f.begin() + static_cast<long>(last)));
}

bool IdentityIsNumeric(const ByteStr& f) { return IsNumericText(HexOf(f, 4, 7)); }

// Reads the ASCII pair starting at position pos as one byte.
std::optional<uint8_t> PairAt(const ByteStr& f, size_t pos) {
  const int hi = HexDigitValue(static_cast<char>(At(f, pos)));
  const int lo = HexDigitValue(static_cast<char>(At(f, pos + 1)));
  if (hi < 0 || lo < 0) return std::nullopt;
  return static_cast<uint8_t>(hi * 16 + lo);
}

bool CloneDataIsValid(const ByteStr& f) {
  const size_t len = f.size();
  if (len < 13 || len % 2 == 0) return false;
  unsigned sum = 0;
  for (size_t pos = 4; pos + 1 <= len; pos += 2) {
    const auto b = PairAt(f, pos);
    if (!b) return false;
    sum += *b;
  }
  if (sum % 256 != 0) return false;
  return *PairAt(f, 8) == (len - 11) / 2;
}

bool CloneEndIsValid(const ByteStr& f) { return f.size() >= 4 && HexOf(f, 4, f.size()) == kSignatureHex; }

}  // namespace

ByteStr Build(const ByteStr& payload) {
  ByteStr f{kPreamble, kPreamble, kRadio, kController};
  f.insert(f.end(), payload.begin(), payload.end());
  f.push_back(kEnd);
  return f;
}

ByteStr CloneBlock(int32_t adr, const ByteStr& data) {
  ByteStr block{static_cast<uint8_t>((adr >> 8) & 0xFF), static_cast<uint8_t>(adr & 0xFF),
                static_cast<uint8_t>(data.size())};
  block.insert(block.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : block) sum += b;
  block.push_back(static_cast<uint8_t>((256 - sum % 256) % 256));
  return block;
}

ByteStr CloneDataPayload(int32_t adr, const ByteStr& data) {
  ByteStr p{kCloneData};
  const ByteStr ascii = StrToByteStr(ByteStrToHexStr(CloneBlock(adr, data)));
  p.insert(p.end(), ascii.begin(), ascii.end());
  return p;
}

ByteStr CloneEndPayload() {
  ByteStr p{kCloneEnd};
  const ByteStr sig = HexStrToByteStr(kSignatureHex);
  p.insert(p.end(), sig.begin(), sig.end());
  return p;
}

std::optional<CloneData> DecodeCloneData(const ByteStr& f) {
  if (f.size() < 13) return std::nullopt;
  CloneData d;
  d.adr = ByteStrHexToInt(ByteStr(f.begin() + 3, f.begin() + 7));
  const int count = static_cast<uint8_t>(ByteStrHexToInt(ByteStr(f.begin() + 7, f.begin() + 9)));
  if (f.size() < 9 + 2 * static_cast<size_t>(count)) return std::nullopt;
  for (int i = 0; i < count; ++i) {
    const size_t pos = 10 + 2 * static_cast<size_t>(i);
    const auto b = PairAt(f, pos);
    d.bytes.push_back(b ? *b : 0);
  }
  return d;
}

bool IsValid(const ByteStr& f, uint8_t e8SubCommand) {
  if (f.size() < 3) return false;
  if (At(f, 1) != kController || At(f, 2) != kRadio) return false;
  switch (At(f, 3)) {
    case kIdentifyAnswer:
      return f.size() >= 7 && IdentityIsNumeric(f);
    case kCloneData:
      return CloneDataIsValid(f);
    case kCloneEnd:
      return CloneEndIsValid(f);
    case kAdjust:
      return f.size() >= 8 && IdentityIsNumeric(f) && At(f, 8) == e8SubCommand;
    default:
      return true;
  }
}

}  // namespace pw::frame
