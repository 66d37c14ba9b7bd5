#include "circuitscreen.h"

#include "messageseal.h"

#include <QDateTime>

namespace zentrel {

BrokerLink::Screen circuitScreen(const RoomTopics &topics, const QByteArray &key,
                                 QList<TopicKind> ignored)
{
    return [topics, key, ignored](const QByteArray &topic, const QByteArray &payload,
                                  Retain retained) -> std::optional<MessageFault> {
        const TopicKind kind = topics.classify(topic).kind;
        if (ignored.contains(kind))
            return MessageFault::None;
        if (kind == TopicKind::Foreign)
            return MessageFault::ForeignTopic;
        // A probe is this client's own marker, never signed.
        if (payload.isEmpty() || key.isEmpty() || kind == TopicKind::Probe)
            return std::nullopt;
        const Decoded<qint64> opened
            = openMessage(topic, payload, key, QDateTime::currentMSecsSinceEpoch());
        if (opened.fault == MessageFault::Stale && retained == Retain::Yes)
            return MessageFault::None;
        return opened.ok() ? std::nullopt : std::optional(opened.fault);
    };
}

} // namespace zentrel
