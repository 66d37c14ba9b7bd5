#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

namespace zentrel {

struct PcmFormat
{
    int sampleRate = 48000;
    int channels = 2;
    friend bool operator==(const PcmFormat &, const PcmFormat &) = default;
};

// A cue decoded for the output: interleaved signed 16-bit samples.
struct PcmClip
{
    PcmFormat format;
    std::vector<std::int16_t> samples;
    std::size_t frames() const { return samples.size() / std::size_t(format.channels); }
};

// Cues are short; a longer file is cut here rather than filling memory.
inline constexpr int MaxCueSeconds = 30;

// Reads a RIFF WAVE file (PCM 8, 16, 24 or 32 bits, or 32/64-bit float; any rate and
// channel count) and converts it to `target`. Nothing for a file it cannot read.
std::optional<PcmClip> decodeWav(const QByteArray &bytes, PcmFormat target);

} // namespace zentrel
