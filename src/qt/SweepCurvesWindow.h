// The sweep curves beside the main window: a plot per band-pass filter that
// follows the service record's sweeps as they are read. A window of its
// own, so the main window's layout stays as it is.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "qt/SweepPlot.h"

namespace pw {

class ServiceRecord;

class SweepCurvesWindow : public QWidget {
  Q_OBJECT

 public:
  explicit SweepCurvesWindow(QWidget* parent = nullptr);

  // Takes what is new in the record (nullptr: no radio read yet).
  void Follow(const ServiceRecord* record);
  SweepPlot* plot(int filter) const { return plots_.at(static_cast<size_t>(filter)); }
  // Puts the window beside `main`, on the screen where there is room.
  void PlaceBeside(const QWidget& main);

  // The curves a record gives one filter's plot.
  static SweepPlot::Curves CurvesOf(const ServiceRecord* record, int filter);

 signals:
  void closedByUser();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::array<SweepPlot*, SweepCurves::kFilters> plots_{};
  const ServiceRecord* shown_ = nullptr;
  uint64_t revision_ = 0;
};

}  // namespace pw
