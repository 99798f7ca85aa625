// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "ui/CellGrid.h"
#include "ui/Form1.h"
#include "ui/ReceiveArea.h"

#include <QImage>
#include <QLineEdit>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <optional>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace qie;
using namespace qie::test;

namespace {

// The byte that glibc writes into memory it hands out, as a grey that no part of the grid has.
constexpr int kPerturbedByte = 0x5A;

// The cells a row switches on; width 1 then blocks all but byte column 0.
enum Cells { AllOff, AllOn, Blocked };

} // namespace

// The grid as it shows at the scale factor this process runs with. Qt reads QT_SCALE_FACTOR
// once per process, so CTest runs this test once per factor (tests/CMakeLists.txt).
class TestScaled : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifdef __GLIBC__
        // A new pixmap holds whatever its memory held before, which on a long-running desktop
        // is anything but the grid's colours. Fresh memory of a test process is often all zero,
        // which would look black, one of those colours; so every allocation comes filled.
        mallopt(M_PERTURB, kPerturbedByte ^ 0xFF);
#endif
    }

    void gridShowsOnlyItsColours_data()
    {
        QTest::addColumn<int>("cells");
        QTest::newRow("cells off") << +AllOff;
        QTest::newRow("cells on") << +AllOn;
        QTest::newRow("cells blocked") << +Blocked;
    }

    void gridShowsOnlyItsColours()
    {
        QFETCH(int, cells);
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        form.show();
        auto *grid = form.findChild<CellGrid *>(QStringLiteral("picField"));
        if (cells == AllOn) {
            for (int n = 0; n < CellGrid::kCellCount; ++n)
                form.picField_Click(n);
        } else if (cells == Blocked) {
            form.findChild<QLineEdit *>(QStringLiteral("txtImagByte"))
                ->setText(QStringLiteral("1"));
            form.cmdUpDate_Click();
        }
        // The factor did reach the grid, or this test would check nothing new.
        const qreal factor
            = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
        QCOMPARE(grid->devicePixelRatioF(), factor);

        const QPalette &colours = grid->palette();
        const QSet<QRgb> allowed { colours.color(QPalette::Dark).rgb(),
                                   colours.color(QPalette::Light).rgb(),
                                   colours.color(QPalette::Shadow).rgb(),
                                   colours.color(QPalette::Midlight).rgb(),
                                   qRgb(0, 0, 0),
                                   qRgb(255, 255, 255),
                                   qRgb(192, 192, 192) };
        const QImage image = grid->grab().toImage();
        QString firstStray;
        for (int n = 0; n < CellGrid::kCellCount; ++n) {
            // The device pixels wholly inside the cell; those it shares with a neighbour at a
            // fractional factor are checked as part of that neighbour or of this cell.
            const QRectF r = QRectF(grid->cellRect(n)).adjusted(0, 0, -1, -1);
            for (int y = qCeil(r.top() * factor); y <= qFloor(r.bottom() * factor); ++y) {
                for (int x = qCeil(r.left() * factor); x <= qFloor(r.right() * factor); ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    if (allowed.contains(qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel))))
                        continue;
                    if (firstStray.isEmpty())
                        firstStray = QStringLiteral("cell %1, device pixel (%2, %3): #%4")
                                         .arg(n)
                                         .arg(x)
                                         .arg(y)
                                         .arg(pixel, 8, 16, QLatin1Char('0'));
                }
            }
        }
        QCOMPARE(firstStray, QString());
    }

    // The received-data area of the fixed layout takes the same hex rows at every factor (8
    // bytes, no character column), and none of them wraps: neither full rows nor an open last
    // one.
    void hexRowsFitTheFixedArea_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::newRow("full rows") << 64;
        QTest::newRow("an open last row") << 66;
    }
    void hexRowsFitTheFixedArea()
    {
        QFETCH(int, bytes);
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        form.show();
        auto *area = form.findChild<ReceiveArea *>(QStringLiteral("txtReceiveData"));
        area->appendBytes(QByteArray(bytes, 'W'));
        area->setHexView(true);
        QCOMPARE(area->hexLayout().bytesPerRow, 8);
        QCOMPARE(area->hexLayout().characters, false);
        int wrapped = 0;
        for (QTextBlock block = area->document()->begin(); block.isValid(); block = block.next())
            wrapped
                += block.layout()->lineCount() - int(block.text().count(QChar::LineSeparator)) - 1;
        QCOMPARE(wrapped, 0);
    }
};

QTEST_MAIN(TestScaled)
#include "test_scaled.moc"
