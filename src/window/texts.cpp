#include "texts.h"

#include "clock/phases.h"

#include <QDir>
#include <QStringList>

namespace zentrel {
namespace {
QString lines(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *line : list)
        out << QString::fromUtf8(line);
    return out.join(u'\n');
}

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

QString askToCloseUnsaved()
{
    return lines({ "", "保存せずに終了しますか？", "（キャンセルで画面に戻ります）" });
}
} // namespace

QString aboutText()
{
    return lines({ " ", "Zentrel Timer Version 1.0.0", "",
                   "A countdown clock for station-based practical examinations:",
                   "Moving, Reading, Examination and Feedback, round and round,",
                   "with spoken cues at 30 and 10 seconds.", "",
                   "Written by the Zentrel Timer team.", "", "",
                   "Free software under the MIT licence, 2026.", " " });
}

QString startUpNotice(SettingsReadOutcome outcome)
{
    const char *partly = "一部、デフォルト設定で、Zentrel Timer を起動します。";
    switch (outcome) {
    case SettingsReadOutcome::Complete:
        return {};
    case SettingsReadOutcome::NotFound:
        return lines({ "設定ファイルが見つかりません。", " ",
                       "デフォルト設定で Zentrel Timer を起動します。", " ",
                       "Zentrel Timer 終了時、デフォルト値で設定ファイルを", "作成します。" });
    case SettingsReadOutcome::Incomplete:
        return lines({ "設定ファイルの記述が正しくありません。", partly });
    case SettingsReadOutcome::EndMissing:
        return lines({ "設定ファイル最終行に end が指定されていません。", partly });
    }
    return {};
}

QString badBoxMessage(std::size_t slot, const QString &text)
{
    const QString where = QStringLiteral("Text%1 (%2 %3)")
                              .arg(slot + 1)
                              .arg(utf8(Phases[slot / 2 + 1].heading))
                              .arg(slot % 2 == 0 ? QStringLiteral("min") : QStringLiteral("sec"));
    return utf8("設定を保存できません。\n") + where + utf8(" の「") + text
        + utf8("」は整数ではありません。\n") + askToCloseUnsaved();
}

QString saveFailedMessage(const SaveResult &result)
{
    return utf8("設定ファイルを保存できませんでした。\n") + QDir::toNativeSeparators(result.path)
        + u'\n' + result.reason + u'\n' + askToCloseUnsaved();
}

} // namespace zentrel
