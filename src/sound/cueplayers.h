#pragma once

#include "clock/cues.h"
#include "cuedevice.h"
#include "cueoutlet.h"

#include <functional>

namespace zentrel {

// The cue operations over the phase cue player and the warning player, each a fixed
// command sequence. `prepare` readies the sound path when the clock gives notice of a cue.
class CuePlayers : public CueOutlet
{
public:
    CuePlayers(CueDevice &phasePlayer, CueDevice &warningPlayer,
               std::function<void()> prepare = {});

    void initCuePlayers() override;
    void silenceCuePlayers() override;
    void setPhaseCueFile(const QString &fileName) override;
    void playWarningCue() override;
    void playPhaseCue() override;
    void prepareForCue() override;

private:
    CueDevice &m_phasePlayer;
    CueDevice &m_warningPlayer;
    std::function<void()> m_prepare;
};

} // namespace zentrel
