#pragma once

#include <QByteArray>
#include <QtEndian>
#include <cstdint>

// Builds a WAVE file in memory, for decoder and mixer tests.
inline QByteArray wavBytes(int encoding, int channels, int rate, int bits, const QByteArray &pcm,
                           const QByteArray &extraChunk = {})
{
    auto u16 = [](int v) {
        QByteArray b(2, 0);
        qToLittleEndian<std::uint16_t>(std::uint16_t(v), b.data());
        return b;
    };
    auto u32 = [](qint64 v) {
        QByteArray b(4, 0);
        qToLittleEndian<std::uint32_t>(std::uint32_t(v), b.data());
        return b;
    };
    QByteArray fmt = u16(encoding) + u16(channels) + u32(rate) + u32(rate * channels * bits / 8)
        + u16(channels * bits / 8) + u16(bits);
    if (encoding == 0xFFFE)
        fmt += u16(22) + u16(bits) + u32(0) + u16(1) + QByteArray(14, 0); // sub-format: PCM
    QByteArray body = QByteArray("WAVE") + extraChunk + "fmt " + u32(fmt.size()) + fmt + "data"
        + u32(pcm.size()) + pcm;
    return QByteArray("RIFF") + u32(body.size()) + body;
}

inline QByteArray int16Samples(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) {
        char b[2];
        qToLittleEndian<std::int16_t>(std::int16_t(v), b);
        out.append(b, 2);
    }
    return out;
}
