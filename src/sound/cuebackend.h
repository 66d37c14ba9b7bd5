#pragma once

#include <QString>

// The sound behind one cue player. Every call returns at once; none reports an error
// to the clock: a cue that cannot sound stays silent.
class CueBackend
{
public:
    virtual ~CueBackend() = default;
    // Prepares the named cue file at its beginning; false when it cannot be played.
    virtual bool load(const QString &fileName) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void unload() = 0;
    virtual bool isPlaying() const = 0;
};
