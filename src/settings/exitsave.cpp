#include "exitsave.h"

#include "clock/numbertext.h"
#include "notices.h"

ExitSaveResult saveAtExit(const std::array<QString, 8> &boxes, const ClockState &state,
                          SettingsFile &file)
{
    ClockState toSave = state;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto value = parseWholeNumber(boxes[i]);
        if (!value)
            return { ExitSaveStatus::BadBox, badBoxMessage(int(i) + 1, boxes[i]) };
        toSave.PhaseDurations[i] = *value;
    }
    const SaveResult saved = file.WriteSettingsFile(toSave);
    if (saved.status == SaveStatus::Failed)
        return { ExitSaveStatus::WriteFailed, saveFailedMessage(saved) };
    return {};
}
