// libFuzzer target: any bytes as a cue file give a clip or nothing, never a crash, and a
// clip always holds whole frames.
#include "sound/pcmclip.h"

#include <cstdlib>

using namespace zentrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto clip = decodeWav(bytes, { 48000, 2 });
    if (clip && clip->samples.size() % 2 != 0)
        std::abort();
    return 0;
}
