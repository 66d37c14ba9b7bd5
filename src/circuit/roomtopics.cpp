#include "roomtopics.h"

#include <QRandomGenerator>

namespace zentrel {

namespace {
constexpr qsizetype MaxClientIdLength = 32;
}

RoomTopics::RoomTopics(const QString &circuit)
    : m_root("zentrel/" + circuit.toUtf8() + '/')
{ }

TopicName RoomTopics::classify(const QByteArray &topic) const
{
    if (!topic.startsWith(m_root))
        return {};
    const QByteArray rest = topic.mid(m_root.size());
    if (rest == "clock")
        return { TopicKind::Clock, {} };
    for (const auto &[prefix, kind] :
         { std::pair { QByteArrayLiteral("leader/"), TopicKind::Leader },
           std::pair { QByteArrayLiteral("rooms/"), TopicKind::Room },
           std::pair { QByteArrayLiteral("probe/"), TopicKind::Probe } }) {
        if (rest.startsWith(prefix) && isClientId(rest.mid(prefix.size())))
            return { kind, rest.mid(prefix.size()) };
    }
    return {};
}

QByteArray newClientId()
{
    const quint64 bits = QRandomGenerator::system()->generate64();
    return QByteArray::number(bits, 16).rightJustified(16, '0');
}

QByteArray newSecretClientId()
{
    QByteArray bits(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bits.data()), 4);
    return "zentrel-" + bits.toHex();
}

bool isClientId(const QByteArray &id)
{
    if (id.isEmpty() || id.size() > MaxClientIdLength)
        return false;
    for (const char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

} // namespace zentrel
