// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "model/Numbers.h"

#include <QTest>
#include <random>

using namespace qie;

namespace {

const double kInf = qInf();
const double kNaN = qQNaN(); // rejected, or overflow
const QByteArray kLongFraction = "0." + QByteArray(1000000, '0') + "1e1000003"; // 100
const QByteArray kAllOn = "CALL" + ("|" + QByteArray(32, 'F')).repeated(10);
constexpr const char *kColumns[] = { "0", "1", "2", "3" };

// Doubles compared to the last bit, infinities included.
const auto exact = [](double x) { return QByteArray::number(x, 'g', 17); };
const auto dataOf = [](const FakeEditorView &view) { return QByteArray::fromStdString(view.data); };

// A test table in one call, its columns named by place for fetch() and its rows by number.
template<typename... T> void table(std::initializer_list<std::tuple<T...>> rows)
{
    std::size_t column = 0;
    (QTest::addColumn<T>(kColumns[column++]), ...);
    for (int place = 0; const auto &row : rows)
        std::apply([&](const T &...v) { (QTest::addRow("%d", place++) << ... << v); }, row);
}

template<typename T> const T &column(int &place)
{
    return *static_cast<T *>(QTest::qData(kColumns[place++], qMetaTypeId<T>()));
}

template<typename... T> std::tuple<T...> fetch()
{
    int place = 0; // a braced list runs left to right
    return std::tuple<T...> { column<T>(place)... };
}

// The 11 lines of a data text, or of a '|'-separated file text, as the loader hands them over.
ImageModel::Lines linesOf(QByteArray text)
{
    const auto parts = text.replace("\r\n", "|").split('|');
    ImageModel::Lines lines;
    for (int i = 0; i < ImageModel::kDataLines; ++i)
        lines[i] = parts.value(i).toStdString();
    return lines;
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT
    FakeEditorView m_screen;
    std::optional<ImageModel> m_model;

private slots:
    void init() { m_model.emplace(m_screen = {}); }

    // clang-format off
    void lenientNumber_data() { table<QByteArray, double>({
        {"7.5", 7.5}, {"ab", 0}, {"", 0}, {"5a", 5}, {"&HA", 10}, {"&Ha", 10}, {"&hff", 255},
        {"&H", 0}, {"&O17", 15}, {"&o", 0}, {"&O78", 7}, {" 1 2 ", 12}, {"1\t2", 12}, {"1\n2", 12},
        {"\t-\n3", -3}, {"& H 1 0", 16}, {"\r5", 0}, {"+4", 4}, {".", 0}, {"-.5", -0.5},
        {"0.1", 0.1}, {"1E+3", 1000}, {"2.5e-1", 0.25}, {"3e 2", 300}, {"5.e1", 50}, {"1e+", 1},
        {"1.2.3", 1.2}, {"--1", 0}, {"-&H10", 0}, {"1,000", 1}, {"5-", 5}, {"1d5", 1},
        {"12345678901234567890", 12345678901234567890.0}, {"1e400", kInf}, {"-1e400", -kInf},
        {"1e99999999999999999999", kInf}, {"1e-400", 0}, {kLongFraction, 100}}); }
    // clang-format on
    void lenientNumber()
    {
        const auto [text, expected] = fetch<QByteArray, double>();
        QCOMPARE(exact(LenientNumber(text.toStdString())), exact(expected));
    }

    // clang-format off
    void strictNumber_data() { table<QByteArray, double>({
        {"7.5", 7.5}, {"3.", 3}, {".5", 0.5}, {"  -2  ", -2}, {"+1e2", 100}, {"1E-1", 0.1},
        {"5.e1", 50}, {"&HA", 10}, {"&ha", 10}, {"&O17", 15}, {" &H1F ", 31}, {"1e-400", 0},
        {kLongFraction, 100}, {"", kNaN}, {"   ", kNaN}, {"ab", kNaN}, {"5a", kNaN}, {".", kNaN},
        {"&H", kNaN}, {"&O8", kNaN}, {"&H1G", kNaN}, {"1 2", kNaN}, {"\t5", kNaN}, {"5\n", kNaN},
        {"1,000", kNaN}, {"$5", kNaN}, {"5-", kNaN}, {"1e", kNaN}, {"1d5", kNaN}, {"0x10", kNaN},
        {"-1e400", kNaN}, {"&H" + QByteArray(300, 'F'), kNaN}}); }
    // clang-format on
    void strictNumber()
    {
        const auto [text, expected] = fetch<QByteArray, double>();
        QCOMPARE(exact(StrictNumber(text.toStdString()).value_or(kNaN)), exact(expected));
    }

    // clang-format off
    void roundHalfEven_data() { table<double, double>({
        {6.5, 6}, {7.5, 8}, {-0.5, 0}, {-1.5, -2}, {2.5, 2}, {-2.6, -3}, {0.49999999999999994, 0},
        {32767.4, 32767}, {32766.5, 32766}, {-32768.5, -32768}, {32767.5, kNaN}, {-32768.6, kNaN},
        {kInf, kNaN}, {kNaN, kNaN}, {4503599627370497.0, kNaN}}); }
    // clang-format on
    void roundHalfEven()
    {
        const auto [x, expected] = fetch<double, double>();
        QCOMPARE(exact(std::optional<double>(RoundHalfEven(x)).value_or(kNaN)), exact(expected));
    }

    // A width text, read as the number it begins with when it does not convert, opens byte
    // column g exactly when N > g and gives B bytes per row by the even-half rule, at most 16.
    // Open cells toggle on a click, blocked ones only beep.
    // "Done" then brings the text into 1..16 as LenientNumber reads it, and only then.
    // clang-format off
    void widthText_data() { table<QByteArray, int, int, QByteArray>({
        {"0", 0, 0, "1"}, {"-3", 0, 0, "1"}, {".4", 1, 0, "1"}, {".5", 1, 1, "1"}, {"1", 1, 1, "1"},
        {"1.", 1, 1, "1."}, {"1.5", 3, 1, "1.5"}, {"2.5", 7, 3, "2.5"}, {"3", 7, 3, "3"},
        {"8", 0xFF, 8, "8"}, {" 8", 0xFF, 8, " 8"}, {"9", 0x1FF, 9, "9"},
        {"15.5", 0xFFFF, 15, "15.5"}, {"16", 0xFFFF, 16, "16"}, {"16.5", 0xFFFF, 16, "16"},
        {"17", 0xFFFF, 16, "16"}, {"99", 0xFFFF, 16, "16"}, {"5a", 0x1F, 5, "5a"}, {"", 0, 0, "1"},
        {"ab", 0, 0, "1"}, {".", 0, 0, "1"}, {"&H", 0, 0, "1"}, {"&HA", 0x3FF, 10, "&HA"}}); }
    // clang-format on
    void widthText()
    {
        const auto [width, open, bytes, after] = fetch<QByteArray, int, int, QByteArray>();
        m_model->DecodeDataText(linesOf(kAllOn));
        m_screen.width = width.toStdString();
        m_screen.callsign = " Ab "; // as typed: no trimming, no change of case
        m_model->RefreshCells();
        m_model->UpdateDataText();
        QCOMPARE(dataOf(m_screen),
                 " Ab \r\n" + (QByteArray(2 * qsizetype(bytes), 'F') + "\r\n").repeated(10));
        QCOMPARE(m_model->sendData(), m_screen.data);
        for (int n = 0; n < ImageModel::kCellCount; ++n) {
            m_model->picField_Click(n);
            const bool isOpen = (open >> (n / 640 * 8 + n % 64 / 8)) & 1; // byte column of cell n
            QCOMPARE(m_model->cell(n % 64, n / 64), isOpen ? 0 : 1);
            QCOMPARE(m_screen.pictures[n], isOpen ? CellPicture::Off : CellPicture::Blocked);
        }
        QCOMPARE(m_screen.beeps, 80 * (16 - int(qPopulationCount(uint(open)))));
        QCOMPARE(m_screen.dataWrites, 1 + 80 * int(qPopulationCount(uint(open))));
        m_model->cmdUpDate_Click();
        QCOMPARE(QByteArray::fromStdString(m_screen.width), after);
    }

    // Worked examples, clicked after "Done" and compared character for character ('|' stands
    // for CR LF), and random grids at every width.
    // clang-format off
    void encodeDecode_data() { table<QByteArray, QList<int>, QByteArray>({
        {"1", {0, 65, 130, 195, 260, 325, 390, 455}, "TEST|80|40|20|10|08|04|02|01|00|00|"},
        {"9", {0, 639, 771}, "TEST|800000000000000000|000000000000000000|000000000000000010|"
            + QByteArray("000000000000000000|").repeated(6) + "000000000000000100|"}});
        for (int w = 1; w <= 16; ++w)
            QTest::addRow("random %d", w) << QByteArray::number(w) << QList<int>() << QByteArray();
    }
    // clang-format on
    void encodeDecode()
    {
        const auto [width, cells, text] = fetch<QByteArray, QList<int>, QByteArray>();
        m_screen.callsign = "TEST";
        m_screen.width = width.toStdString();
        m_model->cmdUpDate_Click();
        std::mt19937 random(20261206u);
        for (int n = 0; n < ImageModel::kCellCount; ++n)
            if (text.isEmpty() ? random() & 1 : cells.contains(n))
                m_model->picField_Click(n);
        QCOMPARE(text.isEmpty() ? text : dataOf(m_screen), QByteArray(text).replace('|', "\r\n"));
        // Loaded back from lowercase digits (decode() has the uppercase ones), the cells are
        // what the clicks showed: on where they show on, off where they show off or blocked.
        ImageModel loaded(m_screen);
        loaded.DecodeDataText(linesOf(dataOf(m_screen).toLower()));
        for (int n = 0; n < ImageModel::kCellCount; ++n)
            QCOMPARE(loaded.cell(n % 64, n / 64), m_screen.pictures[n] == CellPicture::On ? 1 : 0);
    }

    // A typed width shapes the next data text at once while the mask waits for "Done": the on
    // cell of byte column 5, blocked at width 3, reaches a row written at 16, and widening
    // shows it again. A click off the grid changes nothing. Rows: done, typed, cell, row 0.
    // clang-format off
    void clickAfterTypedWidth_data() { table<QByteArray, QByteArray, int, QByteArray>({
        {"16", "3", 64 * 12 + 17, "000000"}, {"3", "16", 0, "80000000008000000000000000000000"},
        {"3", "16", 64 * 3 + 41, "000000"}, {"3", "9", 64 * 12 + 3, "000000"},
        {"16", "0", 1279, ""}, {"16", "20", 0, "80000000008000000000000000000000"},
        {"ab", "16", 8, "00"}, {"16", "5a", 0, "8000000000"}, {"ab", "", 0, ""},
        {"3", "16", -1, "000000"}, {"3", "16", 1280, "000000"}, {"3", "16", INT_MIN, "000000"}}); }
    // clang-format on
    void clickAfterTypedWidth()
    {
        const auto [done, typed, cell, row0] = fetch<QByteArray, QByteArray, int, QByteArray>();
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
    // clang-format off
    void decode_data() { table<QByteArray, QByteArray, QByteArray>({
        {"2", "8aZ3|||||||||0000", "8A03"}, {"3.", "1234567", "123456"}, {"1", "ABCD", "AB"},
        {"2", "F", "F"}, {"0", "FF", ""}, {"", "FF", ""}, {"5a", "FFFFFFFFFFFF", "FFFFFFFFFF"},
        {".5", "FF", "F"}, {"1.75", "FFFF", "FFF"}, {"1", "|||||||||01", "|||||||||01"},
        {"2", "é1F2", "01F2"}, {"1", "日F", "0F"}, {"1", "😀A", "0A"}, {"2", "G- 1", "0001"},
        {"20", "0123456789ABCDEF0123456789abcdef77|F", "0123456789ABCDEF0123456789ABCDEF|F"},
        {"99", "F|00000000000000000000000000000000F", "F"}}); }
    // clang-format on
    void decode()
    {
        const auto [width, rows, expected] = fetch<QByteArray, QByteArray, QByteArray>();
        m_model->DecodeDataText(linesOf(kAllOn));
        m_screen.width = width.toStdString();
        m_model->DecodeDataText(linesOf("CALL|" + rows));
        QCOMPARE(m_screen.dataWrites + m_screen.pictureWrites, 0);
        m_screen.width = "16";
        m_model->cmdUpDate_Click();
        for (int r = 0; r < ImageModel::kBandRows; ++r)
            QCOMPARE(linesOf(dataOf(m_screen))[r + 1],
                     expected.split('|').value(r).leftJustified(32, '0').toStdString());
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
