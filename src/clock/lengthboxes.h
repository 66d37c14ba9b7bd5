#pragma once

#include "phases.h"

#include <QString>
#include <array>
#include <optional>

namespace zentrel {

// The length boxes' texts as typed: minutes then seconds of each counted phase, in the
// phase table's order.
using LengthTexts = std::array<QString, LengthBoxCount>;

// What START takes from the boxes: each a decimal number from 0 to MaxPhaseLengthBox as a
// Japanese keyboard types it, rounded half to even. None when any box is not, or when every
// box comes to 0 and nothing would be left to count. Every box is read before the verdict.
std::optional<PhaseLengths> readStartBoxes(const LengthTexts &boxes);

} // namespace zentrel
