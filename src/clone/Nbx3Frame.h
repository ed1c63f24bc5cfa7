// The cloning-cable frame format: FE FE <dst> <src> <payload> FD, clone data
// blocks in ASCII hex with a zero-sum checksum, the maker signature, and the
// rules by which a received frame is judged. Stateless: the frame driver
// calls these.
#pragma once

#include <cstdint>
#include <optional>

#include "base/Common.h"

namespace pw::frame {

inline constexpr uint8_t kPreamble = 0xFE;
inline constexpr uint8_t kEnd = 0xFD;
inline constexpr uint8_t kRadio = 0xEE;
inline constexpr uint8_t kController = 0xEF;

inline constexpr uint8_t kIdentify = 0xE0;
inline constexpr uint8_t kIdentifyAnswer = 0xE1;
inline constexpr uint8_t kCloneRead = 0xE2;
inline constexpr uint8_t kCloneWrite = 0xE3;
inline constexpr uint8_t kCloneData = 0xE4;
inline constexpr uint8_t kCloneEnd = 0xE5;
inline constexpr uint8_t kCloneResult = 0xE6;
inline constexpr uint8_t kAdjust = 0xE8;

inline constexpr const char* kSignatureHex = "546F727620496E632E";

// FE FE EE EF, the payload, FD.
ByteStr Build(const ByteStr& payload);

// Block bytes: address (2), count, data, checksum.
ByteStr CloneBlock(int32_t adr, const ByteStr& data);
// E4 followed by the block as ASCII hex characters.
ByteStr CloneDataPayload(int32_t adr, const ByteStr& data);
// E5 followed by the signature.
ByteStr CloneEndPayload();

struct CloneData {
  int32_t adr = 0;  // 16-bit value from the cable: 0x8000 and up are negative
  ByteStr bytes;
};
// Decodes a received E4 frame (destination first, no FE/FD) that has already
// been judged valid. Returns nothing when the frame is too short to hold the
// block it announces.
std::optional<CloneData> DecodeCloneData(const ByteStr& frame);

// The validity rules for a received frame. e8SubCommand is the sub-command of
// the E8 request that was sent; an E8 answer must repeat it.
bool IsValid(const ByteStr& frame, uint8_t e8SubCommand);

}  // namespace pw::frame
