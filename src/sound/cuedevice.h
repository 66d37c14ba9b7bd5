#pragma once

#include <QString>

enum class CueCommand { Open, Play, Stop, Close };

// Two on/off options that the original multimedia control took at start-up. They mean
// nothing to our players; the start-up sequence still sends them so that it stays whole.
enum class CueFlag { Option24 = 24, Option26 = 26 };

inline constexpr const char *WaveAudioDevice = "WaveAudio";

// A cue player as the clock's operations drive it: a device type, a file name read at
// "Open", and four commands. No command reports anything back.
class CueDevice
{
public:
    virtual ~CueDevice() = default;
    virtual void setDeviceType(const QString &deviceType) = 0;
    virtual void setFileName(const QString &fileName) = 0;
    virtual void setFlag(CueFlag flag, bool value) = 0;
    virtual void command(CueCommand command) = 0;
};
