#pragma once

#include "cuebackend.h"
#include "cuedevice.h"

// A player's states: closed, or open and either playing or stopped (also once a sound
// has run to its end). "Stop" and "Close" are harmless in every state.
enum class CuePlayerState { Closed, OpenPlaying, OpenStopped };

class CuePlayer : public CueDevice
{
public:
    explicit CuePlayer(CueBackend &backend);

    void setDeviceType(const QString &deviceType) override { m_deviceType = deviceType; }
    void setFileName(const QString &fileName) override { m_fileName = fileName; }
    void setFlag(CueFlag, bool) override { }
    void command(CueCommand command) override;

    CuePlayerState state() const;
    QString fileName() const { return m_fileName; }

private:
    CueBackend &m_backend;
    QString m_deviceType;
    QString m_fileName;
    bool m_open = false;
};
