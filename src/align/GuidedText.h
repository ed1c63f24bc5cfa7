// What a guided step asks the technician to do when the instrument it
// needs is missing, and the figures in it. The texts are for the window:
// a negative level takes the typographic minus sign (U+2212, in UTF-8), as
// a printed instrument manual would write it. Every figure is built from
// whole numbers, so the user's locale never changes a decimal point.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

class GuidedText {
 public:
  static constexpr std::string_view kMinusSign = "\xE2\x88\x92";  // U+2212

  // "160.650 MHz": a channel's frequency, to the kilohertz.
  static std::string Megahertz(int32_t hz);
  // "156.050 000 MHz": a counter's reading, to the hertz, in groups of three.
  static std::string MegahertzToHertz(int32_t hz);
  // "−110.0 dBm", to a tenth.
  static std::string Dbm(double dbm);
  // "25.00 W", to a hundredth: the E-Low level is a fraction of a watt.
  static std::string Watts(double watts);
  // "3.00 kHz", to ten hertz: a peak deviation.
  static std::string Kilohertz(double hz);

  // "Set the generator to 160.650 MHz, −110.0 dBm, output on, then press Enter"
  static std::string SetGenerator(int32_t rxHz, double dbm);
  // "Key the transmitter and read the counter; step TXF with Left/Right
  // until it reads 156.050 000 MHz, then press Enter". The meter is
  // "counter", "power meter" or "modulation meter", the item the console
  // line's title without its leading blanks, the reading already formatted.
  static std::string StepUntil(std::string_view meter, std::string_view item, std::string_view reading);
};

}  // namespace pw
