#include "numbertext.h"

#include <cmath>
#include <limits>

namespace zentrel {

namespace {
bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Splits an optional sign off; returns false when the rest is empty.
bool takeSign(QStringView &text)
{
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-'))
        text = text.mid(1);
    return !text.isEmpty();
}
} // namespace

QString normaliseTypedNumber(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'０' && u <= u'９')
            out += QChar(u'0' + (u - u'０'));
        else if (u == u'．')
            out += u'.';
        else if (u == u'＋')
            out += u'+';
        else if (u == u'－' || u == u'−')
            out += u'-';
        else
            out += c;
    }
    return out.trimmed(); // trimmed() knows U+3000 as a blank
}

std::optional<double> parseDecimal(const QString &text)
{
    const QString normal = normaliseTypedNumber(text);
    QStringView rest(normal);
    if (!takeSign(rest))
        return std::nullopt;
    int digits = 0;
    int points = 0;
    for (QChar c : rest) {
        if (isAsciiDigit(c))
            ++digits;
        else if (c == u'.' && ++points == 1)
            continue;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double value = normal.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> parseWholeNumber(const QString &text)
{
    const QString normal = normaliseTypedNumber(text);
    QStringView rest(normal);
    if (!takeSign(rest))
        return std::nullopt;
    for (QChar c : rest) {
        if (!isAsciiDigit(c))
            return std::nullopt;
    }
    bool ok = false;
    const int value = normal.toInt(&ok);
    if (!ok || value < std::numeric_limits<std::int16_t>::min()
        || value > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

std::int16_t roundHalfToEven(double value)
{
    // nearbyint follows the default rounding mode, round-to-nearest-even.
    return static_cast<std::int16_t>(std::nearbyint(value));
}

} // namespace zentrel
