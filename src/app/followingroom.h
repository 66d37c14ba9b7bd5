#pragma once

#include "clock/clockstate.h"
#include "rooms/followersync.h"
#include "rooms/roomfollower.h"

#include <QObject>

namespace zentrel {

class ExamClock;
class Form1;
class SessionRecorder;
class StandInTicks;

// The following side of a program: the window shows the leader's clock as it is heard, and
// the room's own clock counts on from the last state heard while the leader is not. Cues
// sound here on the ticks where the count reaches them, once each, whoever counted.
class FollowingRoom : public QObject
{
    Q_OBJECT
public:
    // What it drives: the clock (whose own cue calls the program holds back), its timer,
    // the recorder that logs and plays, and the window for the status mark.
    struct Parts
    {
        ExamClock &clock;
        StandInTicks &ticks;
        SessionRecorder &recorder;
        Form1 &window;
    };
    FollowingRoom(const BrokerLogin &login, const QString &room, Parts parts,
                  QObject *parent = nullptr);

    void start();
    // After the clock has shown a count: one of its own ticks, unless a message was shown.
    void onCountShown();

    const RoomFollower &follower() const { return m_follower; }

private:
    void onSnapshot(const ClockSnapshot &leader);
    void onCutOff(CutOffReason reason);
    void onRejoined();
    void play(const FollowerStep &step);

    RoomFollower m_follower;
    Parts m_parts;
    FollowerSync m_sync;
    bool m_adopting = false;
    PhaseLengths m_boxes {}; // what the length boxes show, from the leader
};

} // namespace zentrel
