#include "windowrig.h"

#include "captions.h"
#include "settings/notices.h"

#include <QTest>

namespace {
QByteArray fileWith(const char *interval, std::initializer_list<const char *> lengths,
                    const char *end = "end")
{
    QByteArray out = QByteArray("\"Setting DATA\r\n") + interval + ":interval of one second\r\n";
    for (const char *l : lengths)
        out += QByteArray(l) + ":x\r\n";
    return out + end + "\r\n\r\n\"\r\n";
}

QStringList boxesOf(WindowRig &rig)
{
    QStringList out;
    for (int n = 1; n <= 8; ++n)
        out << rig.box(n)->text();
    return out;
}

QByteArray settingsOnDisk(WindowRig &rig)
{
    QFile file(rig.folder.path("setting.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class StartUpExitTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { applyUiFont(); }
    void startUpFromTheFile_data();
    void startUpFromTheFile();
    void firstRunCreatesTheFile();
    void cancelAtExitKeepsEverything();
    void exitSavesBoxesAndTrimmedInterval();
    void badBoxAtExit();
    void unwritableFileAtExit();
};

void StartUpExitTest::startUpFromTheFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("notice"); // empty: none shown
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QStringList>("boxes");

    const QStringList defaults { "1", "0", "1", "0", "5", "0", "1", "0" };
    const QString notFound
        = QStringLiteral("設定ファイルが見つかりません。\r\n \r\nデフォルト設定で Zentrel Timer "
                         "を起動します。\r\n \r\n"
                         "Zentrel Timer 終了時、デフォルト値で設定ファイルを\r\n作成します。");
    const QString incomplete = QStringLiteral("設定ファイルの記述が正しくありません。\r\n一部、デフ"
                                              "ォルト設定で、Zentrel Timer を起動します。");
    const QString endMissing = QStringLiteral(
        "設定ファイル最終行に end が指定されていません。\r\n一部、デフォルト設定で、Zentrel Timer "
        "を起動します。");

    QTest::newRow("complete") << fileWith(" 990",
                                          { " 2", "30", " 3", " 0", "10", " 0", " 2", "15" })
                              << QString() << "990"
                              << QStringList { "2", "30", "3", "0", "10", "0", "2", "15" };
    QTest::newRow("no file") << QByteArray() << notFound << "999" << defaults;
    QTest::newRow("first four lines")
        << QByteArray("\"Setting DATA\r\n 500:i\r\n 3:m\r\n20:s\r\n") << incomplete << "500"
        << QStringList { "3", "20", "1", "0", "5", "0", "1", "0" };
    QTest::newRow("END in capitals")
        << fileWith(" 980", { " 4", " 4", " 4", " 4", " 4", " 4", " 4", " 4" }, "END") << endMissing
        << "980" << QStringList { "4", "4", "4", "4", "4", "4", "4", "4" };
    QTest::newRow("interval 0 falls back to 999")
        << fileWith("   0", { " 1", " 0", " 1", " 0", " 5", " 0", " 1", " 0" }) << QString()
        << "999" << defaults;
    QTest::newRow("interval 50 is kept")
        << fileWith("  50", { " 1", " 0", " 1", " 0", " 5", " 0", " 1", " 0" }) << QString() << "50"
        << defaults;
    QTest::newRow("lengths pass unchecked")
        << fileWith(" 999", { "75", "-3", " 1", " 0", " 5", " 0", " 1", " 0" }) << QString()
        << "999" << QStringList { "75", "-3", "1", "0", "5", "0", "1", "0" };
}

void StartUpExitTest::startUpFromTheFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, notice);
    QFETCH(QString, interval);
    QFETCH(QStringList, boxes);

    WindowRig rig(file);
    QCOMPARE(rig.messages.m_shown, notice.isEmpty() ? QStringList() : QStringList { notice });
    if (!notice.isEmpty())
        QCOMPARE(rig.messages.m_buttons.first(), MessageButtons::OkCancelOkDefault);
    QCOMPARE(rig.label(15)->text(), interval);
    QCOMPARE(rig.ticks.m_interval, interval.toInt());
    QCOMPARE(boxesOf(rig), boxes);
    QCOMPARE(rig.label(1)->text(), QString::fromUtf8(ScreenSaverReminder));
}

