#include "pcmclip.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace zentrel {

namespace {
constexpr std::uint16_t FormatPcm = 1;
constexpr std::uint16_t FormatFloat = 3;
constexpr std::uint16_t FormatExtensible = 0xFFFE;

struct SourceFormat
{
    std::uint16_t encoding = 0;
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    int blockAlign = 0;
};

std::uint16_t u16(const char *p)
{
    return qFromLittleEndian<std::uint16_t>(p);
}
std::uint32_t u32(const char *p)
{
    return qFromLittleEndian<std::uint32_t>(p);
}

bool readFormat(const char *p, std::uint32_t size, SourceFormat &f)
{
    if (size < 16)
        return false;
    f.encoding = u16(p);
    f.channels = u16(p + 2);
    f.sampleRate = int(u32(p + 4));
    f.blockAlign = u16(p + 12);
    f.bits = u16(p + 14);
    if (f.encoding == FormatExtensible) {
        if (size < 26)
            return false;
        f.encoding = u16(p + 24); // first bytes of the sub-format GUID
    }
    const bool pcm
        = f.encoding == FormatPcm && (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32);
    const bool flt = f.encoding == FormatFloat && (f.bits == 32 || f.bits == 64);
    return (pcm || flt) && f.channels >= 1 && f.channels <= 8 && f.sampleRate >= 1000
        && f.sampleRate <= 384000 && f.blockAlign == f.channels * f.bits / 8;
}

// One sample as -1..1.
float sampleAt(const char *p, const SourceFormat &f)
{
    switch (f.bits) {
    case 8:
        return (float(std::uint8_t(*p)) - 128.0f) / 128.0f;
    case 16:
        return float(qFromLittleEndian<std::int16_t>(p)) / 32768.0f;
    case 24: {
        const std::int32_t v = std::int32_t(std::uint32_t(std::uint8_t(p[0])) << 8
                                            | std::uint32_t(std::uint8_t(p[1])) << 16
                                            | std::uint32_t(std::uint8_t(p[2])) << 24);
        return float(v) / 2147483648.0f;
    }
    case 32:
        if (f.encoding == FormatFloat) {
            const std::uint32_t bits = u32(p);
            float v;
            std::memcpy(&v, &bits, sizeof v);
            return std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
        }
        return float(qFromLittleEndian<std::int32_t>(p)) / 2147483648.0f;
    case 64: {
        const std::uint64_t bits = qFromLittleEndian<std::uint64_t>(p);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return std::isfinite(v) ? float(std::clamp(v, -1.0, 1.0)) : 0.0f;
    }
    }
    return 0.0f;
}

// The frame's value for one output channel: mono spreads, down-mixing to mono averages.
float channelValue(const char *frame, const SourceFormat &f, int outChannel, int outChannels)
{
    const int bytes = f.bits / 8;
    if (outChannels == 1 && f.channels > 1) {
        float sum = 0.0f;
        for (int c = 0; c < f.channels; ++c)
            sum += sampleAt(frame + c * bytes, f);
        return sum / float(f.channels);
    }
    return sampleAt(frame + std::min(outChannel, f.channels - 1) * bytes, f);
}

std::int16_t toInt16(float v)
{
    return std::int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}
} // namespace

std::optional<PcmClip> decodeWav(const QByteArray &bytes, PcmFormat target)
{
    if (target.channels < 1 || target.sampleRate < 1)
        return std::nullopt;
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return std::nullopt;

    SourceFormat format;
    bool haveFormat = false;
    const char *pcm = nullptr;
    qsizetype pcmBytes = 0;
    for (qsizetype at = 12; at + 8 <= size;) {
        const char *chunk = data + at;
        const qsizetype chunkSize = u32(chunk + 4);
        const qsizetype available = std::min<qsizetype>(chunkSize, size - at - 8);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            haveFormat = readFormat(chunk + 8, std::uint32_t(available), format);
            if (!haveFormat)
                return std::nullopt;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            pcm = chunk + 8;
            pcmBytes = available; // a cut file plays what it holds
            break;
        }
        at += 8 + chunkSize + (chunkSize & 1);
    }
    if (!haveFormat || !pcm)
        return std::nullopt;

    const qsizetype inFrames = std::min<qsizetype>(pcmBytes / format.blockAlign,
                                                   qsizetype(format.sampleRate) * MaxCueSeconds);
    const std::int64_t outFrames = std::int64_t(inFrames) * target.sampleRate / format.sampleRate;
    PcmClip clip { target, {} };
    clip.samples.resize(std::size_t(outFrames) * std::size_t(target.channels));
    const double step = double(format.sampleRate) / double(target.sampleRate);
    for (std::int64_t i = 0; i < outFrames; ++i) {
        // Linear interpolation between the two source frames around this instant.
        const double pos = double(i) * step;
        const qsizetype i0 = std::min<qsizetype>(qsizetype(pos), inFrames - 1);
        const qsizetype i1 = std::min<qsizetype>(i0 + 1, inFrames - 1);
        const float t = float(pos - double(i0));
        for (int c = 0; c < target.channels; ++c) {
            const float a = channelValue(pcm + i0 * format.blockAlign, format, c, target.channels);
            const float b = channelValue(pcm + i1 * format.blockAlign, format, c, target.channels);
            clip.samples[std::size_t(i * target.channels + c)] = toInt16(a + (b - a) * t);
        }
    }
    return clip;
}

} // namespace zentrel
