// SPDX-License-Identifier: MIT
#include "DataTexts.h"
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FakeEditorView.h"
#include "FileBytes.h"
#include "PictureRows.h"
#include "images/ImageImport.h"
#include "model/PastedText.h"
#include "model/PictureEdit.h"
#include "model/Stroke.h"
#include "ui/CellGrid.h"
#include "ui/Form1.h"
#include "ui/GridMenu.h"

#include <QtTest>
#include <QtWidgets>

using namespace qie;
using namespace qie::test;

using Transform = PictureEdit::Transform;
Q_DECLARE_METATYPE(Transform)

namespace {

// What an edit step changes in the window, each part compared on its own.
struct Shown
{
    QString data;
    QString width;
    QString callsign;
    QString cells; // the model's cells, one character a cell
    QString mask;
    bool operator==(const Shown &) const = default;
};

void compareShown(const Shown &actual, const Shown &expected)
{
    QCOMPARE(actual.data, expected.data);
    QCOMPARE(actual.width, expected.width);
    QCOMPARE(actual.callsign, expected.callsign);
    QCOMPARE(actual.cells, expected.cells);
    QCOMPARE(actual.mask, expected.mask);
}

} // namespace

// The picture edits and strokes: the plain logic first, then the window as the operator uses
// it (mouse, keys, menu, clipboard), on fakes.
class TestEdit : public QObject
{
    Q_OBJECT

    FakeDialogService m_dialogs;
    FakeCommControl m_port;
    std::optional<Form1> m_form;

    template<class T = QWidget> T *control(const QString &n) { return m_form->findChild<T *>(n); }
    CellGrid *grid() { return control<CellGrid>("picField"); }
    QLineEdit *widthBox() { return control<QLineEdit>("txtImagByte"); }
    QLineEdit *callsignBox() { return control<QLineEdit>("txtCWID"); }
    QString data() { return m_form->dataText(); }
    QMenu *menu() { return m_form->gridMenu()->menu(); }

