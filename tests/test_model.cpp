// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "model/Numbers.h"
#include "model/Picture.h"

#include <QTest>
#include <random>

using namespace qie;

namespace {

const double kInf = qInf();
const double kNaN = qQNaN(); // rejected, or overflow
const QByteArray kLongFraction = "0." + QByteArray(1000000, '0') + "1e1000003"; // 100
// A byte the code page of these tests cannot read, and how it shows.
const QByteArray kUnreadable = "\xFF";
const QByteArray kShownUnreadable = "\xEF\xBF\xBD"; // U+FFFD
const QByteArray kAllOn = "CALL|" + (QByteArray(32, 'F') + "|").repeated(10);

// Doubles compared to the last bit, infinities included.
QByteArray exact(double x)
{
    return QByteArray::number(x, 'g', 17);
}

QByteArray dataOf(const FakeEditorView &view)
{
    return QByteArray::fromStdString(view.data);
}

// The 11 lines of a '|'-separated text (CR LF counts as '|'), missing ones empty.
Document::Lines linesOf(QByteArray text)
{
    const auto parts = text.replace("\r\n", "|").split('|');
    Document::Lines lines;
    for (int i = 0; i < Document::kDataLines; ++i)
        lines[i] = parts.value(i).toStdString();
    return lines;
}

void numberRow(const char *name, const QByteArray &text, double value)
{
    QTest::newRow(name) << text << value;
}

// A width text, the byte columns it opens (bit g: column g), the bytes per row it gives and
// the text "Done" leaves in the box.
void widthRows()
{
    QTest::addColumn<QByteArray>("width");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QByteArray>("after");
    const auto row
        = [](const char *name, const char *width, int open, int bytes, const char *after) {
              QTest::newRow(name) << QByteArray(width) << open << bytes << QByteArray(after);
          };
    row("zero", "0", 0, 0, "1");
    row("negative", "-3", 0, 0, "1");
    row("fraction below a half", ".4", 1, 0, "1");
    row("a half", ".5", 1, 1, "1");
    row("one", "1", 1, 1, "1");
    row("one with a point", "1.", 1, 1, "1.");
    row("three", "3", 7, 3, "3");
    row("eight", "8", 0xFF, 8, "8");
    row("eight after a blank", " 8", 0xFF, 8, " 8");
    row("nine", "9", 0x1FF, 9, "9");
    row("sixteen", "16", 0xFFFF, 16, "16");
    row("seventeen", "17", 0xFFFF, 16, "16");
    row("digit then letter", "5a", 0x1F, 5, "5a");
    row("empty", "", 0, 0, "1");
    row("letters", "ab", 0, 0, "1");
    row("hex prefix alone", "&H", 0, 0, "1");
}

} // namespace

// The document without a window: numbers, the width and mask, the codec both ways, the texts
// the boxes hold, loading and pasting.
class TestModel : public QObject
{
    Q_OBJECT

    AsciiCodePage m_codePage;
    FakeEditorView m_screen;
    std::optional<Document> m_doc;

    // The document shown on a fresh screen, all cells on, at `width`.
    void allOnAt(const QByteArray &width)
    {
        m_doc->DecodeDataText(linesOf(kAllOn));
        m_doc->setWidthText(width.toStdString());
    }

private slots:
    void init()
    {
        m_screen = {};
        m_doc.emplace(m_codePage);
        m_doc->setView(&m_screen);
    }