void StartUpExitTest::firstRunCreatesTheFile()
{
    QByteArray saved;
    {
        WindowRig rig(QByteArray {});
        rig.messages.m_answers = { MessageAnswer::Ok };
        QVERIFY(rig.form.close());
        saved = settingsOnDisk(rig);
        QCOMPARE(saved.size(), 222);
        QCOMPARE(rig.messages.m_shown.last(), QStringLiteral("本当に終了しますか？"));
        QCOMPARE(rig.messages.m_buttons.last(), MessageButtons::OkCancelCancelDefault);
    }
    WindowRig next(saved);
    QVERIFY(next.messages.m_shown.isEmpty());
}

void StartUpExitTest::cancelAtExitKeepsEverything()
{
    WindowRig rig;
    QTest::mouseClick(rig.button(1), Qt::LeftButton);
    rig.box(1)->setText(QStringLiteral("9")); // locked while running, but text stays
    rig.messages.m_answers = { MessageAnswer::Cancel };
    QVERIFY(!rig.form.close());
    QVERIFY(rig.form.isVisible());
    QVERIFY(rig.ticks.m_running);
    QCOMPARE(settingsOnDisk(rig), CompleteSettings);
}

void StartUpExitTest::exitSavesBoxesAndTrimmedInterval()
{
    WindowRig rig;
    QTest::mouseRelease(rig.button(9), Qt::LeftButton,
                        Qt::ShiftModifier | Qt::ControlModifier); // 1009
    rig.box(1)->setText(QStringLiteral(" 75 "));
    rig.box(2)->setText(QStringLiteral("－３")); // full-width minus and digit
    rig.box(3)->setText(QStringLiteral("100"));
    QVERIFY(rig.form.close());
    const QByteArray saved = settingsOnDisk(rig);
    QVERIFY(saved.contains("\r\n1009:interval of one second\r\n"));
    QVERIFY(
        saved.contains("\r\n75:moving minutes\r\n-3:moving seconds\r\n100:reading minutes\r\n"));
}

void StartUpExitTest::badBoxAtExit()
{
    WindowRig rig;
    QTest::mouseClick(rig.button(1), Qt::LeftButton);
    const auto lengthsBefore = rig.form.clock().state().PhaseDurations;
    rig.box(3)->setText(QStringLiteral("1.5"));
    rig.box(6)->setText(QStringLiteral("99999"));
    rig.messages.m_answers = { MessageAnswer::Ok, MessageAnswer::Cancel };
    QVERIFY(!rig.form.close());
    QVERIFY(rig.messages.m_shown.last().contains(QStringLiteral("Text3")));
    QCOMPARE(rig.messages.m_buttons.last(), MessageButtons::OkCancelCancelDefault);
    QCOMPARE(settingsOnDisk(rig), CompleteSettings);
    QCOMPARE(rig.form.clock().state().PhaseDurations, lengthsBefore);

    rig.messages.m_answers = { MessageAnswer::Ok, MessageAnswer::Ok }; // close without saving
    QVERIFY(rig.form.close());
    QCOMPARE(settingsOnDisk(rig), CompleteSettings);
}

// A folder where "setting.txt" cannot be written (here a folder of that name stands in
// the way, which holds even for root).
void StartUpExitTest::unwritableFileAtExit()
{
    FolderRig blocked(QByteArray {});
    QVERIFY(QDir::current().mkdir(QStringLiteral("setting.txt")));
    QStringList log;
    FakeTickSource ticks(log);
    RecordingCues cues(log);
    RecordingMessages messages;
    Form1 form({ ticks, cues, messages });
    form.load();
    form.show();
    QCOMPARE(messages.m_shown.size(), 1); // not found

    messages.m_answers = { MessageAnswer::Ok, MessageAnswer::Cancel };
    QVERIFY(!form.close());
    QVERIFY(
        messages.m_shown.last().contains(QDir::toNativeSeparators(blocked.path("setting.txt"))));
    QVERIFY(form.isVisible());
}

QTEST_MAIN(StartUpExitTest)
#include "tst_startupexit.moc"
