#pragma once

#include <QByteArray>

// Builds a WAVE file in memory, for decoder tests.
inline QByteArray wavBytes(int encoding, int channels, int rate, int bits, const QByteArray &pcm,
                           const QByteArray &extraChunk = {})
{
    auto le = [](qint64 value, int bytes) {
        QByteArray out(bytes, 0);
        for (int i = 0; i < bytes; ++i)
            out[i] = char(value >> (8 * i));
        return out;
    };
    QByteArray fmt = le(encoding, 2) + le(channels, 2) + le(rate, 4)
        + le(rate * channels * bits / 8, 4) + le(channels * bits / 8, 2) + le(bits, 2);
    if (encoding == 0xFFFE) // sub-format: PCM
        fmt += le(22, 2) + le(bits, 2) + le(0, 4) + le(1, 2) + QByteArray(14, 0);
    QByteArray body = QByteArray("WAVE") + extraChunk + "fmt " + le(fmt.size(), 4) + fmt + "data"
        + le(pcm.size(), 4) + pcm;
    return QByteArray("RIFF") + le(body.size(), 4) + body;
}
