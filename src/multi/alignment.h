// Alignment of a left and a right device's buffers on the marker codes both receive,
// and the merge of aligned samples into one record of the 64-channel set.
//
//     synchronizationStep(left, right, synchronized, lastCode);
//     if (synchronized && left.isReady(l) && right.isReady(r)) merge(left, right, merged, record);
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "multi/side_buffer.h"
#include "signal/signal_info.h"

namespace zav {

// Samples a merged record takes from each side.
constexpr std::size_t kMergedSamples = 8;

// Looks for the first code that both sides hold (a code equal to lastCode is passed over
// while synchronized) and aligns on it: equal positions, or a drift of one sample while
// synchronized, only trim the digital input; a larger distance drops the surplus samples
// from the side that is ahead. Handles at most one code pair per call; the rest are
// found again, at their new positions, by the next call.
void synchronizationStep(SideBuffer& left, SideBuffer& right, bool& synchronized, uint8_t& lastCode);

// Writes one record for the merged list into out (which the caller sized and filled
// with NaN): channel halves from each side, the first "IMU" signal from the left and
// the others from the right. Consumes kMergedSamples samples from both sides.
void merge(SideBuffer& left, SideBuffer& right, const SignalList& mergedSignals, std::vector<double>& out);

// Halves both sides' samples, then both sides' digital input, when both hold more than
// 1024 rows: a pair that never aligns must not grow without bound.
void limitBuffers(SideBuffer& left, SideBuffer& right);

}  // namespace zav
