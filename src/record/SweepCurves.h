// The band-pass sweeps since a Connect, as the model read them: for every
// sweep of a filter the detector level at each value it stepped to, and,
// once the sweep reached the end of the range, the best range and the value
// chosen. A number per filter hides a flat top, a second peak or a dead
// stage; the curve shows them, and two warnings point at what a technician
// should look at twice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/LocalTime.h"

namespace pw {

struct SweepCurve {
  struct Point {
    int16_t value = 0;
    int16_t level = 0;
  };

  int filter = 0;  // 0 = T1 ... 3 = T4
  int16_t min = 0;
  int16_t max = 0;
  LocalTime started;
  std::vector<Point> points;  // in the order read
  bool finished = false;      // reached the end of the range and chose a value
  int16_t low = 0;            // the best range and the value chosen, once finished
  int16_t high = 0;
  int16_t chosen = 0;

  // The best range touches an end of the filter's range: the true peak may
  // lie beyond what the filter can reach.
  bool BestAtRangeEnd() const { return finished && (low <= min || high >= max); }
  // The highest and lowest levels are within one count: the value chosen
  // is the middle of noise, not of a peak.
  bool NoClearPeak() const;
  int16_t LowestLevel() const;
  int16_t HighestLevel() const;
  // The warnings in words, for the screen, the paper and the report.
  std::vector<std::string> Warnings() const;
};

class SweepCurves {
 public:
  static constexpr int kFilters = 4;
  static constexpr const char* kWarnRangeEnd = "best range at the end of the filter's range";
  static constexpr const char* kWarnNoPeak = "no clear peak (flat within one count)";

  void Started(const LocalTime& at, int filter, int16_t min, int16_t max);
  void Read(int filter, int16_t value, int16_t level);
  void Chosen(int filter, int16_t low, int16_t high, int16_t chosen);

  // Every sweep in the order they started.
  const std::vector<SweepCurve>& all() const { return curves_; }
  // The filter's last sweep and the one before it; nullptr where there is none.
  const SweepCurve* Latest(int filter) const { return Back(filter, 0); }
  const SweepCurve* Previous(int filter) const { return Back(filter, 1); }
  // Goes up with every change, so a view redraws only when there is news.
  uint64_t revision() const { return revision_; }

  static std::string FilterName(int filter);  // "T1" ... "T4"

 private:
  const SweepCurve* Back(int filter, int skip) const;
  SweepCurve* Running(int filter);

  std::vector<SweepCurve> curves_;
  uint64_t revision_ = 0;
};

}  // namespace pw
