// libFuzzer target: any bytes as a settings file must give an outcome and never crash,
// and what is read must write back and read again the same.
#include "settings/settingsfile.h"

#include <QBuffer>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    ClockState state;
    QByteArray line;
    const SettingsReadOutcome outcome = readSettings(device, state, line);
    if (outcome == SettingsReadOutcome::NotFound)
        std::abort();

    if (outcome == SettingsReadOutcome::Complete && state.TickIntervalMs >= -999
        && state.TickIntervalMs <= 9999) {
        bool lengthsFit = true;
        for (auto v : state.PhaseDurations)
            lengthsFit &= v >= -9 && v <= 99;
        if (lengthsFit) {
            QByteArray written = settingsFileBytes(state, line);
            QBuffer again(&written);
            again.open(QIODevice::ReadOnly);
            ClockState back;
            if (readSettings(again, back, line) != SettingsReadOutcome::Complete
                || back.TickIntervalMs != state.TickIntervalMs
                || back.PhaseDurations != state.PhaseDurations)
                std::abort();
        }
    }
    return 0;
}