    void lenientNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value");
        numberRow("decimal", "7.5", 7.5);
        numberRow("letters", "ab", 0);
        numberRow("empty", "", 0);
        numberRow("digit then letter", "5a", 5);
        numberRow("hex", "&HA", 10);
        numberRow("hex, lowercase digit", "&Ha", 10);
        numberRow("hex, lowercase prefix", "&hff", 255);
        numberRow("hex prefix without digits", "&H", 0);
        numberRow("octal", "&O17", 15);
        numberRow("octal ends at 8", "&O78", 7);
        numberRow("blanks between digits", " 1 2 ", 12);
        numberRow("sign between blanks", "\t-\n3", -3);
        numberRow("blanks in a hex number", "& H 1 0", 16);
        numberRow("CR ends the number", "\r5", 0);
        numberRow("plus sign", "+4", 4);
        numberRow("point alone", ".", 0);
        numberRow("negative fraction without a digit before the point", "-.5", -0.5);
        numberRow("fraction rounded once", "0.1", 0.1);
        numberRow("exponent with a sign", "1E+3", 1000);
        numberRow("negative exponent", "2.5e-1", 0.25);
        numberRow("blank before the exponent's digits", "3e 2", 300);
        numberRow("point before the exponent", "5.e1", 50);
        numberRow("exponent without digits", "1e+", 1);
        numberRow("second point ends the number", "1.2.3", 1.2);
        numberRow("two signs", "--1", 0);
        numberRow("sign before a hex number", "-&H10", 0);
        numberRow("comma ends the number", "1,000", 1);
        numberRow("sign after the digits", "5-", 5);
        numberRow("D is no exponent", "1d5", 1);
        numberRow("beyond 64 bits", "12345678901234567890", 12345678901234567890.0);
        numberRow("overflow", "1e400", kInf);
        numberRow("negative overflow", "-1e400", -kInf);
        numberRow("exponent beyond 64 bits", "1e99999999999999999999", kInf);
        numberRow("underflow", "1e-400", 0);
        numberRow("a million zeros, then the exponent", kLongFraction, 100);
        // More significant digits than a double holds: rounded once, as strtod reads them.
        numberRow("16 significant digits", "981343.5076351461", 981343.50763514615);
        numberRow("17 significant digits", "767372268210412.41", 767372268210412.38);
        numberRow("18 significant digits", "7.70552477151261232", 7.7055247715126125);
        numberRow("19 significant digits", "337877497.0035786441", 337877497.00357866);
    }
    void lenientNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        QCOMPARE(exact(LenientNumber(text.toStdString())), exact(value));
    }

    void strictNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value");
        numberRow("decimal", "7.5", 7.5);
        numberRow("point after the digits", "3.", 3);
        numberRow("point before the digits", ".5", 0.5);
        numberRow("blanks around a sign", "  -2  ", -2);
        numberRow("plus sign and exponent", "+1e2", 100);
        numberRow("negative exponent", "1E-1", 0.1);
        numberRow("point before the exponent", "5.e1", 50);
        numberRow("hex", "&HA", 10);
        numberRow("hex, lowercase", "&ha", 10);
        numberRow("octal", "&O17", 15);
        numberRow("hex between blanks", " &H1F ", 31);
        numberRow("underflow", "1e-400", 0);
        numberRow("a million zeros, then the exponent", kLongFraction, 100);
        numberRow("16 significant digits", "981.3200710253169", 981.32007102531691);
        numberRow("19 significant digits", "10775200.25819203408", 10775200.258192034);
        numberRow("empty", "", kNaN);
        numberRow("blanks only", "   ", kNaN);
        numberRow("letters", "ab", kNaN);
        numberRow("digit then letter", "5a", kNaN);
        numberRow("point alone", ".", kNaN);
        numberRow("hex prefix without digits", "&H", kNaN);
        numberRow("8 in an octal number", "&O8", kNaN);
        numberRow("G in a hex number", "&H1G", kNaN);
        numberRow("blank between digits", "1 2", kNaN);
        numberRow("tab before", "\t5", kNaN);
        numberRow("line feed after", "5\n", kNaN);
        numberRow("comma", "1,000", kNaN);
        numberRow("sign after the digits", "5-", kNaN);
        numberRow("exponent without digits", "1e", kNaN);
        numberRow("D exponent", "1d5", kNaN);
        numberRow("C hex prefix", "0x10", kNaN);
        numberRow("overflow", "-1e400", kNaN);
        numberRow("hex overflow", "&H" + QByteArray(300, 'F'), kNaN);
    }
    void strictNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        QCOMPARE(exact(StrictNumber(text.toStdString()).value_or(kNaN)), exact(value));
    }

    // Halves go to the even neighbour; results outside a 16-bit integer are refused (NaN).
    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");
        QTest::newRow("half, down to even") << 6.5 << 6.0;
        QTest::newRow("half, up to even") << 7.5 << 8.0;
        QTest::newRow("negative half, to zero not minus zero") << -0.5 << 0.0;
        QTest::newRow("negative half, away to even") << -1.5 << -2.0;
        QTest::newRow("negative, to nearest") << -2.6 << -3.0;
        QTest::newRow("largest double below a half") << 0.49999999999999994 << 0.0;
        QTest::newRow("largest result") << 32767.4 << 32767.0;
        QTest::newRow("smallest result, by a half") << -32768.5 << -32768.0;
        QTest::newRow("half above the largest") << 32767.5 << kNaN;
        QTest::newRow("below the smallest") << -32768.6 << kNaN;
        QTest::newRow("infinity") << kInf << kNaN;
        QTest::newRow("not a number") << kNaN << kNaN;
        QTest::newRow("odd integer past 2^52") << 4503599627370497.0 << kNaN;
    }
    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(double, rounded);
        QCOMPARE(exact(std::optional<double>(RoundHalfEven(value)).value_or(kNaN)), exact(rounded));
    }

    // A width text, read as the number it begins with when it does not convert, gives B bytes
    // per row by the even-half rule, at most 16, at once in the data text.
    void typedWidthShapesDataText_data() { widthRows(); }
    void typedWidthShapesDataText()
    {
        QFETCH(QByteArray, width);
        QFETCH(int, bytes);
        allOnAt(width);
        m_doc->setCallsignText(" Ab "); // as typed: no trimming, no change of case
        m_doc->UpdateDataText();
        QCOMPARE(dataOf(m_screen),
                 " Ab \r\n" + (QByteArray(2 * qsizetype(bytes), 'F') + "\r\n").repeated(10));
        QCOMPARE(m_doc->sendData(), m_screen.data);
    }

    // The mask a width makes opens byte column g exactly when N > g: open cells toggle on a
    // click and rewrite the data text, blocked ones only beep.
    void maskOpensByteColumns_data() { widthRows(); }
    void maskOpensByteColumns()
    {
        QFETCH(QByteArray, width);
        QFETCH(int, open);
        allOnAt(width);
        m_doc->RefreshCells();
        const int writesBefore = m_screen.dataWrites;
        for (int n = 0; n < Document::kCellCount; ++n) {
            m_doc->picField_Click(n);
            const bool isOpen = (open >> (n / 640 * 8 + n % 64 / 8)) & 1; // byte column of cell n
            QCOMPARE(m_doc->cell(n % 64, n / 64), isOpen ? 0 : 1);
            QCOMPARE(m_screen.pictures[n], isOpen ? CellPicture::Off : CellPicture::Blocked);
        }
        const int openCells = 80 * int(qPopulationCount(uint(open)));
        QCOMPARE(m_screen.beeps, Document::kCellCount - openCells);
        QCOMPARE(m_screen.dataWrites - writesBefore, openCells);
    }

    // "Done" brings the text into 1..16 as LenientNumber reads it, and only then.
    void doneBringsWidthIntoRange_data() { widthRows(); }
    void doneBringsWidthIntoRange()
    {
        QFETCH(QByteArray, width);
        QFETCH(QByteArray, after);
        m_doc->setWidthText(width.toStdString());
        m_doc->cmdUpDate_Click();
        QCOMPARE(QByteArray::fromStdString(m_screen.width), after);
        QCOMPARE(QByteArray::fromStdString(m_doc->widthText()), after);
    }

    // The even-half rule for any width a rule may meet, beyond those a box of 2 holds.
    void countsForWidth_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("digits");
        QTest::newRow("below a quarter") << 0.2 << 0 << 0;
        QTest::newRow("a quarter") << 0.25 << 0 << 1;
        QTest::newRow("a half") << 0.5 << 1 << 1;
        QTest::newRow("one and a half") << 1.5 << 1 << 3;
        QTest::newRow("one and three quarters") << 1.75 << 2 << 3;
        QTest::newRow("two and a half") << 2.5 << 3 << 5;
        QTest::newRow("sixteen and a half") << 16.5 << 16 << 32;
        QTest::newRow("a billion") << 1e9 << 16 << 32;
        QTest::newRow("minus a billion") << -1e9 << 0 << 0;
        QTest::newRow("not a number") << kNaN << 0 << 0;
    }
    void countsForWidth()
    {
        QFETCH(double, width);
        QTEST(Document::bytesPerRow(width), "bytes");
        QTEST(Document::digitsPerRow(width), "digits");
    }

    // Worked examples, clicked after "Done" and compared character for character ('|' stands
    // for CR LF).
    void encode_data()
    {
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QList<int>>("cells");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("width 1, a diagonal")
            << QByteArray("1") << QList<int> { 0, 65, 130, 195, 260, 325, 390, 455 }
            << QByteArray("TEST|80|40|20|10|08|04|02|01|00|00|");
        QTest::newRow("width 9, the corners of the upper band and byte 8")
            << QByteArray("9") << QList<int> { 0, 639, 771 }
            << "TEST|800000000000000000|000000000000000000|000000000000000010|"
                + QByteArray("000000000000000000|").repeated(6) + "000000000000000100|";
        // Row 0 drawn as the digits 0 to F, row 10 (image row 0, byte columns 8 to 15) as F to 0.
        QList<int> digits;
        for (int column = 0; column < 64; ++column) {
            if ((column / 4 >> (3 - column % 4)) & 1)
                digits << column;
            if (((15 - column / 4) >> (3 - column % 4)) & 1)
                digits << 640 + column;
        }
        QTest::newRow("width 16, every digit")
            << QByteArray("16") << digits
            << "TEST|0123456789ABCDEFFEDCBA9876543210|" + (QByteArray(32, '0') + "|").repeated(9);
    }
    void encode()
    {
        QFETCH(QByteArray, width);
        QFETCH(QList<int>, cells);
        QFETCH(QByteArray, text);
        m_doc->setCallsignText("TEST");
        m_doc->setWidthText(width.toStdString());
        m_doc->cmdUpDate_Click();
        for (const int n : cells)
            m_doc->picField_Click(n);
        QCOMPARE(dataOf(m_screen), QByteArray(text).replace('|', "\r\n"));
    }

    // Random grids at every width, loaded back from lowercase digits: the cells are what the
    // clicks showed, on where they show on, off where they show off or blocked.
    void decodeReadsEncoded_data()
    {
        QTest::addColumn<QByteArray>("width");
        for (int w = 1; w <= 16; ++w)
            QTest::addRow("random grid, width %d", w) << QByteArray::number(w);
    }
    void decodeReadsEncoded()
    {
        QFETCH(QByteArray, width);
        m_doc->setCallsignText("TEST");
        m_doc->setWidthText(width.toStdString());
        m_doc->cmdUpDate_Click();
        std::mt19937 random(20261206u);
        for (int n = 0; n < Document::kCellCount; ++n) {
            if (random() & 1)
                m_doc->picField_Click(n);
        }
        Document loaded(m_codePage);
        loaded.setWidthText(width.toStdString());
        loaded.DecodeDataText(linesOf(dataOf(m_screen).toLower()));
        for (int n = 0; n < Document::kCellCount; ++n)
            QCOMPARE(loaded.cell(n % 64, n / 64), m_screen.pictures[n] == CellPicture::On ? 1 : 0);
    }

    // A typed width shapes the next data text at once while the mask waits for "Done": the on
    // cell of byte column 5, blocked at width 3, reaches a row written at 16, and widening
    // shows it again. A click off the grid changes nothing.
    void clickAfterTypedWidth_data()
    {
        QTest::addColumn<QByteArray>("done");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<int>("cell");
        QTest::addColumn<QByteArray>("row0");
        const auto row = [](const char *name, const char *done, const char *typed, int cell,
                            const char *row0) {
            QTest::newRow(name) << QByteArray(done) << QByteArray(typed) << cell
                                << QByteArray(row0);
        };
        const char *const both = "80000000008000000000000000000000"; // cells 0 and 40 on
        row("narrowed to 3, lower band clicked", "16", "3", 64 * 12 + 17, "000000");
        row("widened to 16, cell 0 clicked", "3", "16", 0, both);
        row("widened to 16, blocked cell clicked", "3", "16", 64 * 3 + 41, "000000");
        row("widened to 9, blocked lower cell clicked", "3", "9", 64 * 12 + 3, "000000");
        row("narrowed to 0", "16", "0", 1279, "");
        row("typed past 16", "16", "20", 0, both);
        row("done at letters, blocked cell clicked", "ab", "16", 8, "00");
        row("typed digit then letter", "16", "5a", 0, "8000000000");
        row("typed empty", "ab", "", 0, "");
        row("click before the first cell", "3", "16", -1, "000000");
        row("click past the last cell", "3", "16", 1280, "000000");
        row("click at the smallest int", "3", "16", INT_MIN, "000000");
    }
    void clickAfterTypedWidth()
    {
        QFETCH(QByteArray, done);
        QFETCH(QByteArray, typed);
        QFETCH(int, cell);
        QFETCH(QByteArray, row0);
        m_doc->picField_Click(40); // byte column 5, row 0
        m_doc->setWidthText(done.toStdString());
        m_doc->cmdUpDate_Click();
        const CellPicture shown = m_screen.pictures[40];
        m_doc->setWidthText(typed.toStdString());
        m_doc->picField_Click(cell);
        QCOMPARE(m_screen.pictures[40], shown); // no new mask before "Done"
        QCOMPARE(linesOf(dataOf(m_screen))[1], row0.toStdString());
        m_doc->setWidthText("16");
        m_doc->cmdUpDate_Click();
        QCOMPARE(m_screen.pictures[40], CellPicture::On);
    }

    // Decoding clears the grid and reads D digits of every row line, whatever its length.
    // Rows are '|'-separated; the expected ones are the re-encoding after "Done" at 16.
    void decode_data()
    {
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const char *width, const QByteArray &rows,
                            const QByteArray &expected) {
            QTest::newRow(name) << QByteArray(width) << rows << expected;
        };
        row("lowercase and a letter past F", "2", "8aZ3|||||||||0000", "8A03");
        row("every digit, both cases", "16", "0123456789ABCDEFabcdef0000000000",
            "0123456789ABCDEFABCDEF0000000000");
        row("width with a point", "3.", "1234567", "123456");
        row("row longer than the width", "1", "ABCD", "AB");
        row("row shorter than the width", "2", "F", "F");
        row("width 0", "0", "FF", "");
        row("width digit then letter", "5a", "FFFFFFFFFFFF", "FFFFFFFFFF");
        row("width a half", ".5", "FF", "F");
        row("width 0.8", ".8", "FFFF", "FF");
        row("last row only", "1", "|||||||||01", "|||||||||01");
        row("two-byte character is one digit", "2", "é1F2", "01F2");
        row("three-byte character is one digit", "1", "日F", "0F");
        row("four-byte character is one digit", "1", "😀A", "0A");
        row("letter, sign and blank", "2", "G- 1", "0001");
        row("width past 16", "20", "0123456789ABCDEF0123456789abcdef77|F",
            "0123456789ABCDEF0123456789ABCDEF|F");
        row("digit 33 of a row", "99", "F|00000000000000000000000000000000F", "F");
    }
    void decode()
    {
        QFETCH(QByteArray, width);
        QFETCH(QByteArray, rows);
        QFETCH(QByteArray, expected);
        allOnAt(width);
        const int dataWrites = m_screen.dataWrites;
        const int pictureWrites = m_screen.pictureWrites;
        m_doc->DecodeDataText(linesOf("CALL|" + rows));
        QCOMPARE(m_screen.dataWrites, dataWrites);
        QCOMPARE(m_screen.pictureWrites, pictureWrites);
        m_doc->setWidthText("16");
        m_doc->cmdUpDate_Click();
        for (int r = 0; r < Document::kBandRows; ++r)
            QCOMPARE(linesOf(dataOf(m_screen))[r + 1],
                     expected.split('|').value(r).leftJustified(32, '0').toStdString());
    }

    // The boxes hold 2 and 12 of the 16-bit units a text box counts, whole characters only;
    // the document keeps what the box would, typed or set.
    void textsCutToBoxes_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QByteArray>("callsign");
        QTest::newRow("fits") << QByteArray("16") << QByteArray("16") << QByteArray("16");
        QTest::newRow("one too many")
            << QByteArray("ABCDEFGHIJKLM") << QByteArray("AB") << QByteArray("ABCDEFGHIJKL");
        QTest::newRow("two-unit character at the limit")
            << QByteArray("1😀ABCDEFGHIJ") << QByteArray("1") << QByteArray("1😀ABCDEFGHI");
        QTest::newRow("two-unit character past the limit")
            << QByteArray("ABCDEFGHIJK😀") << QByteArray("AB") << QByteArray("ABCDEFGHIJK");
        QTest::newRow("three-byte characters count one")
            << QByteArray("日本語の文字を十三文字入力") << QByteArray("日本")
            << QByteArray("日本語の文字を十三文字入");
    }
    void textsCutToBoxes()
    {
        QFETCH(QByteArray, typed);
        m_doc->setWidthText(typed.toStdString());
        m_doc->setCallsignText(typed.toStdString());
        QTEST(QByteArray::fromStdString(m_doc->widthText()), "width");
        QTEST(QByteArray::fromStdString(m_screen.width), "width");
        QTEST(QByteArray::fromStdString(m_doc->callsignText()), "callsign");
        QTEST(QByteArray::fromStdString(m_screen.callsign), "callsign");
    }

    // A file's lines as "Load file" hands them over ('|' between lines): the data text is
    // those lines exactly until the next edit, the width half the characters of line 10 as
    // the box keeps it, the callsign line 0 as the box keeps it.
    void load_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QByteArray>("callsign");
        QTest::addColumn<QByteArray>("row0");
        const QByteArray nine = (QByteArray(40, 'F') + "|").repeated(9);
        const auto row = [&](const char *name, const QByteArray &line0, const QByteArray &line10,
                             const char *width, const char *callsign, const char *row0) {
            QTest::newRow(name) << line0 + "|" + nine + line10 << QByteArray(width)
                                << QByteArray(callsign) << QByteArray(row0);
        };
        const QByteArray f20(20, 'F'), f32(32, 'F');
        row("line 10 empty", "CQ", "", "0", "CQ", "");
        row("line 10 of 1", "CQ", "0", "0.", "CQ", "");
        row("line 10 of 7", "CQ", "0123456", "3.", "CQ", "FFFFFF");
        row("line 10 of 20", "CQ", QByteArray(20, '0'), "10", "CQ", f20);
        row("line 10 of 21", "CQ", QByteArray(21, '0'), "10", "CQ", f20);
        row("line 10 of 32", "CQ", QByteArray(32, '0'), "16", "CQ", f32);
        row("line 10 of 33", "CQ", QByteArray(33, '0'), "16", "CQ", f32);
        row("line 10 of 40", "CQ", QByteArray(40, '0'), "20", "CQ", f32);
        row("line 10 of 200", "CQ", QByteArray(200, '0'), "10", "CQ", f20);
        row("line 10 of 32767", "CQ", QByteArray(32767, '0'), "16", "CQ", f32);
        row("callsign of 15", "ABCDEFGHIJKLMNO", "00", "1", "ABCDEFGHIJKL", "FF");
        row("line 10 of characters the code page cannot read", "CQ", kUnreadable.repeated(4), "2",
            "CQ", "FFFF");
    }
    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, row0);
        allOnAt("16");
        m_doc->cmdUpDate_Click();
        const int pictureWrites = m_screen.pictureWrites;
        m_doc->load(linesOf(file));
        const QByteArray asRead = QByteArray(file).replace('|', "\r\n") + "\r\n";
        QCOMPARE(dataOf(m_screen), asRead);
        QCOMPARE(QByteArray::fromStdString(m_doc->sendData()), asRead);
        QTEST(QByteArray::fromStdString(m_screen.width), "width");
        QTEST(QByteArray::fromStdString(m_screen.callsign), "callsign");
        QCOMPARE(m_screen.pictureWrites - pictureWrites, Document::kCellCount);
        // "Done" at 16 writes the cells read from each row as row 0's: the digits read.
        m_doc->setWidthText("16");
        m_doc->cmdUpDate_Click();
        QCOMPARE(linesOf(dataOf(m_screen))[1], row0.leftJustified(32, '0').toStdString());
    }

    // The callsign line keeps the file's bytes, also those the code page cannot read, while
    // the callsign shows them unchanged or cut; an edit of it is encoded. Rows from a paste
    // keep the callsign and the bytes behind it.
    void callsignBytes_data()
    {
        QTest::addColumn<QByteArray>("line0");
        QTest::addColumn<QByteArray>("typed"); // empty: untouched
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray cq = kUnreadable + "CQ";
        QTest::newRow("untouched") << cq << QByteArray() << cq;
        QTest::newRow("cut by the box")
            << kUnreadable + "BCDEFGHIJKLMNO" << QByteArray() << kUnreadable + "BCDEFGHIJKL";
        QTest::newRow("shortened by the operator")
            << cq << kShownUnreadable + "C" << kUnreadable + "C";
        QTest::newRow("changed by the operator")
            << cq << kShownUnreadable + "CX" << QByteArray("?CX");
    }
    void callsignBytes()
    {
        QFETCH(QByteArray, line0);
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, bytes);
        m_doc->load(linesOf(line0 + "|00|00|00|00|00|00|00|00|00|00"));
        if (!typed.isEmpty())
            m_doc->setCallsignText(typed.toStdString());
        m_doc->picField_Click(0);
        QCOMPARE(QByteArray::fromStdString(linesOf(dataOf(m_screen))[0]), bytes);
        Document::Lines rows = linesOf("|80|00|00|00|00|00|00|00|00|01");
        rows[0] = m_doc->callsignText();
        m_doc->paste(rows);
        QCOMPARE(QByteArray::fromStdString(linesOf(dataOf(m_screen))[0]), bytes);
    }

    // A pasted data text is taken as a load takes a file; its characters become the code
    // page's bytes.
    void paste()
    {
        const Document::Lines lines = linesOf("日本|8a|00|00|00|00|00|00|00|00|0123");
        m_doc->paste(lines);
        QCOMPARE(dataOf(m_screen),
                 QByteArray("??|8a|00|00|00|00|00|00|00|00|0123|").replace('|', "\r\n"));
        QCOMPARE(QByteArray::fromStdString(m_screen.callsign), "日本");
        QCOMPARE(QByteArray::fromStdString(m_screen.width), "2");
        QCOMPARE(m_doc->cell(0, 0), 1);
        QCOMPARE(m_doc->cell(4, 0), 1);
        QCOMPARE(m_doc->cell(6, 0), 1);
        QCOMPARE(m_doc->cell(5, 0), 0);
    }

    // A snapshot brings back every part of the document, the bytes behind the callsign
    // included, and shows it.
    void snapshotRestores()
    {
        m_doc->load(linesOf(kUnreadable + "CQ|f0|00|00|00|00|00|00|00|00|00"));
        const Document::Snapshot loaded = m_doc->snapshot();
        const FakeEditorView shown = m_screen;
        m_doc->load(linesOf("ZZ|00|00|00|00|00|00|00|00|00|0000"));
        m_doc->setWidthText("9");
        m_doc->cmdUpDate_Click();
        m_doc->picField_Click(1);
        m_doc->restore(loaded);
        QCOMPARE(m_screen.data, shown.data);
        QCOMPARE(m_screen.width, shown.width);
        QCOMPARE(m_screen.callsign, shown.callsign);
        QCOMPARE(m_screen.pictures == shown.pictures, true);
        m_doc->picField_Click(64);
        QCOMPARE(
            QByteArray::fromStdString(m_doc->sendData()),
            QByteArray(kUnreadable + "CQ|F0|80|00|00|00|00|00|00|00|00|").replace('|', "\r\n"));
    }

    // The picture coordinates and the commands' way in: the picture, its width, "Done".
    void applyPicture()
    {
        Picture picture;
        picture.setPixel(0, 0, true);
        picture.setPixel(70, 9, true);
        picture.setPixel(127, 1, true);
        Document headless(m_codePage);
        headless.setCallsignText("CQ");
        headless.applyPicture(picture, 9);
        const QByteArray text = "CQ|800000000000000000|"
            + QByteArray("000000000000000000|").repeated(8) + "000000000000000002|";
        QCOMPARE(QByteArray::fromStdString(headless.sendData()),
                 QByteArray(text).replace('|', "\r\n"));
        QCOMPARE(headless.openColumns(), 72);
        QCOMPARE(headless.picture() == picture, true);
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
