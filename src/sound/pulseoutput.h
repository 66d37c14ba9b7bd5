#pragma once

#include <QObject>
#include <memory>

namespace zentrel {

class CuePlayer;
class PulseStream;

// Streams the player to the sound server's default output for as long as the program runs,
// whatever happens to the server and its outputs meanwhile. The stream only flows while a
// cue may come (the player's keepWarm(): for a few seconds after the last call) or plays: a
// flowing stream keeps the server from parking the output, so a cue is heard on its tick,
// and a corked one costs nothing between cues.
// Nothing here ever waits for the server.
class PulseOutput : public QObject
{
    Q_OBJECT

public:
    explicit PulseOutput(CuePlayer &player, QObject *parent = nullptr);
    ~PulseOutput() override;

    // True while a stream is ready on some output, so a cue would be heard.
    bool soundReachable() const { return m_reachable; }

Q_SIGNALS:
    void soundReachableChanged(bool reachable);

private:
    void setReachable(bool reachable);

    bool m_reachable = false;
    bool m_known = false; // whether anything has been said yet
    std::unique_ptr<PulseStream> m_stream;
};

} // namespace zentrel
