#include "layout/FormLayout.h"

#include <algorithm>
#include <cmath>

namespace pw {

TwipRect FirstWindowRect(int screenWidth, int screenHeight) {
  TwipRect r;
  r.width = kWindowWidth;
  r.height = static_cast<int>(std::nearbyint(0.9 * screenHeight));
  if (r.height < 6600) r.height = 6600;
  if (r.height > 9000) r.height = 8500;
  r.left = (screenWidth - r.width) / 2;
  r.top = static_cast<int>((screenHeight - r.height) * 0.3);
  return r;
}

FormLayoutResult ComputeFormLayout(const FormLayoutInput& in, bool firstCall) {
  FormLayoutResult out;
  if (firstCall) out.window = FirstWindowRect(in.screenWidth, in.screenHeight);
  out.separatorY0 = 0;
  out.separatorY1 = in.pixelTwips;

  // The buttons sit in one row centred over the lower separator line.
  const int x1 = 0;
  const int x2 = in.innerWidth;
  const int w = kButtonWidth;
  for (int i = 0; i < 3; ++i) {
    out.cmd00[static_cast<size_t>(i)] = {x1 + ((x2 - x1) - (3 * w + 240)) / 2 + i * (w + 120), out.separatorY1 + 120, w,
                                         kButtonHeight};
  }
  const int rowBottom = out.cmd00[2].top + out.cmd00[2].height;

  TwipRect page{120, rowBottom, in.innerWidth - 240, std::max(1, in.innerHeight - rowBottom - 120)};
  out.fra01[0] = page;
  out.fra01[1] = page;
  out.fra01[3] = page;

  TwipRect monitor{120, 180, page.width - 240, 2800};
  out.fra01[2] = monitor;
  const int listWidth = (monitor.width - 360) / 2;
  out.lbo01[0] = {120, 120, listWidth, monitor.height - 120};
  out.lbo01[1] = {120 + listWidth + 120, 120, listWidth, monitor.height - 120};

  const int consoleTop = monitor.top + monitor.height + 120;
  out.lboConsole = {monitor.left + 120, consoleTop, page.width - 480, std::max(1, page.height - 180 - consoleTop)};
  out.txtDispPara = {120, 240, page.width - 240, std::max(1, page.height - 360)};
  return out;
}

}  // namespace pw
