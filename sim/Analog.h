// The radio's analogue side as its A/D converter sees it: how the bench
// conditions and the stored adjustments turn into 8-bit reading codes.
#pragma once

#include <array>
#include <cstdint>

namespace sim::analog {

// Band-pass filter stages T1..T4: the tuning value at the middle of each
// stage's flat response top, and the half width of that top.
inline constexpr std::array<int, 4> kBpfOptimum{-20, 5, 30, -40};
inline constexpr int kBpfFlatHalfWidth = 4;
inline constexpr int kBpfStagePeak = 50;  // a stage's share of SD when tuned
inline constexpr int kSdFloor = 30;       // SD with every stage far off tune

// A stage's contribution to SD: kBpfStagePeak on its flat top, strictly less
// just outside it, falling towards 0 far from the optimum.
int bpfStageResponse(int stage, int value);

// The signal detector with the stages at the given tuning values.
uint8_t sdCode(const std::array<int, 4>& bpf);
// The same with only a share (0..1) of a full signal reaching the detector:
// what rises above the floor is scaled by it.
uint8_t sdCode(const std::array<int, 4>& bpf, double share);

// Share of a test signal that passes the channel filter when it lies
// offsetHz beside the channel: 1 on it, half 6 kHz off, next to nothing on
// the next channel (25 kHz).
double channelSelectivity(double offsetHz);

// The signal detector's share of its full swing at a signal level: nothing in
// the noise, the whole swing from about 20 dBuV.
double detectorShare(double signalDbuV);

// Noise detector voltage: a stronger test signal quiets the receiver.
uint8_t noiseCode(double signalDbuV);

// Thermistor divider: NTC with B = 4550 K, 47 k at 25 C, against 100 k.
uint8_t thermistorCode(double celsius);

// Supply voltage through the 13.76 V full-scale divider.
uint8_t batteryCode(double volts);

// Reference-oscillator temperature band of a TEMPS code (0..19).
int temperatureBand(uint8_t tempsCode);

}  // namespace sim::analog
