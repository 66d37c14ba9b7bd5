#pragma once

#include "roomleader.h"
#include "roomrole.h"

#include <QTimer>
#include <optional>

namespace zentrel {

struct ClockChange;

// Leads a circuit: sends the clock after each change, lists the rooms that follow and those
// that do not on the status line's tooltip and logs their joins, leaves and lost steps. A lost
// broker or another live leader on the circuit is marked and logged as a follower marks and
// logs a lost leader; this room leads on.
class LeadingRole : public RoomRole
{
    Q_OBJECT
public:
    LeadingRole(const BrokerLogin &login, ExamClock &clock, QObject *parent = nullptr);

    void start() override;

    const RoomLeader &leader() const { return m_leader; }

private:
    int total(Tally tally) const override;
    void publish(const ClockState &state);
    void showStep();

    RoomLeader m_leader;
    ExamClock &m_clock;
    std::optional<ClockState> m_published;
    bool m_brokerLost = false;
    QTimer m_tipUpdate; // one tooltip for a burst of joins
};

} // namespace zentrel
