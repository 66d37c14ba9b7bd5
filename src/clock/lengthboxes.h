#pragma once

#include "phases.h"

#include <QString>
#include <array>

namespace zentrel {

// The length boxes' texts as typed: minutes then seconds of each counted phase, in the
// phase table's order.
using LengthTexts = std::array<QString, LengthBoxCount>;

} // namespace zentrel
