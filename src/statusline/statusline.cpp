#include "statusline.h"

#include "clock/phases.h"

namespace zentrel {

QString statusMarkText(StatusMark mark, Viewer viewer)
{
    if (mark == StatusMark::NoSound && viewer == Viewer::Door)
        return QString::fromUtf8(RoomSilentAtDoor);
    return QString::fromUtf8(StatusMarks[std::size_t(mark)]);
}

QString statusLine(const ClockState &state, const StatusMarkSet &marks, Viewer viewer)
{
    QString text = QString::fromUtf8(phaseRow(state.Phase).statusText);
    if (state.Paused == Pause::On)
        text += QStringLiteral("  ") + QString::fromUtf8(PauseMark);
    if (state.Phase == Phase::Reset)
        return text;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (marks[i] == Presence::Present)
            text += QStringLiteral("  ") + statusMarkText(StatusMark(i), viewer);
    }
    return text;
}

} // namespace zentrel