    void send(QEvent::Type type, int cell, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF at = grid()->cellRect(cell).center();
        QMouseEvent event(type, at, grid()->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(grid(), &event);
    }
    // Press on the first cell, one pointer report on each further cell, release on the last.
    void drag(const QList<int> &cells)
    {
        send(QEvent::MouseButtonPress, cells.first(), Qt::LeftButton, Qt::LeftButton);
        for (int n : cells.mid(1))
            send(QEvent::MouseMove, n, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, cells.last(), Qt::LeftButton, Qt::NoButton);
    }
    void setWidth(const QString &w)
    {
        widthBox()->setText(w);
        QTest::mouseClick(control<QPushButton>("cmdUpDate"), Qt::LeftButton);
    }
    QAction *item(const QString &text)
    {
        for (QMenu *m : { menu(), menu()->findChild<QMenu *>("shiftMenu") }) {
            for (QAction *a : m->actions()) {
                if (a->text() == text)
                    return a;
            }
        }
        return nullptr;
    }
    // The cells shown on, runs of three or more written first-last: "0 2-1279".
    QString onCells()
    {
        QStringList on;
        for (int n = 0; n < CellGrid::kCellCount; ++n) {
            if (grid()->picture(n) != CellPicture::On)
                continue;
            int last = n;
            while (last + 1 < CellGrid::kCellCount && grid()->picture(last + 1) == CellPicture::On)
                ++last;
            if (last - n >= 2) {
                on << QStringLiteral("%1-%2").arg(n).arg(last);
                n = last;
            } else {
                on << QString::number(n);
            }
        }
        return on.join(u' ');
    }
    void showActive()
    {
        m_form->show();
        QApplication::setActiveWindow(&*m_form);
        QVERIFY(QTest::qWaitForWindowActive(&*m_form));
    }

private slots:
    void init()
    {
        m_dialogs = {};
        m_port.open = false;
        m_port.sent.clear();
        m_form.emplace(m_dialogs, m_port);
    }
    void cleanup() { m_form.reset(); }

    // A known picture in 12 columns, the first 8 open: (0, 0), (6, 0), (1, 1), (3, 9) and (7, 9)
    // inside, (10, 0) outside and kept.
    void transforms_data()
    {
        QTest::addColumn<Transform>("transform");
        QTest::addColumn<QStringList>("after");
        const auto row = [](const char *name, Transform t, const QStringList &after) {
            QTest::newRow(name) << t << after;
        };
        const QString empty(12, u'.');
        const QString full = QStringLiteral("########....");
        row("clear", Transform::Clear, { "..........#." });
        row("invert", Transform::Invert,
            { ".#####.#..#.", "#.######....", full, full, full, full, full, full, full,
              "###.###....." });
        row("shift left", Transform::ShiftLeft,
            { ".....#....#.", "#...........", empty, empty, empty, empty, empty, empty, empty,
              "..#...#....." });
        row("shift right drops", Transform::ShiftRight,
            { ".#.....#..#.", "..#.........", empty, empty, empty, empty, empty, empty, empty,
              "....#......." });
        row("shift up", Transform::ShiftUp,
            { ".#........#.", empty, empty, empty, empty, empty, empty, empty, "...#...#...." });
        row("shift down", Transform::ShiftDown, { "..........#.", "#.....#.....", ".#.........." });
        row("mirror", Transform::Mirror,
            { ".#.....#..#.", "......#.....", empty, empty, empty, empty, empty, empty, empty,
              "#...#......." });
        row("flip", Transform::Flip,
            { "...#...#..#.", empty, empty, empty, empty, empty, empty, empty, ".#..........",
              "#.....#....." });
    }
    void transforms()
    {
        QFETCH(Transform, transform);
        QFETCH(QStringList, after);
        const Picture known = pictureOf(
            { "#.....#...#.", ".#..........", "", "", "", "", "", "", "", "...#...#...." });
        QStringList rows = rowsOf(PictureEdit::apply(transform, known, 8), 12);
        while (!rows.isEmpty() && !rows.last().contains(u'#'))
            rows.removeLast(); // the rows above leave the trailing off rows out
        QCOMPARE(rows, after);
    }

    // Bresenham's line in grid coordinates (column, row; cell = 64 row + column).
    void strokeLine_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("cells");
        QTest::newRow("one cell") << 5 << 5 << QList<int> { 5 };
        QTest::newRow("right") << 0 << 4 << QList<int> { 0, 1, 2, 3, 4 };
        QTest::newRow("left") << 3 << 0 << QList<int> { 3, 2, 1, 0 };
        QTest::newRow("diagonal") << 0 << 195 << QList<int> { 0, 65, 130, 195 };
        QTest::newRow("shallow") << 0 << 68 << QList<int> { 0, 1, 66, 67, 68 };
        QTest::newRow("steep up") << 258 << 0 << QList<int> { 258, 193, 129, 64, 0 };
        QTest::newRow("across the bands") << 576 << 704 << QList<int> { 576, 640, 704 };
    }
    void strokeLine()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, cells);
        const std::vector<int> line = Stroke::line(from, to);
        QCOMPARE(QList<int>(line.begin(), line.end()), cells);
    }

    void pastedText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("callsign");
        QTest::addColumn<QByteArray>("row0");
        QTest::addColumn<QByteArray>("row9");
        const QByteArray rows = "80\r\n00\r\n00\r\n00\r\n00\r\n00\r\n00\r\n00\r\n00\r\n01";
        const auto row = [](const char *name, const QByteArray &text, const QByteArray &callsign,
                            const QByteArray &row0, const QByteArray &row9) {
            QTest::newRow(name) << text << callsign << row0 << row9;
        };
        const QByteArray nineRows = rows.chopped(2);
        row("longest row line", "CALL\r\n" + nineRows + QByteArray(32767, 'f'), "CALL", "80",
            QByteArray(32767, 'f'));
        row("row line too long", "CALL\r\n" + nineRows + QByteArray(32768, 'f'), nullptr, nullptr,
            nullptr);
        row("11 lines, CR LF", "CALL\r\n" + rows + "\r\n", "CALL", "80", "01");
        row("saved file, blank line after", "CALL\r\n" + rows + "\r\n\r\n", "CALL", "80", "01");
        row("mixed ends", "CALL\n" + QByteArray(rows).replace("00\r\n00", "00\r00"), "CALL", "80",
            "01");
        row("rows only keep the callsign", rows + "\n\n\n", "KEPT", "80", "01");
        row("empty callsign line", "\r\n" + rows, "", "80", "01");
        row("lowercase, uneven rows", "x\r\n" + QByteArray(rows).replace("80", "8aF3c"), "x",
            "8aF3c", "01");
        row("9 rows", "CALL\r\n" + rows.left(rows.size() - 4), nullptr, nullptr, nullptr);
        row("12 lines", "CALL\r\nMORE\r\n" + rows, nullptr, nullptr, nullptr);
        row("blank in a row", "CALL\r\n" + QByteArray(rows).replace("80", "8 0"), nullptr, nullptr,
            nullptr);
        row("trailing space", "CALL\r\n" + rows + " ", nullptr, nullptr, nullptr);
        row("letter past F in a row", "CALL\r\n" + QByteArray(rows).replace("80", "8G"), nullptr,
            nullptr, nullptr);
        row("empty row line", "CALL\r\n" + QByteArray(rows).replace("\r\n00\r\n", "\r\n\r\n"),
            nullptr, nullptr, nullptr);
        row("text after blank lines", "CALL\r\n" + rows + "\r\n\r\n\r\nhello", nullptr, nullptr,
            nullptr);
        row("empty", "", nullptr, nullptr, nullptr);
    }
    void pastedText()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, callsign);
        QFETCH(QByteArray, row0);
        QFETCH(QByteArray, row9);
        const auto lines = PastedText::parse(text.toStdString(), "KEPT");
        QCOMPARE(lines.has_value(), !row0.isNull());
        if (!lines)
            return;
        QCOMPARE(QByteArray::fromStdString((*lines)[0]), callsign);
        QCOMPARE(QByteArray::fromStdString((*lines)[1]), row0);
        QCOMPARE(QByteArray::fromStdString((*lines)[10]), row9);
    }

    // The columns a transform may change: 8 per byte column the mask of the last "Done"
    // opened, whatever is typed since.
    void openColumns_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<int>("open");
        QTest::newRow("0") << "0" << 0;
        QTest::newRow(".5") << ".5" << 8;
        QTest::newRow("3") << "3" << 24;
        QTest::newRow("16") << "16" << 128;
    }
    void openColumns()
    {
        QFETCH(QString, width);
        QFETCH(int, open);
        const AsciiCodePage codePage;
        Document document(codePage);
        document.setWidthText(width.toStdString());
        document.RefreshCells();
        document.setWidthText("16");
        QCOMPARE(document.openColumns(), open);
    }

    // Undo in the middle of a stroke makes what was drawn a step and undoes it; the rest of
    // that drag draws nothing.
    void undoDuringStroke()
    {
        m_form->picField_Click(64);
        send(QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, 3, Qt::NoButton, Qt::LeftButton);
        item("&Undo")->trigger();
        QCOMPARE(onCells(), "64");
        send(QEvent::MouseMove, 6, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, 6, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(onCells(), "64");
        item("&Redo")->trigger();
        QCOMPARE(onCells(), "0-3 64");
        QCOMPARE(data(), dataText(16, 0, "F" + QString(31, '0')).replace(36, 2, "80"));
    }

    // At width 1 (byte column 0 open): the cells set, the data text, the beeps and the undo
    // steps a drag leaves.
    void strokes_data()
    {
        QTest::addColumn<QList<int>>("on");
        QTest::addColumn<QList<int>>("path");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<int>("steps");
        const auto row = [](const char *name, const QList<int> &on, const QList<int> &drag,
                            const char *cells, int beeps, int steps) {
            QTest::newRow(name) << on << drag << QString(cells) << beeps << steps;
        };
        row("paint", {}, { 0, 1, 2 }, "0-2", 0, 1);
        row("erase", { 0, 1, 3 }, { 1, 2, 3 }, "0", 0, 1);
        row("jump fills the line", {}, { 0, 3, 195 }, "0-3 67 131 195", 0, 1);
        row("back over painted cells", { 5 }, { 0, 2, 0 }, "0-2 5", 0, 1);
        row("blocked cells skipped", {}, { 6, 10, 74, 71 }, "6 7 71", 0, 1);
        row("start on blocked", {}, { 9, 4, 1 }, "", 1, 0);
        row("click on blocked", {}, { 9, 9 }, "", 1, 0);
        row("press and release on one cell", {}, { 7, 7 }, "7", 0, 1);
    }
    void strokes()
    {
        QFETCH(QList<int>, on);
        QFETCH(QList<int>, path);
        QFETCH(QString, cells);
        QFETCH(int, beeps);
        QFETCH(int, steps);
        setWidth("1");
        for (int n : on)
            m_form->picField_Click(n);
        m_form->pictureEditor().undoStack().clear();
        drag(path);
        QCOMPARE(onCells(), cells);
        QCOMPARE(m_dialogs.beeps, beeps);
        QCOMPARE(m_form->pictureEditor().undoStack().count(), steps);
        QString expected = QStringLiteral("\r\n");
        for (int r = 0; r < 10; ++r) {
            int byte = 0;
            for (int x = 0; x < 8; ++x)
                byte |= grid()->picture(64 * r + x) == CellPicture::On ? 0x80 >> x : 0;
            expected += QStringLiteral("%1\r\n").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
        }
        QCOMPARE(data(), expected);
        // The blocked cells the stroke passed over are still off once the width opens them.
        setWidth("16");
        QCOMPARE(onCells(), cells);
    }

    // Each kind of step is one undo step: undo gives back the exact earlier state, redo the
    // later one.
    void undoRedo_data()
    {
        QTest::addColumn<int>("unused");
        for (const char *step :
             { "click", "stroke", "Done", "transform", "text", "import", "paste", "load" })
            QTest::newRow(step) << 0;
    }
    void undoRedo()
    {
        const QByteArray step = QTest::currentDataTag();
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("FILE\r\n" + QByteArray("0F\r\n").repeated(10));
        file.close();
        const PictureChoice choice { pictureOf({ "", "..####" }), 1 };
        QGuiApplication::clipboard()->setText(QStringLiteral("C1\n")
                                              + QString("ff\n").repeated(10));

        callsignBox()->setText("AB");
        setWidth("3");
        m_form->picField_Click(100);
        // Typed before "Done": the text the step starts from, and undo gives back.
        if (step == "Done")
            widthBox()->setText("16");
        const auto now = [this] {
            const Document::Snapshot model = m_form->model().snapshot();
            return Shown { data(), widthBox()->text(), callsignBox()->text(),
                           QString::fromStdString(model.cells.to_string()),
                           QString::fromStdString(model.mask.to_string()) };
        };
        const Shown before = now();
        QUndoStack &stack = m_form->pictureEditor().undoStack();
        const int steps = stack.count();

        if (step == "click")
            m_form->picField_Click(3);
        else if (step == "stroke")
            drag({ 64, 70 });
        else if (step == "Done")
            QTest::mouseClick(control<QPushButton>("cmdUpDate"), Qt::LeftButton);
        else if (step == "transform")
            item("In&vert")->trigger();
        else if (step == "text") {
            m_dialogs.textChoice = choice;
            item("&Text…")->trigger();
        } else if (step == "import") {
            m_dialogs.importChoice = choice;
            m_dialogs.fileNames << QStringLiteral("/images/picture.png");
            item("&Import image…")->trigger();
        } else if (step == "paste") {
            item("&Paste")->trigger();
        } else {
            m_dialogs.fileNames << file.fileName();
            QTest::mouseClick(control<QPushButton>("cmdFileOpen2"), Qt::LeftButton);
        }
        const Shown after = now();
        QVERIFY(after != before);
        QCOMPARE(stack.count(), steps + 1);
        item("&Undo")->trigger();
        compareShown(now(), before);
        if (QTest::currentTestFailed())
            return;
        item("&Redo")->trigger();
        compareShown(now(), after);
    }

    // Undo gives back the bytes of a loaded file, also those the code page cannot read, and
    // the callsign keeps its file bytes: saving writes the file again.
    void undoKeepsFileBytes()
    {
        QTemporaryDir dir;
        const QByteArray file = "\xFF"
                                "CQ\r\n"
            + QByteArray("8f\r\n").repeated(10);
        QVERIFY(writeFile(dir.filePath("in.txt"), file));
        m_dialogs.fileNames << dir.filePath("in.txt");
        QTest::mouseClick(control<QPushButton>("cmdFileOpen2"), Qt::LeftButton);
        m_form->picField_Click(0);
        m_form->picField_Click(64);
        item("&Undo")->trigger();
        item("&Undo")->trigger();
        m_dialogs.fileNames << dir.filePath("out.txt");
        QTest::mouseClick(control<QPushButton>("cmdFileOpen"), Qt::LeftButton);
        QCOMPARE(readAll(dir.filePath("out.txt")), file + "\r\n");
        item("&Redo")->trigger();
        QCOMPARE(m_form->model().sendData().substr(0, 3),
                 "\xFF"
                 "CQ");
    }

    // 1000 steps are kept; the oldest goes when one more comes.
    void undoDepth()
    {
        QUndoStack &stack = m_form->pictureEditor().undoStack();
        for (int n = 0; n <= 1000; ++n)
            m_form->picField_Click(n);
        QCOMPARE(stack.count(), 1000);
        while (stack.canUndo())
            item("&Undo")->trigger();
        QCOMPARE(onCells(), "0");
        QCOMPARE(data(), dataText(16, 0, "80" + QString(30, u'0')));
    }

    // After undo and redo, Send transmits and Save writes the data text shown: the one the
    // step gave back, a loaded file's own lines included.
    void sendAndSaveAfterUndo_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("carried");
        const QByteArray zeros(32, '0');
        const QByteArray file = "CQ\r\n" + QByteArray("8f\r\n").repeated(10);
        QTest::newRow("click undone")
            << QStringList { "click 0", "click 64", "undo" }
            << "\r\n80" + zeros.left(30) + "\r\n" + (zeros + "\r\n").repeated(9);
        QTest::newRow("click redone") << QStringList { "click 0", "click 64", "undo", "redo" }
                                      << "\r\n80" + zeros.left(30) + "\r\n80" + zeros.left(30)
                + "\r\n" + (zeros + "\r\n").repeated(8);
        QTest::newRow("edit after a load undone")
            << QStringList { "load", "click 1", "undo" } << file;
        QTest::newRow("load undone")
            << QStringList { "click 0", "load", "undo" }
            << "\r\n80" + zeros.left(30) + "\r\n" + (zeros + "\r\n").repeated(9);
        QTest::newRow("load redone") << QStringList { "load", "undo", "redo" } << file;
    }
    void sendAndSaveAfterUndo()
    {
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, carried);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("in.txt"), "CQ\r\n" + QByteArray("8f\r\n").repeated(10)));
        for (const QString &step : steps) {
            if (step == "undo") {
                item("&Undo")->trigger();
            } else if (step == "redo") {
                item("&Redo")->trigger();
            } else if (step == "load") {
                m_dialogs.fileNames << dir.filePath("in.txt");
                QTest::mouseClick(control<QPushButton>("cmdFileOpen2"), Qt::LeftButton);
            } else {
                m_form->picField_Click(step.section(u' ', 1).toInt());
            }
        }
        QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("cmdSendData"), Qt::LeftButton);
        QCOMPARE(m_port.sent, carried);
        m_dialogs.fileNames << dir.filePath("out.txt");
        QTest::mouseClick(control<QPushButton>("cmdFileOpen"), Qt::LeftButton);
        QCOMPARE(readAll(dir.filePath("out.txt")), carried + "\r\n");
    }

    // A choice from the Text… or Import dialog: the picture, the width text from it, then
    // "Done"; a cancelled dialog changes nothing and leaves no step.
    void pictureChoice()
    {
        setWidth("1");
        m_dialogs.textChoice = PictureChoice { pictureOf({ "", "", "........#" }), 2 };
        item("&Text…")->trigger();
        QCOMPARE(widthBox()->text(), "2");
        QCOMPARE(data(), dataText(2, 2, "0080"));
        QCOMPARE(grid()->picture(64 * 2 + 8), CellPicture::On);
        QCOMPARE(grid()->picture(64 * 2 + 16), CellPicture::Blocked);
        m_dialogs.importChoice.reset();
        m_dialogs.fileNames << QStringLiteral("/images/picture.png");
        const int steps = m_form->pictureEditor().undoStack().count();
        item("&Import image…")->trigger();
        QCOMPARE(m_dialogs.pictureDialogs, 2);
        QCOMPARE(m_form->pictureEditor().undoStack().count(), steps);
    }

    // On the grid a transform changes only the open columns and writes the data text.
    void transformInWidth()
    {
        m_form->picField_Click(9); // byte column 1
        setWidth("1");
        item("In&vert")->trigger();
        QCOMPARE(data(), dataText(1).replace("00", "FF"));
        setWidth("2");
        QCOMPARE(data(), dataText(2, 0, "FF40").replace("0000\r\n", "FF00\r\n"));
        QCOMPARE(grid()->picture(9), CellPicture::On);
    }

    // Applied as a load applies the lines: the text shown as pasted, the width from the last
    // row line, the cells decoded; anything else leaves all as it was, with one message.
    void paste_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("callsign");
        const QString rows = QString("00\n").repeated(9) + "01\n";
        QTest::newRow("data text")
            << "CQ\n" + rows << "CQ\r\n" + QString(rows).replace("\n", "\r\n") << "1"
            << "CQ";
        QTest::newRow("rows only") << rows << "OLD\r\n" + QString(rows).replace("\n", "\r\n") << "1"
                                   << "OLD";
        QTest::newRow("width from the last row")
            << "CQ\r" + QString("0\r").repeated(9) + "0123456\r"
            << "CQ\r\n" + QString("0\r\n").repeated(9) + "0123456\r\n"
            << "3."
            << "CQ";
        QTest::newRow("not a data text") << "hello" << QString() << "16"
                                         << "OLD";
        QTest::newRow("empty clipboard") << QString() << QString() << "16"
                                         << "OLD";
    }
    void paste()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, shown);
        callsignBox()->setText("OLD");
        m_form->picField_Click(0);
        const QString before = data();
        if (clipboard.isNull())
            QGuiApplication::clipboard()->clear();
        else
            QGuiApplication::clipboard()->setText(clipboard);
        item("&Paste")->trigger();
        QCOMPARE(data(), shown.isNull() ? before : shown);
        QCOMPARE(m_form->model().sendData(), data().toStdString());
        QTEST(widthBox()->text(), "width");
        QTEST(callsignBox()->text(), "callsign");
        QCOMPARE(m_dialogs.boxes.size(), shown.isNull() ? 1 : 0);
        QCOMPARE(grid()->picture(0), shown.isNull() ? CellPicture::On : CellPicture::Off);
    }

    // Copy puts the data text on the clipboard as it is shown, CR LF included, and the picture
    // as an image that imports back to the same picture.
    void copy()
    {
        m_form->picField_Click(64);
        m_form->picField_Click(640 + 64 * 9 + 63);
        item("&Copy")->trigger();
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(copied->text(), dataText(16, 1, "80" + QString(30, '0')).chopped(4) + "01\r\n");
        const QImage image = qvariant_cast<QImage>(copied->imageData());
        QCOMPARE(image.size(), QSize(128, 10));
        QCOMPARE(rowsOf(ImageImport::fromImage(image).picture, 128),
                 rowsOf(m_form->model().picture(), 128));
    }

    // With no data text on the clipboard an image is imported with the default settings: a
    // threshold of 128, the width from the image's columns.
    void pasteImage()
    {
        QImage image(20, 10, QImage::Format_RGB32);
        image.fill(Qt::black);
        image.setPixelColor(0, 0, QColor(128, 128, 128));
        image.setPixelColor(19, 9, QColor(127, 127, 127));
        image.setPixelColor(10, 5, Qt::white);
        auto *mime = new QMimeData;
        mime->setText(QStringLiteral("not a data text"));
        mime->setImageData(image);
        QGuiApplication::clipboard()->setMimeData(mime);
        item("&Paste")->trigger();
        QCOMPARE(widthBox()->text(), "3");
        QCOMPARE(onCells(), "0 330");
        QCOMPARE(data(), dataText(3, 0, "800000").replace(2 + 8 * 5, 6, "002000"));
        QCOMPARE(m_form->pictureEditor().undoStack().count(), 1);
    }

    // Export writes what the dialog chose; a failure is reported and nothing else changes.
    void exportImage()
    {
        QTemporaryDir dir;
        m_form->picField_Click(5);
        const QString path = dir.filePath("picture.png");
        m_dialogs.exportChoice = ExportChoice { path, 2 };
        item("&Export image…")->trigger();
        QCOMPARE(QImage(path).size(), QSize(256, 20));
        QCOMPARE(QImage(path).pixelColor(11, 1), QColor(Qt::white));
        QCOMPARE(QImage(path).pixelColor(9, 1), QColor(Qt::black));
        QCOMPARE(m_dialogs.boxes.size(), 0);
        m_dialogs.exportChoice = ExportChoice { dir.filePath("missing/picture.png"), 1 };
        item("&Export image…")->trigger();
        QCOMPARE(m_dialogs.boxes.size(), 1);
        QCOMPARE(m_dialogs.boxes[0].title, "Export image");
    }

    // The items no other test finds by their text or reaches by their keys.
    void menuItems_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortcut");
        const auto row = [](const char *text, const char *shortcut) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString(shortcut);
        };
        row("&Copy", "Ctrl+C");
        row("C&lear", "");
        row("S&hift", "");
        row("&Left", "Alt+Left");
        row("&Up", "Alt+Up");
        row("&Down", "Alt+Down");
        row("&Mirror left-right", "");
        row("Flip up-&down", "");
    }
    void menuItems()
    {
        QFETCH(QString, text);
        QFETCH(QString, shortcut);
        QAction *action = item(text);
        QVERIFY(action);
        QCOMPARE(action->shortcut().toString(), shortcut);
        if (!shortcut.isEmpty())
            QCOMPARE(action->isShortcutVisibleInContextMenu(), true);
    }

    // Each letter once in each menu: 12 items in the menu, 4 in Shift.
    void mnemonicsUnique()
    {
        for (QMenu *m : { menu(), menu()->findChild<QMenu *>("shiftMenu") }) {
            QStringList letters;
            for (QAction *a : m->actions()) {
                if (a->isSeparator())
                    continue;
                const qsizetype at = a->text().indexOf(u'&');
                QVERIFY2(at >= 0, qPrintable(a->text()));
                const QString letter = a->text().mid(at + 1, 1).toLower();
                QVERIFY2(!letters.contains(letter), qPrintable(a->text()));
                letters << letter;
            }
            QCOMPARE(letters.size(), m == menu() ? 12 : 4);
        }
    }

    // Keys on the grid and elsewhere, with cell 1 on and the click on cell 2 undone (so both
    // undo and redo have a step): the cells on afterwards and the callsign box's text.
    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("keys");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<bool>("menu");
        const auto row = [](const char *name, const char *focus, QKeyCombination keys,
                            const char *on, const char *callsign = "ABC", bool menu = false) {
            QTest::newRow(name) << focus << keys.toCombined() << on << callsign << menu;
        };
        const QString rows = "0 64 128 192 256 320 384 448 512 576";
        row("Shift+F10 on the grid", "picField", Qt::SHIFT | Qt::Key_F10, "1", "ABC", true);
        row("F10 alone", "picField", QKeyCombination(Qt::Key_F10), "1");
        row("Ctrl+Z on the grid", "picField", Qt::CTRL | Qt::Key_Z, "");
        row("Ctrl+Z on Exit", "cmdEnd", Qt::CTRL | Qt::Key_Z, "");
        row("Ctrl+Z in the callsign", "txtCWID", Qt::CTRL | Qt::Key_Z, "1", "AB");
        row("Ctrl+Z in received data", "txtReceiveData", Qt::CTRL | Qt::Key_Z, "1");
        row("Ctrl+Y on the grid", "picField", Qt::CTRL | Qt::Key_Y, "1 2");
        row("Ctrl+Shift+Z on the grid", "picField", Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "1 2");
        row("Ctrl+Y in the width", "txtImagByte", Qt::CTRL | Qt::Key_Y, "1");
        row("Ctrl+Shift+Z in the callsign", "txtCWID", Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "1");
        row("Ctrl+V on the grid", "picField", Qt::CTRL | Qt::Key_V, qPrintable(rows));
        // The box keeps what fits of the text, line ends included, as Qt's line edits do.
        row("Ctrl+V in the callsign", "txtCWID", Qt::CTRL | Qt::Key_V, "1", "ABC80\n80\n80\n");
        row("Ctrl+I on the grid", "picField", Qt::CTRL | Qt::Key_I, "0 2-1279");
        row("Ctrl+I in the callsign", "txtCWID", Qt::CTRL | Qt::Key_I, "1");
        row("Alt+Right on the grid", "picField", Qt::ALT | Qt::Key_Right, "2");
        row("Shift+Right on the grid", "picField", Qt::SHIFT | Qt::Key_Right, "1");
        row("Delete on the grid", "picField", QKeyCombination(Qt::Key_Delete), "1");
    }
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, keys);
        QFETCH(QString, on);
        showActive();
        callsignBox()->setText("AB");
        callsignBox()->setCursorPosition(2);
        QTest::keyClicks(callsignBox(), "C");
        m_form->picField_Click(1);
        m_form->picField_Click(2);
        m_form->pictureEditor().undoStack().undo();
        QGuiApplication::clipboard()->setText(QString("80\n").repeated(10));
        control(focus)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), control(focus));
        const QKeyCombination combination = QKeyCombination::fromCombined(keys);
        QTest::keyClick(QApplication::focusWidget(), combination.key(),
                        combination.keyboardModifiers());
        QTEST(menu()->isVisible(), "menu");
        menu()->hide();
        QCOMPARE(onCells(), on);
        QTEST(callsignBox()->text(), "callsign");
    }

    // Ctrl+C on the grid copies the picture's data text, in a text box the selected text.
    void copyKey()
    {
        showActive();
        callsignBox()->setText("CALL");
        m_form->picField_Click(1);
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), data());
        callsignBox()->setFocus();
        callsignBox()->selectAll();
        QTest::keyClick(callsignBox(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), "CALL");
    }

    void toolTips_data()
    {
        QTest::addColumn<int>("cell");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QString>("text");
        QTest::newRow("first cell") << 0 << false
                                    << "(x, y) = (0, 0)\nbyte column 1, bit 7\nopen at the "
                                       "current width";
        QTest::newRow("upper band, last row") << 64 * 9 + 13 << true
                                              << "(x, y) = (13, 9)\nbyte column 2, bit 2\n"
                                                 "blocked at the current width";
        QTest::newRow("lower band") << 640 + 64 * 2 + 3 << false
                                    << "(x, y) = (67, 2)\nbyte column 9, bit 4\nopen at the "
                                       "current width";
        QTest::newRow("last cell") << 1279 << true
                                   << "(x, y) = (127, 9)\nbyte column 16, bit 0\nblocked at the "
                                      "current width";
    }
    void toolTips()
    {
        QFETCH(int, cell);
        QFETCH(bool, blocked);
        QFETCH(QString, text);
        QCOMPARE(CellGrid::toolTipText(cell, blocked), text);
    }

    // The tooltip follows the mask of the last "Done", not the width typed since.
    void toolTipShown()
    {
        showActive();
        setWidth("1");
        widthBox()->setText("16");
        const QPoint at = grid()->cellRect(8).center();
        QHelpEvent help(QEvent::ToolTip, at, grid()->mapToGlobal(at));
        QCoreApplication::sendEvent(grid(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), CellGrid::toolTipText(8, true));
    }

    // The right button opens the menu where it was pressed; the Menu key (which the platform
    // turns into a keyboard context menu event) at the current cell.
    void contextMenu_data()
    {
        QTest::addColumn<bool>("mouse");
        QTest::newRow("right button") << true;
        QTest::newRow("Menu key") << false;
    }
    void contextMenu()
    {
        QFETCH(bool, mouse);
        showActive();
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_Right); // current cell 1
        const int pointer = 70;
        const QPoint at = grid()->cellRect(pointer).center();
        QContextMenuEvent event(mouse ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard, at,
                                grid()->mapToGlobal(at));
        QCoreApplication::sendEvent(grid(), &event);
        QCOMPARE(menu()->isVisible(), true);
        QCOMPARE(menu()->geometry().topLeft(),
                 grid()->mapToGlobal(grid()->cellRect(mouse ? pointer : 1).center()));
        menu()->hide();
    }
};

QTEST_MAIN(TestEdit)
#include "test_edit.moc"
