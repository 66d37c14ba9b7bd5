#include "cuevoices.h"

#include <algorithm>

namespace zentrel {

void renderBlock(Voices &voices, std::span<std::int16_t> out)
{
    std::fill(out.begin(), out.end(), std::int16_t(0));
    for (Voice &voice : voices) {
        if (!voice.clip)
            continue;
        const std::vector<std::int16_t> &samples = voice.clip->samples;
        const std::size_t from = std::min(voice.position, samples.size());
        const std::size_t n = std::min(out.size(), samples.size() - from);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = std::int16_t(std::clamp(int(out[i]) + int(samples[from + i]), -32768, 32767));
        voice.position = from + n;
        if (voice.position == samples.size())
            voice = {};
    }
}

bool isSounding(const Voices &voices)
{
    return std::any_of(voices.begin(), voices.end(), [](const Voice &voice) {
        return voice.clip && voice.position < voice.clip->samples.size();
    });
}

} // namespace zentrel
