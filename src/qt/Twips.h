// Twips (1/1440 inch) are the unit the layout rules are written in; the
// widgets want pixels. One scale per screen, from its logical resolution.
#pragma once

#include <cmath>

namespace pw {

class TwipScale {
 public:
  explicit TwipScale(double dotsPerInch) : dpi_(dotsPerInch > 0 ? dotsPerInch : 96.0) {}

  double dpi() const { return dpi_; }
  int ToPixels(int twips) const { return static_cast<int>(std::lround(twips * dpi_ / 1440.0)); }
  int ToTwips(int pixels) const { return static_cast<int>(std::lround(pixels * 1440.0 / dpi_)); }
  // The height of one screen pixel, at least one twip.
  int PixelTwips() const {
    const int t = static_cast<int>(std::lround(1440.0 / dpi_));
    return t > 0 ? t : 1;
  }

 private:
  double dpi_;
};

}  // namespace pw
