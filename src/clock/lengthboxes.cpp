#include "lengthboxes.h"

#include "clockstate.h"
#include "numbertext.h"

#include <algorithm>

namespace zentrel {

std::optional<PhaseLengths> readStartBoxes(const LengthTexts &boxes)
{
    PhaseLengths lengths {};
    bool acceptable = true;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::optional<double> value = parseDecimal(boxes[i]);
        if (!value || *value < 0.0 || *value > MaxPhaseLengthBox) {
            acceptable = false;
            continue;
        }
        lengths[i] = roundHalfToEven(*value);
    }
    if (!acceptable || std::all_of(lengths.begin(), lengths.end(), [](auto v) { return v == 0; }))
        return std::nullopt;
    return lengths;
}

} // namespace zentrel
