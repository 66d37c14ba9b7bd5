#pragma once

#include "roomleader.h"
#include "roomrole.h"

#include <optional>

namespace zentrel {

struct ClockChange;

// Leads a circuit: sends the clock after each change, counts the rooms that follow on the
// status line's tooltip and logs their joins and leaves. A lost broker is shown and logged
// as a follower shows and logs it.
class LeadingRole : public RoomRole
{
    Q_OBJECT
public:
    LeadingRole(const BrokerLogin &login, ExamClock &clock, QObject *parent = nullptr);

    void start() override;

    const RoomLeader &leader() const { return m_leader; }

private:
    void publish(const ClockState &state);

    RoomLeader m_leader;
    ExamClock &m_clock;
    std::optional<ClockState> m_published;
};

// The tooltip of a leader's status line: "2 部屋が同期中: 101, 102".
QString followersText(QStringList rooms);

} // namespace zentrel
