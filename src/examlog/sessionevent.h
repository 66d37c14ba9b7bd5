#pragma once

#include "clock/phases.h"

#include <QString>
#include <array>
#include <cstdint>

namespace zentrel {

// One row kind of the session log. The column "出来事" shows eventName(); each comment
// says who writes the row, and its detail.
enum class SessionEvent {
    ProgramStart, // Program at start-up; detail: the settings file's outcome
    Start, // ClockLog, on START; detail: startDetail()
    PhaseEntered, // ClockLog, for each phase a change enters
    Cue, // ClockLog, for each cue due; detail: cueDetail()
    Pause, // ClockLog
    Resume, // ClockLog
    Reset, // ClockLog
    FiveSeconds, // ClockLog
    SkipToNext, // ClockLog
    Trim, // ClockLog; detail: trimDetail()
    ExitAsked, // Program, as it asks the exit question
    ExitAnswered, // Program; detail: the answer
    Save, // Program, at a confirmed exit; detail: saveDetail()
    ProgramEnd, // Program, as it ends
    FollowerJoined, // LeadingRole; detail: the room's name, from outside (detailFromOutside)
    FollowerLeft, // LeadingRole; detail: the room's name, from outside
    SyncLost, // FollowingRole (the leader lost; detail: why), LeadingRole (the broker lost)
    SyncRegained, // FollowingRole (following again), LeadingRole (the broker back)
    SoundLost, // Program, when no sound output is left
    SoundRegained, // Program, when one is back
    MessagesRejected, // RoomRole, either role; detail: how many since the last such row
    OtherLeader, // LeadingRole, on hearing another leader; detail: its id
    ClocksRefused, // FollowingRole; detail: why the leader's clocks are refused (the key, their
                   // version)
    RoomOutOfStep, // LeadingRole; detail: the room and why
    RoomsOverLimit, // RoomRole; detail: how many rooms were ignored since the last such row
    SyncStarted, // FollowingRole, on the first clock from its leader
    CircuitRefused, // either role, when it cannot take its part and ends; detail: why
    Outage, // Program, at start-up after an abnormal end; detail: where it stopped, where it goes
            // on, the answer
};

enum class CueSource { BuiltIn, Folder };

QString eventName(SessionEvent event);

// Whether the event's detail is text from outside the program (a room name a follower chose
// with --room), which the log writes so that spreadsheets show it as text (csvOutsideText).
bool detailFromOutside(SessionEvent event);

// "m:ss", as the read-outs show a count.
QString countText(int minutes, int seconds);

// The lengths (each phase's short name, then its minutes and seconds) and the tick
// interval, as START took them.
QString startDetail(const PhaseLengths &lengths, int tickIntervalMs);

// Which file sounded and where it came from; `whyNotSounded` is empty when it played.
QString cueDetail(const QString &file, CueSource source, const QString &whyNotSounded = {});

QString trimDetail(int oldIntervalMs, int newIntervalMs);

// An empty `failure` means the file was saved.
QString saveDetail(const QString &path, const QString &failure = {});

} // namespace zentrel
