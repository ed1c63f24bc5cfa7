#include "qt/SweepPlot.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace pw {

const QColor SweepPlot::kCurveColor{0x1f, 0x4e, 0xa8};
const QColor SweepPlot::kPreviousColor{0xb8, 0xbe, 0xc8};
const QColor SweepPlot::kRangeColor{0x2e, 0x8b, 0x57};
const QColor SweepPlot::kChosenColor{0xd0, 0x30, 0x20};
const QColor SweepPlot::kWarningColor{0xc0, 0x70, 0x00};

namespace {

constexpr int kLevelFloor = 0;
constexpr int kLevelCeiling = 255;
// A curve flat within a count or two still gets a readable height.
constexpr int kMinLevelSpan = 4;

QString Title(const SweepPlot::Curves& c) {
  const QString name = QStringLiteral("BPF %1").arg(QString::fromStdString(SweepCurves::FilterName(c.filter)));
  if (!c.latest) return name + QStringLiteral("  (no sweep)");
  if (!c.latest->finished) return name + QStringLiteral("  sweeping");
  return name +
         QStringLiteral("  set to %1 (best %2 to %3)").arg(c.latest->chosen).arg(c.latest->low).arg(c.latest->high);
}

std::vector<std::string> Warnings(const SweepPlot::Curves& c) {
  return c.latest ? c.latest->Warnings() : std::vector<std::string>{};
}

QPainterPath CurvePath(const SweepPlot::Frame& f, const SweepCurve& curve) {
  QPainterPath path;
  for (size_t i = 0; i < curve.points.size(); ++i) {
    const QPointF p(f.X(curve.points[i].value), f.Y(curve.points[i].level));
    if (i == 0) {
      path.moveTo(p);
    } else {
      path.lineTo(p);
    }
  }
  return path;
}

}  // namespace

SweepPlot::Frame SweepPlot::Layout(const QPainter& painter, const QRectF& box, const Curves& curves) {
  const QFontMetricsF fm(painter.font(), painter.device());
  const double h = fm.height();
  const auto lines = static_cast<double>(1 + Warnings(curves).size());
  Frame f;
  if (curves.latest && curves.latest->max > curves.latest->min) {
    f.xMin = curves.latest->min;
    f.xMax = curves.latest->max;
  }
  int lo = kLevelCeiling;
  int hi = kLevelFloor;
  for (const auto* c : {&curves.latest, &curves.previous}) {
    if (!*c) continue;
    for (const SweepCurve::Point& p : (*c)->points) {
      lo = std::min<int>(lo, p.level);
      hi = std::max<int>(hi, p.level);
    }
  }
  if (lo > hi) {
    // Nothing read yet: the whole range of an 8-bit reading.
    f.yMin = kLevelFloor;
    f.yMax = kLevelCeiling;
  } else {
    const int pad = std::max(1, (kMinLevelSpan - (hi - lo) + 1) / 2);
    f.yMin = lo - pad;
    f.yMax = hi + pad;
  }
  const double left = box.left() + fm.horizontalAdvance(QStringLiteral("-255")) + h * 0.4;
  const double top = box.top() + h * (lines + 0.3);
  const double right = box.right() - fm.horizontalAdvance(QStringLiteral("00"));
  const double bottom = box.bottom() - h * 1.3;
  f.area = QRectF(QPointF(left, top), QPointF(std::max(left + 1, right), std::max(top + 1, bottom)));
  return f;
}

SweepPlot::Frame SweepPlot::Draw(QPainter& painter, const QRectF& box, const Curves& curves, double line) {
  const Frame f = Layout(painter, box, curves);
  const QFontMetricsF fm(painter.font(), painter.device());
  const double h = fm.height();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);

  // Title and warnings above the axes.
  painter.setPen(Qt::black);
  painter.drawText(QRectF(box.left(), box.top(), box.width(), h), Qt::AlignLeft | Qt::AlignVCenter, Title(curves));
  painter.setPen(kWarningColor);
  double y = box.top() + h;
  for (const std::string& w : Warnings(curves)) {
    painter.drawText(QRectF(box.left(), y, box.width(), h), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("! ") + QString::fromStdString(w));
    y += h;
  }

  // The axes' box and its labels: the ends of both ranges, and 0 of the value.
  painter.setPen(QPen(Qt::gray, line));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(f.area);
  painter.setPen(Qt::black);
  const double labelWidth = fm.horizontalAdvance(QStringLiteral("-255"));
  for (const int level : {f.yMin, f.yMax}) {
    painter.drawText(QRectF(box.left(), f.Y(level) - h / 2, labelWidth, h), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(level));
  }
  std::vector<int> xs{f.xMin, f.xMax};
  if (f.xMin < 0 && f.xMax > 0) xs.push_back(0);
  for (const int value : xs) {
    painter.drawText(QRectF(f.X(value) - labelWidth, f.area.bottom() + h * 0.15, 2 * labelWidth, h),
                     Qt::AlignHCenter | Qt::AlignTop, QString::number(value));
  }

  painter.setClipRect(f.area.adjusted(-line, -line, line, line));
  const SweepCurve* latest = curves.latest ? &*curves.latest : nullptr;
  // The best range as a band with its edges, under the curves.
  if (latest && latest->finished) {
    const QRectF band(QPointF(f.X(latest->low), f.area.top()), QPointF(f.X(latest->high), f.area.bottom()));
    QColor fill = kRangeColor;
    fill.setAlpha(40);
    painter.fillRect(band, fill);
    painter.setPen(QPen(kRangeColor, line));
    painter.drawLine(QPointF(band.left(), band.top()), QPointF(band.left(), band.bottom()));
    painter.drawLine(QPointF(band.right(), band.top()), QPointF(band.right(), band.bottom()));
  }
  painter.setRenderHint(QPainter::Antialiasing, true);
  if (curves.previous) {
    painter.setPen(QPen(kPreviousColor, line * 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(CurvePath(f, *curves.previous));
  }
  if (latest) {
    painter.setPen(QPen(kCurveColor, line * 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(CurvePath(f, *latest));
    // The last reading of a sweep under way, so a still curve shows where it is.
    if (!latest->finished && !latest->points.empty()) {
      painter.setBrush(kCurveColor);
      const SweepCurve::Point& p = latest->points.back();
      painter.drawEllipse(QPointF(f.X(p.value), f.Y(p.level)), line * 2, line * 2);
    }
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (latest && latest->finished) {
    painter.setPen(QPen(kChosenColor, line * 2));
    painter.drawLine(QPointF(f.X(latest->chosen), f.area.top()), QPointF(f.X(latest->chosen), f.area.bottom()));
  }
  painter.restore();
  return f;
}

SweepPlot::SweepPlot(int filter, QWidget* parent) : QWidget(parent) {
  curves_.filter = filter;
  setObjectName(QStringLiteral("plotBpfT%1").arg(filter + 1));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void SweepPlot::SetCurves(Curves curves) {
  curves_ = std::move(curves);
  update();
}

void SweepPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Draw(painter, QRectF(rect()).adjusted(6, 4, -6, -4), curves_, 1.0);
}

}  // namespace pw
