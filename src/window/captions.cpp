#include "captions.h"

#include <QStringList>

namespace {
QString joined(std::initializer_list<const char *> lines, const char *separator)
{
    QStringList list;
    for (const char *line : lines)
        list << QString::fromUtf8(line);
    return list.join(QLatin1String(separator));
}
} // namespace

QString resetHelpCaption()
{
    return joined({ "｢一時停止｣ 中のみ、", "｢RESET｣ できます。", "<SHIFT>を押しながら、",
                    "クリックして下さい｡ \"" },
                  "\r");
}

QString skipFiveHelpCaption()
{
    return joined({ "タイマーを 約5秒 だけ進めます。", "<SHIFT> と <Ctrl> を押しながら、",
                    "クリックして下さい。" },
                  "\r");
}

QString trimHelpCaption()
{
    return joined({ "秒針の進み具合を微調整します。", "+ で遅く、- で速くなります。",
                    "<SHIFT>と<Ctrl>を押しながら、", "クリックして下さい。",
                    "設定は保存されません。" },
                  "\r");
}

QString skipToNextHelpCaption()
{
    return joined({ "現在のカウントを、", "0分10秒に進めます。", "<SHIFT>を押しながら、",
                    "クリックして下さい。" },
                  "\r");
}

QString aboutText()
{
    return joined({ " ", "Zentrel Timer Version 1.0.0", "",
                    "A countdown clock for station-based practical examinations:",
                    "Moving, Reading, Examination and Feedback, round and round,",
                    "with spoken cues at 30 and 10 seconds.", "",
                    "Written by the Zentrel Timer team.", "", "",
                    "Free software under the MIT licence, 2026.", " " },
                  "\r\n");
}

QString displayLines(const QString &held)
{
    QString out = held;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(u'\r', u'\n');
    return out;
}
