// libFuzzer target: any bytes as a settings file must give an outcome and never crash,
// and what is read must write back and read again the same.
#include "settings/settingsfile.h"

#include <QBuffer>
#include <cstdlib>

using namespace zentrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    const SettingsRead read = readSettings(device);
    if (read.outcome == SettingsReadOutcome::NotFound || read.settings.TickIntervalMs <= 0)
        std::abort();
    const ClockSettings &state = read.settings;

    if (read.outcome == SettingsReadOutcome::Complete && state.TickIntervalMs >= -999
        && state.TickIntervalMs <= 9999) {
        bool lengthsFit = true;
        for (auto v : state.PhaseDurations)
            lengthsFit &= v >= -9 && v <= 99;
        if (lengthsFit) {
            QByteArray written = settingsFileBytes(state);
            QBuffer again(&written);
            again.open(QIODevice::ReadOnly);
            const SettingsRead back = readSettings(again);
            if (back.outcome != SettingsReadOutcome::Complete || !(back.settings == state))
                std::abort();
        }
    }
    return 0;
}
