#include "windowrig.h"

#include <QTest>

// The 200-point read-outs must show their digits whole, at the right edge of their boxes.
class ReadoutsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digitsInsideTheirBoxes_data()
    {
        QTest::addColumn<int>("labelNumber");
        QTest::addColumn<QString>("text");
        for (int n : { 3, 5 }) {
            for (const char *t : { "60", "59", "48", "0", "7" })
                QTest::newRow(qPrintable(QStringLiteral("Label%1 %2").arg(n).arg(QLatin1String(t))))
                    << n << t;
        }
    }
    void digitsInsideTheirBoxes()
    {
        QFETCH(int, labelNumber);
        QFETCH(QString, text);

        WindowRig rig;
        QLabel *label = rig.label(labelNumber);
        label->setText(text);
        const QImage image = label->grab().toImage();
        const QColor background = image.pixelColor(0, 0);
        QRect ink;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != background)
                    ink |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY(!ink.isEmpty());
        // Not cut at any edge, and set against the right edge beside the unit.
        QVERIFY2(ink.left() > 0 && ink.top() > 0 && ink.bottom() < image.height() - 1
                     && ink.right() < image.width() - 1,
                 qPrintable(QStringLiteral("ink %1,%2 %3x%4")
                                .arg(ink.x())
                                .arg(ink.y())
                                .arg(ink.width())
                                .arg(ink.height())));
        QVERIFY(image.width() - 1 - ink.right() < 30);
    }
};

QTEST_MAIN(ReadoutsTest)
#include "tst_readouts.moc"
