#include "messageseal.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>

namespace zentrel {

namespace {
const QString TimeField = QStringLiteral("t");
const QString SignatureField = QStringLiteral("sig");

QByteArray signature(const QByteArray &topic, const QJsonObject &body, const QByteArray &key)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, key);
    mac.addData(topic);
    mac.addData("\n");
    mac.addData(QJsonDocument(body).toJson(QJsonDocument::Compact));
    return mac.result().toHex();
}

// Constant time, so a forger learns nothing from how long a refusal took.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}
} // namespace

QByteArray sealMessage(const QByteArray &topic, const QByteArray &payload, const QByteArray &key,
                       qint64 utcMs)
{
    if (key.isEmpty() || payload.isEmpty())
        return payload;
    QJsonObject body = QJsonDocument::fromJson(payload).object();
    body.insert(TimeField, double(utcMs));
    const QByteArray sig = signature(topic, body, key);
    body.insert(SignatureField, QString::fromLatin1(sig));
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

Decoded<qint64> openMessage(const QByteArray &topic, const QByteArray &payload,
                            const QByteArray &key, qint64 nowUtcMs)
{
    if (key.isEmpty())
        return {};
    if (payload.size() > MaxMessageBytes)
        return { 0, MessageFault::Oversized };
    QJsonParseError error;
    QJsonObject body = QJsonDocument::fromJson(payload, &error).object();
    if (error.error != QJsonParseError::NoError)
        return { 0, MessageFault::Malformed };
    const QJsonValue sig = body.take(SignatureField);
    const QJsonValue time = body.value(TimeField);
    if (!sig.isString() || !time.isDouble())
        return { 0, MessageFault::Unsigned };
    if (!sameBytes(sig.toString().toLatin1(), signature(topic, body, key)))
        return { 0, MessageFault::Forged };
    const qint64 at = qint64(time.toDouble());
    if (at > nowUtcMs + MaxClockSkewMs || at < nowUtcMs - MaxClockSkewMs)
        return { 0, MessageFault::Stale };
    return { at, MessageFault::None };
}

} // namespace zentrel
