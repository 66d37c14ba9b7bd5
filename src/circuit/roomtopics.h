#pragma once

#include <QByteArray>
#include <QString>

namespace zentrel {

// The topics of one circuit, all under zentrel/CIRCUIT/:
//   leader/CLIENT    a leader's presence (retained; its will empties it). Each leader has
//                    its own, so a refused leader's will can never empty the live one's
//   clock            the leader's clock message (retained)
//   rooms/CLIENT     one following room's presence (retained; its will empties it)
//   probe/CLIENT     a client's own marker: once it comes back, the retained messages
//                    that were there at subscription time have all arrived
enum class TopicKind { Leader, Clock, Room, Probe, Foreign };

// Yes on arrival: the broker kept it from before this session subscribed.
enum class Retain { No, Yes };

struct TopicName
{
    TopicKind kind = TopicKind::Foreign;
    QByteArray clientId; // leader/, rooms/ and probe/
};

class RoomTopics
{
public:
    explicit RoomTopics(const QString &circuit);

    QByteArray everything() const { return m_root + '#'; }
    QByteArray leader(const QByteArray &clientId) const { return m_root + "leader/" + clientId; }
    QByteArray clock() const { return m_root + "clock"; }
    QByteArray room(const QByteArray &clientId) const { return m_root + "rooms/" + clientId; }
    QByteArray probe(const QByteArray &clientId) const { return m_root + "probe/" + clientId; }

    TopicName classify(const QByteArray &topic) const;

private:
    QByteArray m_root;
};

// A fresh public id, seen by every subscriber in the topics: letters and digits only, so it
// is safe as a topic level.
QByteArray newClientId();
// The MQTT client id: a secret of its own, never published, so nobody who reads the topics
// can connect under it and push this session off the broker.
QByteArray newSecretClientId();
bool isClientId(const QByteArray &id);

} // namespace zentrel
