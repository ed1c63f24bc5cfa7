#include "qt/SweepCurvesWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QScreen>
#include <algorithm>

#include "record/ServiceRecord.h"

namespace pw {

namespace {

constexpr int kGap = 8;  // pixels between the main window and this one

}  // namespace

SweepCurvesWindow::SweepCurvesWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmSweepCurves"));
  setWindowTitle(QStringLiteral("Sweep curves"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(kGap, kGap, kGap, kGap);
  grid->setSpacing(kGap);
  for (int k = 0; k < SweepCurves::kFilters; ++k) {
    plots_[static_cast<size_t>(k)] = new SweepPlot(k, this);
    grid->addWidget(plots_[static_cast<size_t>(k)], k / 2, k % 2);
  }
}

SweepPlot::Curves SweepCurvesWindow::CurvesOf(const ServiceRecord* record, int filter) {
  SweepPlot::Curves c;
  c.filter = filter;
  if (!record) return c;
  if (const SweepCurve* latest = record->sweeps().Latest(filter)) c.latest = *latest;
  if (const SweepCurve* previous = record->sweeps().Previous(filter)) c.previous = *previous;
  return c;
}

void SweepCurvesWindow::Follow(const ServiceRecord* record) {
  const uint64_t revision = record ? record->sweeps().revision() : 0;
  // A record made after another may take its place in memory, but it starts
  // with no sweeps and is followed from there: the revision tells it apart.
  if (record == shown_ && revision == revision_) return;
  shown_ = record;
  revision_ = revision;
  for (int k = 0; k < SweepCurves::kFilters; ++k) plots_[static_cast<size_t>(k)]->SetCurves(CurvesOf(record, k));
}

void SweepCurvesWindow::PlaceBeside(const QWidget& main) {
  const QRect frame = main.frameGeometry();
  const QScreen* screen = main.screen();
  const QRect room = screen ? screen->availableGeometry() : QRect(frame.topLeft(), QSize(4096, 4096));
  const QSize size = sizeHint().expandedTo(minimumSizeHint());
  QPoint at(frame.right() + kGap, frame.top());
  if (at.x() + size.width() > room.right()) at.setX(std::max(room.left(), frame.left() - kGap - size.width()));
  at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - size.height())));
  move(at);
}

void SweepCurvesWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closedByUser();
}

}  // namespace pw
