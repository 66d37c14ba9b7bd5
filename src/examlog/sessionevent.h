#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace zentrel {

// One row kind of the session log. The column "出来事" shows eventName().
enum class SessionEvent {
    ProgramStart, // detail: the settings file's outcome
    Start, // detail: startDetail()
    PhaseEntered,
    Cue, // detail: cueDetail()
    Pause,
    Resume,
    Reset,
    FiveSeconds,
    SkipToNext,
    Trim, // detail: trimDetail()
    ExitAsked,
    ExitAnswered, // detail: the answer
    Save, // detail: saveDetail()
    ProgramEnd,
    FollowerJoined, // detail: the room's name, from outside (detailFromOutside)
    FollowerLeft, // detail: the room's name, from outside
    SyncLost,
    SyncRegained,
    SoundLost,
    SoundRegained,
    MessagesRejected, // detail: how many since the last such row
    OtherLeader, // detail: the other leader's id
    ClocksRefused, // detail: why the circuit key refuses the leader's clocks
    RoomOutOfStep, // detail: the room and why
    RoomsOverLimit, // detail: how many rooms were ignored since the last such row
    Outage, // detail: where the last run stopped, where this one goes on, the answer
};

enum class CueSource { BuiltIn, Folder };

QString eventName(SessionEvent event);

// Whether the event's detail is text from outside the program (a room name a follower chose
// with --room), which the log writes so that spreadsheets show it as text (csvOutsideText).
bool detailFromOutside(SessionEvent event);

// "m:ss", as the read-outs show a count.
QString countText(int minutes, int seconds);

// The eight lengths (minutes then seconds of Moving, Reading, Examination, Feedback) and
// the tick interval, as START took them.
QString startDetail(const std::array<std::int16_t, 8> &lengths, int tickIntervalMs);

// Which file sounded and where it came from; `whyNotSounded` is empty when it played.
QString cueDetail(const QString &file, CueSource source, const QString &whyNotSounded = {});

QString trimDetail(int oldIntervalMs, int newIntervalMs);

// An empty `failure` means the file was saved.
QString saveDetail(const QString &path, const QString &failure = {});

} // namespace zentrel
