#pragma once

#include "pcmclip.h"

#include <array>
#include <memory>
#include <span>

namespace zentrel {

// The two cue players: the next phase's announcement (at 0:10) and the warning (at 0:30).
enum class CueVoice { Announcement, Warning };

// A cue on one voice: its clip, and how far the output has got into it.
struct Voice
{
    std::shared_ptr<const PcmClip> clip;
    std::size_t position = 0; // in samples
};
using Voices = std::array<Voice, 2>;

// The next out.size() samples the room hears: the voices' clips from their positions, zeros
// where none sounds. Moves the positions on and lets go of clips played to their end.
void renderBlock(Voices &voices, std::span<std::int16_t> out);

bool isSounding(const Voices &voices);

} // namespace zentrel
