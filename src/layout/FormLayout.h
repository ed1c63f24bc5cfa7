// Where the main window's controls go, in twips. Computed here so that the
// rules are the same on every platform and can be tested without a screen.
#pragma once

#include <array>
#include <optional>

#include "platform/IWindow.h"

namespace pw {

struct FormLayoutInput {
  int screenWidth = 0;   // twips
  int screenHeight = 0;  // twips
  int innerWidth = 0;    // the window's client area, twips
  int innerHeight = 0;
  int pixelTwips = 15;  // height of one screen pixel
};

struct FormLayoutResult {
  // Only on the first call of the run: the window's outer rectangle.
  std::optional<TwipRect> window;
  std::array<TwipRect, 3> cmd00{};
  std::array<TwipRect, 4> fra01{};  // 2 is inside 1; the others in the client area
  std::array<TwipRect, 2> lbo01{};  // inside fra01(2)
  TwipRect lboConsole;              // inside fra01(1)
  TwipRect txtDispPara;             // inside fra01(3)
  int titleTop = 240;               // lblTitle, centred horizontally in fra01(0)
  int progressGap = 240;            // lblProgress, this far below the title
  int separatorY0 = 0;              // linSepa(0) and (1), full inner width
  int separatorY1 = 0;
};

inline constexpr int kWindowWidth = 9525;
inline constexpr int kButtonWidth = 1800;
inline constexpr int kButtonHeight = 330;

// The first-call window size and position from the screen.
TwipRect FirstWindowRect(int screenWidth, int screenHeight);
// firstCall adds the window rectangle; innerWidth/Height must then be those
// the window will have at that size.
FormLayoutResult ComputeFormLayout(const FormLayoutInput& in, bool firstCall);

}  // namespace pw
