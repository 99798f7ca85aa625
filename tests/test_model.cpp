// SPDX-License-Identifier: MIT
#include "DataRows.h"
#include "FakeEditorView.h"
#include "model/Numbers.h"

#include <QTest>
#include <random>

using namespace qie;
using namespace qie::test;

namespace {

const double kInf = qInf();
const double kNaN = qQNaN(); // rejected, or overflow
const QByteArray kLongFraction = "0." + QByteArray(1000000, '0') + "1e1000003"; // 100
const QByteArray kAllOn = "CALL" + ("|" + QByteArray(32, 'F')).repeated(10);

// Doubles compared to the last bit, infinities included.
const auto exact = [](double x) { return QByteArray::number(x, 'g', 17); };
const auto dataOf = [](const FakeEditorView &view) { return QByteArray::fromStdString(view.data); };

// Rows of a text read as a number: the row's name says the case.
void numberRow(const char *name, const QByteArray &text, double value)
{
    QTest::newRow(name) << text << value;
}

// A width text, the byte columns it opens (bit g: column g), the bytes per row it gives and
// the text "Done" leaves in the box.
void widthRows()
{
    columns<QByteArray, int, int, QByteArray>("width", "open", "bytes", "after");
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
    row("one and a half", "1.5", 3, 1, "1.5");
    row("two and a half", "2.5", 7, 3, "2.5");
    row("three", "3", 7, 3, "3");
    row("eight", "8", 0xFF, 8, "8");
    row("eight after a blank", " 8", 0xFF, 8, " 8");
    row("nine", "9", 0x1FF, 9, "9");
    row("fifteen and a half", "15.5", 0xFFFF, 15, "15.5");
    row("sixteen", "16", 0xFFFF, 16, "16");
    row("sixteen and a half", "16.5", 0xFFFF, 16, "16");
    row("seventeen", "17", 0xFFFF, 16, "16");
    row("digit then letter", "5a", 0x1F, 5, "5a");
    row("empty", "", 0, 0, "1");
    row("letters", "ab", 0, 0, "1");
    row("hex ten", "&HA", 0x3FF, 10, "&HA");
}

// The 11 lines of a data text, or of a '|'-separated file text, as the loader hands them over.
Document::Lines linesOf(QByteArray text)
{
    const auto parts = text.replace("\r\n", "|").split('|');
    Document::Lines lines;
    for (int i = 0; i < Document::kDataLines; ++i)
        lines[i] = parts.value(i).toStdString();
    return lines;
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT
    FakeEditorView m_screen;
    std::optional<Document> m_model;

private slots:
    void init() { m_model.emplace(m_screen = {}); }

    void lenientNumber_data()
    {
        columns<QByteArray, double>("text", "value");
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
    }
    void lenientNumber()
    {
        const auto [text, expected] = fetch<QByteArray, double>("text", "value");
        QCOMPARE(exact(LenientNumber(text.toStdString())), exact(expected));
    }

    void strictNumber_data()
    {
        columns<QByteArray, double>("text", "value");
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
        const auto [text, expected] = fetch<QByteArray, double>("text", "value");
        QCOMPARE(exact(StrictNumber(text.toStdString()).value_or(kNaN)), exact(expected));
    }

    // Halves go to the even neighbour; results outside a 16-bit integer are refused (NaN).
    void roundHalfEven_data()
    {
        columns<double, double>("value", "rounded");
        const auto row = [](const char *name, double value, double rounded) {
            QTest::newRow(name) << value << rounded;
        };
        row("half, down to even", 6.5, 6);
        row("half, up to even", 7.5, 8);
        row("negative half, to zero not minus zero", -0.5, 0);
        row("negative half, away to even", -1.5, -2);
        row("negative, to nearest", -2.6, -3);
        row("largest double below a half", 0.49999999999999994, 0);
        row("largest result", 32767.4, 32767);
        row("smallest result, by a half", -32768.5, -32768);
        row("half above the largest", 32767.5, kNaN);
        row("below the smallest", -32768.6, kNaN);
        row("infinity", kInf, kNaN);
        row("not a number", kNaN, kNaN);
        row("odd integer past 2^52", 4503599627370497.0, kNaN);
    }
    void roundHalfEven()
    {
        const auto [x, expected] = fetch<double, double>("value", "rounded");
        QCOMPARE(exact(std::optional<double>(RoundHalfEven(x)).value_or(kNaN)), exact(expected));
    }

    // A width text, read as the number it begins with when it does not convert, gives B bytes
    // per row by the even-half rule, at most 16, at once in the data text.
    void typedWidthShapesDataText_data() { widthRows(); }
    void typedWidthShapesDataText()
    {
        const auto [width, bytes] = fetch<QByteArray, int>("width", "bytes");
        m_model->DecodeDataText(linesOf(kAllOn));
        m_screen.width = width.toStdString();
        m_screen.callsign = " Ab "; // as typed: no trimming, no change of case
        m_model->UpdateDataText();
        QCOMPARE(dataOf(m_screen),
                 " Ab \r\n" + (QByteArray(2 * qsizetype(bytes), 'F') + "\r\n").repeated(10));
        QCOMPARE(m_model->sendData(), m_screen.data);
    }

    // The mask a width makes opens byte column g exactly when N > g: open cells toggle on a
    // click and rewrite the data text, blocked ones only beep.
    void maskOpensByteColumns_data() { widthRows(); }
    void maskOpensByteColumns()
    {
        const auto [width, open] = fetch<QByteArray, int>("width", "open");
        m_model->DecodeDataText(linesOf(kAllOn));
        m_screen.width = width.toStdString();
        m_model->RefreshCells();
        const int writesBefore = m_screen.dataWrites;
        for (int n = 0; n < Document::kCellCount; ++n) {
            m_model->picField_Click(n);
            const bool isOpen = (open >> (n / 640 * 8 + n % 64 / 8)) & 1; // byte column of cell n
            QCOMPARE(m_model->cell(n % 64, n / 64), isOpen ? 0 : 1);
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
        const auto [width, after] = fetch<QByteArray, QByteArray>("width", "after");
        m_screen.width = width.toStdString();
        m_model->cmdUpDate_Click();
        QCOMPARE(QByteArray::fromStdString(m_screen.width), after);
    }

    // Worked examples, clicked after "Done" and compared character for character ('|' stands
    // for CR LF).
    void encode_data()
    {
        columns<QByteArray, QList<int>, QByteArray>("width", "cells", "text");
        QTest::newRow("width 1, a diagonal")
            << QByteArray("1") << QList<int> { 0, 65, 130, 195, 260, 325, 390, 455 }
            << QByteArray("TEST|80|40|20|10|08|04|02|01|00|00|");
        QTest::newRow("width 9, the corners of the upper band and byte 8")
            << QByteArray("9") << QList<int> { 0, 639, 771 }
            << "TEST|800000000000000000|000000000000000000|000000000000000010|"
                + QByteArray("000000000000000000|").repeated(6) + "000000000000000100|";
    }
    void encode()
    {
        const auto [width, cells, text]
            = fetch<QByteArray, QList<int>, QByteArray>("width", "cells", "text");
        m_screen.callsign = "TEST";
        m_screen.width = width.toStdString();
        m_model->cmdUpDate_Click();
        for (const int n : cells)
            m_model->picField_Click(n);
        QCOMPARE(dataOf(m_screen), QByteArray(text).replace('|', "\r\n"));
    }

    // Random grids at every width, loaded back from lowercase digits (decode() has the
    // uppercase ones): the cells are what the clicks showed, on where they show on, off where
    // they show off or blocked.
    void decodeReadsEncoded_data()
    {
        columns<QByteArray>("width");
        for (int w = 1; w <= 16; ++w)
            QTest::addRow("random grid, width %d", w) << QByteArray::number(w);
    }
    void decodeReadsEncoded()
    {
        QFETCH(QByteArray, width);
        m_screen.callsign = "TEST";
        m_screen.width = width.toStdString();
        m_model->cmdUpDate_Click();
        std::mt19937 random(20261206u);
        for (int n = 0; n < Document::kCellCount; ++n) {
            if (random() & 1)
                m_model->picField_Click(n);
        }
        Document loaded(m_screen);
        loaded.DecodeDataText(linesOf(dataOf(m_screen).toLower()));
        for (int n = 0; n < Document::kCellCount; ++n)
            QCOMPARE(loaded.cell(n % 64, n / 64), m_screen.pictures[n] == CellPicture::On ? 1 : 0);
    }

    // A typed width shapes the next data text at once while the mask waits for "Done": the on
    // cell of byte column 5, blocked at width 3, reaches a row written at 16, and widening
    // shows it again. A click off the grid changes nothing.
    void clickAfterTypedWidth_data()
    {
        columns<QByteArray, QByteArray, int, QByteArray>("done", "typed", "cell", "row 0");
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
        const auto [done, typed, cell, row0]
            = fetch<QByteArray, QByteArray, int, QByteArray>("done", "typed", "cell", "row 0");
        m_model->picField_Click(40); // byte column 5, row 0
        m_screen.width = done.toStdString();
        m_model->cmdUpDate_Click();
        const CellPicture shown = m_screen.pictures[40];
        m_screen.width = typed.toStdString();
        m_model->picField_Click(cell);
        QCOMPARE(m_screen.pictures[40], shown); // no new mask before "Done"
        QCOMPARE(linesOf(dataOf(m_screen))[1], row0.toStdString());
        m_screen.width = "16";
        m_model->cmdUpDate_Click();
        QCOMPARE(m_screen.pictures[40], CellPicture::On);
    }

    // Decoding clears the grid and reads D digits of every row line, whatever its length.
    // Rows are '|'-separated; the expected ones are the re-encoding after "Done" at 16.
    void decode_data()
    {
        columns<QByteArray, QByteArray, QByteArray>("width", "rows", "expected");
        const auto row = [](const char *name, const char *width, const QByteArray &rows,
                            const QByteArray &expected) {
            QTest::newRow(name) << QByteArray(width) << rows << expected;
        };
        row("lowercase and a letter past F", "2", "8aZ3|||||||||0000", "8A03");
        row("width with a point", "3.", "1234567", "123456");
        row("row longer than the width", "1", "ABCD", "AB");
        row("row shorter than the width", "2", "F", "F");
        row("width 0", "0", "FF", "");
        row("width digit then letter", "5a", "FFFFFFFFFFFF", "FFFFFFFFFF");
        row("width a half", ".5", "FF", "F");
        row("width with a fraction", "1.75", "FFFF", "FFF");
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
        const auto [width, rows, expected]
            = fetch<QByteArray, QByteArray, QByteArray>("width", "rows", "expected");
        m_model->DecodeDataText(linesOf(kAllOn));
        m_screen.width = width.toStdString();
        m_model->DecodeDataText(linesOf("CALL|" + rows));
        QCOMPARE(m_screen.dataWrites, 0);
        QCOMPARE(m_screen.pictureWrites, 0);
        m_screen.width = "16";
        m_model->cmdUpDate_Click();
        for (int r = 0; r < Document::kBandRows; ++r)
            QCOMPARE(linesOf(dataOf(m_screen))[r + 1],
                     expected.split('|').value(r).leftJustified(32, '0').toStdString());
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
