#pragma once

#include <QString>

namespace zentrel {

// A cue player as the cue operations drive it: a file name read at open(), and four
// commands that report nothing back. stop() and close() are harmless in every state.
class CueDevice
{
public:
    virtual ~CueDevice() = default;
    virtual void setFileName(const QString &fileName) = 0;
    virtual void open() = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void close() = 0;
};

} // namespace zentrel
