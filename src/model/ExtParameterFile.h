// The external parameter file "Const.ini": the production constants of the
// guided procedures, kept outside the program so that production can change
// them without a new build.
//
// The file is text, one value per line. Line 1 is the program title; lines 2
// to 33 are the values in the order of ExtParameters below; anything after
// line 33 is ignored. Lines end with CR LF; LF alone and CR alone are taken
// as line ends too, so a file saved by any editor reads the same.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string>

namespace pw {

struct ExtParameters {
  int16_t refDefault = 0;               // line 2: TXF start value for an empty reference table
  std::array<int16_t, 20> refOffset{};  // lines 3..22: reference table entries 0..19
  int16_t bpfStep = 0;                  // line 23: band-pass filter sweep step
  std::array<int16_t, 6> sqlOffset{};   // lines 24..29: squelch threshold offsets 0..5
  std::array<int16_t, 4> bpfPreset{};   // lines 30..33: BPF T1..T4 start values
};

// Reads the file at `path`, given as UTF-8 text (the model passes the bare
// name "Const.ini", i.e. relative to the current directory). A missing file,
// a path that is not a regular file or a file that cannot be opened gives
// false.
bool ReadExtParameterFile(const std::string& path, ExtParameters& out);

// Reads the 33 lines from `in`. True when line 1, trimmed of blanks and tabs
// on both sides (and of a UTF-8 byte order mark in front), equals the
// program title exactly and lines 2 to 33 all converted into 16-bit values.
// False when the title differs (nothing is changed), the input ends before
// line 33, or a value is outside -32768..32767 after rounding; fields read
// before the failure keep their new values, the failing one and those after
// it keep theirs. Only the first 64 KiB of a line are looked at, so no input
// can make the reader hold more than a few lines' worth of memory.
bool ReadExtParameters(std::istream& in, ExtParameters& out);

// The number at the start of `text`, read the way classic BASIC reads one:
// blanks, tabs and line feeds are skipped wherever they stand ("1 2" is 12),
// then an optional sign, digits, an optional decimal point with digits and
// an optional exponent ("E" or "D", optional sign, digits) are read up to
// the first other character. "&H" starts a hexadecimal and "&O" an octal
// number; such a number up to FFFF (octal 177777) is a 16-bit and one up to
// FFFFFFFF a 32-bit two's-complement value ("&HFFFF" is -1), a larger one has
// no value and gives +infinity. A text that does not start with a number
// gives 0. Decimal numbers too large for a double give +/-infinity, too small
// ones 0. Never NaN.
double ValLike(const std::string& text);

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2,
// -2.5 -> -2, 1.5 -> 2). False, with `out` unchanged, when the result is
// outside -32768..32767 or `value` is not finite.
bool RoundToInt16(double value, int16_t& out);

}  // namespace pw
