// SPDX-License-Identifier: MIT
#include "DataRows.h"
#include "ui/ReceiveArea.h"

#include <QtTest>
#include <QtWidgets>

using namespace qie;
using namespace qie::test;

// The received-data area on its own: chunks in, text and caret out.
class TestReceive : public QObject
{
    Q_OBJECT

private slots:
    void chunksBecomeLines_data()
    {
        columns<QStringList, QString>("chunks", "text");
        const auto row = [](const char *name, const QStringList &chunks, const char *text) {
            QTest::newRow(name) << chunks << QString::fromUtf8(text);
        };
        row("one line", { "OK" }, "OK");
        row("CR LF is one break", { "A\r\nB" }, "A\nB");
        row("lone CR is a break", { "A\rB" }, "A\nB");
        row("lone LF is a break", { "A\nB" }, "A\nB");
        row("LF CR is two breaks", { "A\n\rB" }, "A\n\nB");
        row("CR CR LF is two breaks", { "A\r\r\nB" }, "A\n\nB");
        row("CR LF split between chunks", { "A\r", "\nB" }, "A\nB");
        row("CR then text in the next chunk", { "A\r", "B" }, "A\nB");
        row("CR LF split, then a LF", { "A\r", "\n\nB" }, "A\n\nB");
        row("LF chunk after a CR LF chunk", { "A\r\n", "\nB" }, "A\n\nB");
        row("empty chunk keeps a pending CR", { "A\r", "", "\nB" }, "A\nB");
        row("split everywhere", { "A\rB\nC\r", "\nD\r\n\r", "\nE" }, "A\nB\nC\nD\n\nE");
        row("characters beyond 16 bits", { "😀\r", "\n日本" }, "😀\n日本");
        row("nothing", { "" }, "");
    }
    void chunksBecomeLines()
    {
        const auto [chunks, text] = fetch<QStringList, QString>("chunks", "text");
        ReceiveArea area;
        area.show();
        for (const QString &chunk : chunks) {
            // Wherever the operator left the caret, new text goes to the end.
            area.moveCursor(QTextCursor::Start);
            area.appendReceived(chunk);
        }
        QCOMPARE(area.toPlainText(), text);
        QCOMPARE(area.textCursor().position(), text.size());
    }

    // The background follows the port: the button colour while open, the dark one when closed.
    void colourShowsPortState_data()
    {
        columns<bool, QPalette::ColorRole>("open", "role");
        QTest::newRow("open") << true << QPalette::Button;
        QTest::newRow("closed") << false << QPalette::Dark;
    }
    void colourShowsPortState()
    {
        const auto [open, role] = fetch<bool, QPalette::ColorRole>("open", "role");
        QWidget window;
        QPalette colours = window.palette();
        colours.setColor(QPalette::Button, Qt::green);
        colours.setColor(QPalette::Dark, Qt::darkBlue);
        window.setPalette(colours);
        auto *area = new ReceiveArea(&window);
        area->showPortOpen(!open);
        area->showPortOpen(open);
        QCOMPARE(area->palette().color(QPalette::Base), colours.color(role));
    }
};

QTEST_MAIN(TestReceive)
#include "test_receive.moc"
