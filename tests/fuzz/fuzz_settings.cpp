// libFuzzer target: any bytes as a settings file must give an outcome and never crash,
// and what is read must write back and read again the same.
#include "settings/settingsfile.h"

#include <QBuffer>
#include <algorithm>
#include <cstdlib>

using namespace zentrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto read = [](QByteArray bytes) {
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        return readSettings(device);
    };
    const SettingsRead first
        = read(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const ClockSettings &state = first.settings;
    if (first.outcome == SettingsReadOutcome::NotFound || state.TickIntervalMs <= 0)
        std::abort();
    // Only values as wide as the file's fields come back the same.
    const auto &lengths = state.PhaseDurations;
    if (first.outcome != SettingsReadOutcome::Complete || state.TickIntervalMs < -999
        || state.TickIntervalMs > 9999
        || std::any_of(lengths.begin(), lengths.end(), [](int v) { return v < -9 || v > 99; }))
        return 0;
    const SettingsRead back = read(settingsFileBytes(state));
    if (back.outcome != SettingsReadOutcome::Complete || !(back.settings == state))
        std::abort();
    return 0;
}
