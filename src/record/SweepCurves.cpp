#include "record/SweepCurves.h"

#include <algorithm>

namespace pw {

int16_t SweepCurve::LowestLevel() const {
  int16_t lowest = 0;
  for (size_t i = 0; i < points.size(); ++i) lowest = i == 0 ? points[i].level : std::min(lowest, points[i].level);
  return lowest;
}

int16_t SweepCurve::HighestLevel() const {
  int16_t highest = 0;
  for (size_t i = 0; i < points.size(); ++i) highest = i == 0 ? points[i].level : std::max(highest, points[i].level);
  return highest;
}

bool SweepCurve::NoClearPeak() const { return finished && HighestLevel() - LowestLevel() <= 1; }

std::vector<std::string> SweepCurve::Warnings() const {
  std::vector<std::string> out;
  if (BestAtRangeEnd()) out.emplace_back(SweepCurves::kWarnRangeEnd);
  if (NoClearPeak()) out.emplace_back(SweepCurves::kWarnNoPeak);
  return out;
}

std::string SweepCurves::FilterName(int filter) { return "T" + std::to_string(filter + 1); }

void SweepCurves::Started(const LocalTime& at, int filter, int16_t min, int16_t max) {
  SweepCurve c;
  c.filter = filter;
  c.min = min;
  c.max = max;
  c.started = at;
  curves_.push_back(std::move(c));
  ++revision_;
}

SweepCurve* SweepCurves::Running(int filter) {
  // Only the last sweep can still be reading; a reading for another filter
  // belongs to no sweep that was announced and is dropped.
  if (curves_.empty() || curves_.back().filter != filter || curves_.back().finished) return nullptr;
  return &curves_.back();
}

void SweepCurves::Read(int filter, int16_t value, int16_t level) {
  if (SweepCurve* c = Running(filter)) {
    c->points.push_back({value, level});
    ++revision_;
  }
}

void SweepCurves::Chosen(int filter, int16_t low, int16_t high, int16_t chosen) {
  if (SweepCurve* c = Running(filter)) {
    c->finished = true;
    c->low = low;
    c->high = high;
    c->chosen = chosen;
    ++revision_;
  }
}

const SweepCurve* SweepCurves::Back(int filter, int skip) const {
  for (auto it = curves_.rbegin(); it != curves_.rend(); ++it) {
    if (it->filter != filter) continue;
    if (skip-- == 0) return &*it;
  }
  return nullptr;
}

}  // namespace pw
