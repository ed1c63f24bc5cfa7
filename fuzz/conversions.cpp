// The hex and ASCII-hex conversions and the frame rules on arbitrary bytes:
// every conversion that has an inverse must round-trip, and every frame the
// rules call valid must decode into a block that encodes back to the same
// frame.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Common.h"
#include "clone/Nbx3Frame.h"
#include "FuzzInput.h"

namespace {

using pw::ByteStr;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return s;
}

void Conversions(const ByteStr& bytes) {
  const std::string text(bytes.begin(), bytes.end());

  // Bytes -> hex text -> bytes.
  const std::string hex = pw::ByteStrToHexStr(bytes);
  CHECK(hex.size() == 2 * bytes.size());
  CHECK(pw::HexStrToByteStr(hex) == bytes);

  // Arbitrary text -> bytes: at most one byte per two characters; text made
  // of hex digit pairs only reads back as itself.
  const ByteStr parsed = pw::HexStrToByteStr(text);
  CHECK(parsed.size() <= text.size() / 2);
  bool allHex = text.size() % 2 == 0;
  for (char c : text) allHex = allHex && IsHex(c);
  if (allHex) CHECK(pw::ByteStrToHexStr(parsed) == Upper(text));

  // Up to four hex digits read as a 16-bit two's-complement number.
  const int16_t v = pw::ByteStrHexToInt(bytes);
  if (!bytes.empty() && bytes.size() <= 4 && allHex && text.find(' ') == std::string::npos) {
    CHECK(v == static_cast<int16_t>(std::strtoul(text.c_str(), nullptr, 16)));
  }

  // A byte value in ASCII-hex form: four digits that spell its two digits.
  // (The first few bytes are enough: the value, not the length, matters.)
  for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
    const uint8_t b = bytes[i];
    const std::string ascii = pw::ByteToAsciiHexStr(b);
    CHECK(ascii.size() == 4);
    CHECK(pw::ByteStrHexToInt(pw::HexStrToByteStr(ascii)) == b);
    CHECK(pw::ByteToHex2(b) == pw::ByteStrToHexStr(ByteStr{b}));
  }
  if (bytes.size() >= 2) {
    const int wide = static_cast<int16_t>(bytes[0] << 8 | bytes[1]);
    CHECK(pw::ByteToHex2(wide) == pw::ByteToHex2(wide & 0xFF));
  }

  // A text that reads as a number reads fully as one for the C library too.
  if (std::memchr(text.data(), '\0', text.size()) == nullptr && pw::IsNumericText(text)) {
    std::string c = text;
    for (char& ch : c) ch = (ch == 'D' || ch == 'd') ? 'E' : ch;
    const auto first = c.find_first_not_of(' ');
    c = c.substr(first, c.find_last_not_of(' ') - first + 1);
    CHECK(c.find_first_of("xXnNiIpP") == std::string::npos);  // no hex, inf or nan forms
    char* end = nullptr;
    std::strtod(c.c_str(), &end);
    CHECK(end == c.c_str() + c.size());
  }

  const std::string expanded = pw::StrExpandNewLine(text);
  CHECK(expanded.size() == text.size());
  CHECK(expanded.find("\\n") == std::string::npos);
}

void Frames(const ByteStr& f, uint8_t subCommand) {
  const bool valid = pw::frame::IsValid(f, subCommand);
  const auto decoded = pw::frame::DecodeCloneData(f);
  if (!valid) return;
  CHECK(f.size() >= 3 && f[0] == pw::frame::kController && f[1] == pw::frame::kRadio);
  switch (f[2]) {
    case pw::frame::kIdentifyAnswer:
      CHECK(f.size() >= 7);
      break;
    case pw::frame::kAdjust:
      CHECK(f.size() >= 8 && f[7] == subCommand);
      break;
    case pw::frame::kCloneEnd:
      CHECK(ByteStr(f.begin() + 3, f.end()) == pw::HexStrToByteStr(pw::frame::kSignatureHex));
      break;
    case pw::frame::kCloneData: {
      // A valid block decodes, and encoding it again gives the same
      // characters (upper case) and so the same checksum.
      CHECK(decoded.has_value());
      CHECK(decoded->bytes.size() == (f.size() - 11) / 2);
      const ByteStr again = pw::frame::CloneDataPayload(decoded->adr, decoded->bytes);
      const std::string original(f.begin() + 3, f.end());
      CHECK(std::string(again.begin() + 1, again.end()) == Upper(original));
      unsigned sum = 0;
      for (uint8_t b : pw::frame::CloneBlock(decoded->adr, decoded->bytes)) sum += b;
      CHECK(sum % 256 == 0);
      break;
    }
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ByteStr bytes(data, data + size);
  Conversions(bytes);
  // The same bytes as a received frame (destination first), for the first
  // byte as the request's sub-command, and as a frame from the radio.
  const uint8_t sub = size > 0 ? data[0] : 0;
  Frames(bytes, sub);
  ByteStr fromRadio{pw::frame::kController, pw::frame::kRadio};
  fromRadio.insert(fromRadio.end(), bytes.begin(), bytes.end());
  Frames(fromRadio, sub);
  return 0;
}
