#include "notices.h"

#include <QDir>
#include <QStringList>

namespace {
QString lines(std::initializer_list<QString> list)
{
    return QStringList(list).join(QLatin1String("\r\n"));
}

QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}
} // namespace

QString startUpNotice(SettingsReadOutcome outcome)
{
    const QString partly = utf8("一部、デフォルト設定で、Zentrel Timer を起動します。");
    switch (outcome) {
    case SettingsReadOutcome::Complete:
        return {};
    case SettingsReadOutcome::NotFound:
        return lines({ utf8("設定ファイルが見つかりません。"), utf8(" "),
                       utf8("デフォルト設定で Zentrel Timer を起動します。"), utf8(" "),
                       utf8("Zentrel Timer 終了時、デフォルト値で設定ファイルを"),
                       utf8("作成します。") });
    case SettingsReadOutcome::Incomplete:
        return lines({ utf8("設定ファイルの記述が正しくありません。"), partly });
    case SettingsReadOutcome::EndMissing:
        return lines({ utf8("設定ファイル最終行に end が指定されていません。"), partly });
    }
    return {};
}

QString badBoxMessage(int boxNumber, const QString &text)
{
    static const char *rows[] = { "移動時間", "読む時間", "試験時間", "評価時間" };
    const QString where = QStringLiteral("Text%1 (%2 %3)")
                              .arg(boxNumber)
                              .arg(utf8(rows[(boxNumber - 1) / 2]))
                              .arg(boxNumber % 2 ? QStringLiteral("min") : QStringLiteral("sec"));
    return lines({ utf8("設定を保存できません。"),
                   where + utf8(" の「") + text + utf8("」は整数ではありません。"), QString(),
                   utf8("保存せずに終了しますか？"), utf8("（キャンセルで画面に戻ります）") });
}

QString saveFailedMessage(const SaveResult &result)
{
    return lines({ utf8("設定ファイルを保存できませんでした。"),
                   QDir::toNativeSeparators(result.path), result.reason, QString(),
                   utf8("保存せずに終了しますか？"), utf8("（キャンセルで画面に戻ります）") });
}
