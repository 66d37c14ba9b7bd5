#include "texts.h"

#include "clock/phases.h"
#include "controltable.h"

#include <QDir>
#include <QStringList>
#include <algorithm>

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
    return lines({ " ", "Zentrel Timer Version " ZENTREL_VERSION, "",
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

// The box as the window heads it: its phase's row and its column ("読む時間 の min").
QString badBoxMessage(std::size_t slot, const QString &text)
{
    const Label column = isMinutesSlot(slot) ? Label::MinutesColumn : Label::SecondsColumn;
    const auto design
        = std::find_if(controlTable().begin(), controlTable().end(),
                       [column](const ControlDesign &d) { return d.role == Role(column); });
    const QString where = utf8(phaseOfSlot(slot).heading) + utf8(" の ") + utf8(design->text);
    return utf8("設定を保存できません。\n") + where + utf8(" に入力された「") + text
        + utf8("」は整数ではありません。\n") + askToCloseUnsaved();
}

QString saveFailedMessage(const SaveResult &result)
{
    QString why;
    switch (result.problem) {
    case SaveProblem::NoPermission:
        why = utf8("このファイルまたはフォルダに書き込む権限がありません。");
        break;
    case SaveProblem::ReadOnlyDrive:
        why = utf8("書き込みのできないドライブです。");
        break;
    case SaveProblem::DiskFull:
        why = utf8("ディスクの空き容量が足りません。");
        break;
    case SaveProblem::FolderMissing:
        why = utf8("フォルダが見つかりません。");
        break;
    case SaveProblem::None:
    case SaveProblem::Other:
        why = result.reason;
        break;
    }
    return utf8("設定ファイルを保存できませんでした。\n") + QDir::toNativeSeparators(result.path)
        + u'\n' + why + u'\n' + askToCloseUnsaved();
}

QString settingsOutcomeText(SettingsReadOutcome outcome)
{
    switch (outcome) {
    case SettingsReadOutcome::Complete:
        return QStringLiteral("設定ファイルを読みました");
    case SettingsReadOutcome::NotFound:
        return QStringLiteral("設定ファイルがありません: デフォルト設定");
    case SettingsReadOutcome::Incomplete:
        return QStringLiteral("設定ファイルの記述が正しくありません: 一部デフォルト設定");
    case SettingsReadOutcome::EndMissing:
        return QStringLiteral("設定ファイル最終行に end がありません");
    }
    return {};
}
} // namespace zentrel
