// One filter's sweep curves: the detector level against the filter's value,
// the last sweep drawn over the one before it (dimmed), the best range's
// edges and the value chosen marked, and the warnings written in the plot.
//
// Drawn with QPainter by one function that the window and the printed
// report share, so the curves on paper are the curves on screen. (Qt's own
// chart module is licensed under the GPL only, and no plotting library
// under a lighter licence is packaged for Qt 6: a few lines and labels do
// not need one.)
#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>
#include <optional>

#include "record/SweepCurves.h"

class QPainter;

namespace pw {

class SweepPlot : public QWidget {
  Q_OBJECT

 public:
  static const QColor kCurveColor;
  static const QColor kPreviousColor;
  static const QColor kRangeColor;
  static const QColor kChosenColor;
  static const QColor kWarningColor;

  // What one plot shows: copies, so that the record may grow meanwhile.
  struct Curves {
    int filter = 0;
    std::optional<SweepCurve> latest;
    std::optional<SweepCurve> previous;
  };

  // Where values and levels land inside the plot's frame.
  struct Frame {
    QRectF area;  // the axes' box
    int xMin = -128, xMax = 127;
    int yMin = 0, yMax = 255;
    double X(int value) const { return area.left() + (value - xMin) * area.width() / (xMax - xMin); }
    double Y(int level) const { return area.bottom() - (level - yMin) * area.height() / (yMax - yMin); }
  };

  // Draws into `box` with the painter's font; `line` is the width of a
  // thin line in the painter's units. Returns the frame it drew in.
  static Frame Draw(QPainter& painter, const QRectF& box, const Curves& curves, double line);
  // The frame Draw would use, without drawing.
  static Frame Layout(const QPainter& painter, const QRectF& box, const Curves& curves);

  explicit SweepPlot(int filter, QWidget* parent = nullptr);

  void SetCurves(Curves curves);
  const Curves& curves() const { return curves_; }

  QSize sizeHint() const override { return {300, 200}; }
  QSize minimumSizeHint() const override { return {200, 140}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Curves curves_;
};

}  // namespace pw
