#include "align/GuidedText.h"

#include <cmath>

namespace pw {

namespace {

// The digits of n, padded on the left with zeros to width.
std::string Digits(long long n, std::size_t width) {
  std::string s = std::to_string(n);
  return s.size() < width ? std::string(width - s.size(), '0') + s : s;
}

// value with the given decimals, rounded half away from zero; a value that
// rounds to zero has no sign.
std::string Fixed(double value, int decimals) {
  long long scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const long long units = std::llround(value * static_cast<double>(scale));
  const long long magnitude = units < 0 ? -units : units;
  std::string s = units < 0 ? std::string(GuidedText::kMinusSign) : std::string();
  s += std::to_string(magnitude / scale);
  if (decimals > 0) s += "." + Digits(magnitude % scale, static_cast<std::size_t>(decimals));
  return s;
}

}  // namespace

std::string GuidedText::Megahertz(int32_t hz) {
  const long long khz = (static_cast<long long>(hz) + 500) / 1000;
  return Digits(khz / 1000, 3) + "." + Digits(khz % 1000, 3) + " MHz";
}

std::string GuidedText::MegahertzToHertz(int32_t hz) {
  const long long h = hz;
  return Digits(h / 1000000, 3) + "." + Digits(h / 1000 % 1000, 3) + " " + Digits(h % 1000, 3) + " MHz";
}

std::string GuidedText::Dbm(double dbm) { return Fixed(dbm, 1) + " dBm"; }

std::string GuidedText::Watts(double watts) { return Fixed(watts, 2) + " W"; }

std::string GuidedText::Kilohertz(double hz) { return Fixed(hz / 1000, 2) + " kHz"; }

std::string GuidedText::SetGenerator(int32_t rxHz, double dbm) {
  return "Set the generator to " + Megahertz(rxHz) + ", " + Dbm(dbm) + ", output on, then press Enter";
}

std::string GuidedText::StepUntil(std::string_view meter, std::string_view item, std::string_view reading) {
  return "Key the transmitter and read the " + std::string(meter) + "; step " + std::string(item) +
         " with Left/Right until it reads " + std::string(reading) + ", then press Enter";
}

}  // namespace pw
