#pragma once

#include "brokeraddress.h"
#include "clockmessage.h"
#include "roomtopics.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace zentrel {

class BrokerLink;

enum class LeaderState { Checking, Leading, Refused };

// Publishes one room's clock to the circuit's followers and keeps count of them.
//
// It leads only when no live leader holds the circuit: a live leader's presence is retained
// on its leader topic, and its will empties that topic when its session dies. It counts the
// following rooms by their retained presence messages, which their wills empty likewise.
class RoomLeader : public QObject
{
    Q_OBJECT
public:
    explicit RoomLeader(const BrokerLogin &login, QObject *parent = nullptr);
    ~RoomLeader() override; // leaves the circuit cleanly: presence and clock are cleared

    void start();
    // The clock's state after each tick or command. The latest is retained for followers that
    // come late, sent again on each reconnection, and repeated every HeartbeatMs while the
    // clock stands still, so followers can tell a quiet leader from a lost one.
    void publish(const ClockState &snapshot);

    LeaderState state() const { return m_state; }
    int followerCount() const { return int(m_rooms.size()); }
    QStringList followerRooms() const { return m_rooms.values(); }
    int rejectedMessages() const { return m_rejected; }
    QByteArray id() const { return m_id; }

    static constexpr int HeartbeatMs = 1000;

Q_SIGNALS:
    void leading();
    void refused(const QString &reason); // for the operator, in Japanese; the program then ends
    void brokerLost(const QString &reason);
    void followerJoined(const QString &room);
    void followerLeft(const QString &room);
    void followerCountChanged(int count);
    void messageRejected(MessageFault fault);

private:
    void onSubscribed();
    void onMessage(const QByteArray &topic, const QByteArray &payload);
    void onLeaderTopic(const QByteArray &clientId, const QByteArray &payload);
    void onRoomTopic(const QByteArray &clientId, const QByteArray &payload);
    void takeCircuit();
    void sendClock();
    void refuse(const QString &reason);
    void reject(MessageFault fault);

    QString m_circuit;
    RoomTopics m_topics;
    QByteArray m_id;
    QPointer<BrokerLink> m_client;
    LeaderState m_state = LeaderState::Checking;
    ClockState m_clock;
    std::uint32_t m_sequence = 0;
    QTimer m_heartbeat;
    QMap<QByteArray, QString> m_rooms; // client id -> room name
    QSet<QByteArray> m_roomsSeenSinceSubscribe;
    int m_rejected = 0;
};

} // namespace zentrel
