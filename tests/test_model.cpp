// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "model/ImageModel.h"
#include "model/Numbers.h"

#include <QTest>
#include <cmath>
#include <limits>
#include <random>

using namespace qie;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string_view view(const QByteArray &text)
{
    return { text.constData(), static_cast<std::size_t>(text.size()) };
}

// 0.<1000000 zeros>1e1000003: a huge exponent that a long fraction pulls back to 100.
QByteArray longFraction()
{
    return "0." + QByteArray(1000000, '0') + "1e1000003";
}

// Table rows named by their text, control characters spelled out.
const char *rowName(const char *text)
{
    static QByteArray name;
    name = QByteArray(text).replace('\t', "\\t").replace('\n', "\\n").replace('\r', "\\r");
    if (name.isEmpty())
        name = "(empty)";
    return name.constData();
}

std::string repeat(const std::string &line, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

std::vector<std::string> rowLinesOf(const std::string &dataText)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t end; (end = dataText.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        lines.push_back(dataText.substr(pos, end - pos));
    if (pos != dataText.size() || lines.size() != ImageModel::kDataLines)
        return {};
    lines.erase(lines.begin());
    return lines;
}

ImageModel::Lines fileLines(const QStringList &rows)
{
    ImageModel::Lines lines { "CALL" };
    for (int r = 0; r < rows.size(); ++r)
        lines[r + 1] = rows[r].toStdString();
    return lines;
}

void switchAllOn(ImageModel &model, FakeEditorView &screen)
{
    const std::string kept = screen.width;
    screen.width = "16";
    model.DecodeDataText(fileLines(QStringList(10, QString(32, u'F'))));
    screen.width = kept;
}

int openByteColumns(const ImageModel &model)
{
    int open = 0;
    for (int y = 0; y < ImageModel::kRows; ++y)
        for (int x = 0; x < ImageModel::kColumns; ++x)
            if (model.mask(x, y) == 0)
                open |= 1 << (8 * (y / 10) + x / 8);
    return open;
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT
private slots:
    void lenientNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("expected");
        // clang-format off
        const std::pair<const char *, double> rows[] = {
            {"7.5", 7.5}, {"ab", 0}, {"", 0}, {"5a", 5}, {"&HA", 10}, {"&Ha", 10}, {"&hff", 255},
            {"&H", 0}, {"&HG1", 0}, {"&O17", 15}, {"&o", 0}, {"&O78", 7}, {"&O8", 0}, {" 1 2 ", 12},
            {"1\t2", 12}, {"1\n2", 12}, {"\t-\n3", -3}, {"& H 1 0", 16}, {"\r5", 0}, {"+4", 4},
            {"-", 0}, {".", 0}, {".5", 0.5}, {"5.", 5}, {"-.5", -0.5}, {"0.1", 0.1}, {"1e3", 1000},
            {"1E+3", 1000}, {"2.5e-1", 0.25}, {"3e 2", 300}, {"5.e1", 50}, {"1e", 1}, {"1e+", 1},
            {"1e-x", 1}, {"e5", 0}, {"1.2.3", 1.2}, {"--1", 0}, {"-&H10", 0}, {"1,000", 1},
            {"$5", 0}, {"5-", 5}, {"1d5", 1}, {"12345678901234567890", 12345678901234567890.0},
            {"1e400", kInf}, {"-1e400", -kInf}, {"1e99999999999999999999", kInf}, {"1e-400", 0}
        };
        // clang-format on
        for (const auto &[text, expected] : rows)
            QTest::newRow(rowName(text)) << QByteArray(text) << expected;
        QTest::newRow("long fraction") << longFraction() << 100.0;
    }
    void lenientNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, expected);
        const double got = LenientNumber(view(text));
        QVERIFY2(got == expected, qPrintable(QString::number(got, 'g', 17)));
    }

    void strictNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("expected");
        // clang-format off
        const std::pair<const char *, double> good[] = {
            {"7.5", 7.5}, {"3.", 3}, {".5", 0.5}, {" 8", 8}, {"8 ", 8}, {"  -2  ", -2},
            {"+1e2", 100}, {"1E-1", 0.1}, {"5.e1", 50}, {"&HA", 10}, {"&ha", 10}, {"&O17", 15},
            {" &H1F ", 31}, {"1e-400", 0}, {"0", 0}
        };
        // clang-format on
        for (const auto &[text, expected] : good)
            QTest::newRow(rowName(text)) << QByteArray(text) << true << expected;
        QTest::newRow("long fraction") << longFraction() << true << 100.0;
        for (const char *text :
             { "",     "   ", "ab",    "5a",  ".",   "-",     "+",       "&H",    "&O", "&O8",
               "&H1G", "1 2", "\t5",   "5\t", "5\n", "1,000", "1.000,5", "$5",    "5-", "1e",
               "1e+",  "e5",  "1.2.3", "--1", "1d5", "0x10",  "1e400",   "-1e400" })
            QTest::newRow(rowName(text)) << QByteArray(text) << false << 0.0;
        QTest::newRow("hex beyond double") << "&H" + QByteArray(300, 'F') << false << 0.0;
    }
    void strictNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, accepted);
        QFETCH(double, expected);
        const auto got = StrictNumber(view(text));
        QCOMPARE(got.has_value(), accepted);
        if (got) {
            QVERIFY2(*got == expected, qPrintable(QString::number(*got, 'g', 17)));
            QCOMPARE(LenientNumber(view(text)), *got);
        }
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("expected"); // -1000000: overflow, no value
        // clang-format off
        const std::pair<double, int> rows[] = {
            {6.5, 6}, {7.5, 8}, {-0.5, 0}, {-1.5, -2}, {0.5, 0}, {2.5, 2}, {2.4, 2}, {2.6, 3},
            {-2.6, -3}, {0.49999999999999994, 0}, {-0.49999999999999994, 0}, {-1e-300, 0},
            {32767, 32767}, {32767.4, 32767}, {32766.5, 32766}, {-32768, -32768},
            {-32768.5, -32768}, {32767.5, -1000000}, {-32768.6, -1000000}, {-32769, -1000000},
            {40000, -1000000}, {1e300, -1000000}, {kInf, -1000000}, {-kInf, -1000000},
            {kNaN, -1000000}, {4503599627370497.0, -1000000}
        };
        // clang-format on
        for (const auto &[x, expected] : rows)
            QTest::newRow(qPrintable(QString::number(x, 'g', 17))) << x << expected;
    }
    void roundHalfEven()
    {
        QFETCH(double, x);
        QFETCH(int, expected);
        const auto got = RoundHalfEven(x);
        QCOMPARE(got.has_value(), expected != -1000000);
        if (got)
            QCOMPARE(int(*got), expected);
    }

    // RefreshCells opens byte column g exactly when N > g; then every open cell toggles on a
    // click and every blocked one only beeps, keeping its state.
    void maskAndClicks_data()
    {
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<int>("open");
        // clang-format off
        const std::pair<const char *, int> rows[] = {
            {"0", 0}, {"-3", 0}, {".5", 0x1}, {".4", 0x1}, {"1", 0x1}, {"3", 0x7}, {"8", 0xFF},
            {"9", 0x1FF}, {"16", 0xFFFF}, {"20", 0xFFFF}, {"15.5", 0xFFFF}, {"1 ", 0x1},
            {"5a", 0x1F}, {"", 0}, {"ab", 0}, {".", 0}, {"&H", 0}, {"&HA", 0x3FF}
        };
        // clang-format on
        for (const auto &[width, open] : rows)
            QTest::newRow(rowName(width)) << QByteArray(width) << open;
    }
    void maskAndClicks()
    {
        QFETCH(QByteArray, width);
        QFETCH(int, open);
        FakeEditorView screen;
        ImageModel model(screen);
        switchAllOn(model, screen);
        screen.width = width.toStdString();
        model.RefreshCells();
        QCOMPARE(openByteColumns(model), open);
        int blocked = 0;
        for (int n = 0; n < ImageModel::kCellCount; ++n) {
            const bool isBlocked = model.mask(n % 64, n / 64) != 0;
            blocked += isBlocked;
            QCOMPARE(screen.pictures[n], isBlocked ? CellPicture::Blocked : CellPicture::On);
            model.picField_Click(n);
            QCOMPARE(model.cell(n % 64, n / 64), isBlocked ? 1 : 0);
            QCOMPARE(screen.pictures[n], isBlocked ? CellPicture::Blocked : CellPicture::Off);
        }
        QCOMPARE(screen.beeps, blocked);
        QCOMPARE(screen.dataWrites, ImageModel::kCellCount - blocked);
    }

    void doneRule_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("bytes");
        // clang-format off
        const std::tuple<const char *, const char *, int> rows[] = {
            {"ab", "1", 1}, {"", "1", 1}, {".5", "1", 1}, {"-3", "1", 1}, {"&H", "1", 1},
            {"-", "1", 1}, {"17", "16", 16}, {"99", "16", 16}, {"20", "16", 16}, {"16", "16", 16},
            {"8", "8", 8}, {" 8", " 8", 8}, {"1.", "1.", 1}, {"5a", "5a", 5}
        };
        // clang-format on
        for (const auto &[before, after, bytes] : rows)
            QTest::newRow(rowName(before)) << QByteArray(before) << QByteArray(after) << bytes;
    }
    void doneRule()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(int, bytes);
        FakeEditorView screen;
        ImageModel model(screen);
        screen.width = before.toStdString();
        model.cmdUpDate_Click();
        QCOMPARE(QByteArray::fromStdString(screen.width), after);
        QCOMPARE(openByteColumns(model), (1 << bytes) - 1);
        QCOMPARE(screen.dataWrites, 1);
        const auto rows = rowLinesOf(screen.data);
        QCOMPARE(rows.size(), 10u);
        QCOMPARE(rows[0].size(), std::size_t(2 * bytes));
    }

    void dataTextLayout_data()
    {
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QByteArray>("callsign");
        QTest::addColumn<bool>("cellsOn");
        QTest::addColumn<int>("bytes");
        QTest::newRow("empty callsign") << QByteArray("1") << QByteArray() << true << 1;
        QTest::newRow("callsign as typed") << QByteArray("2") << QByteArray(" Ab c ") << true << 2;
        QTest::newRow("all off at 16") << QByteArray("16") << QByteArray("X") << false << 16;
        // clang-format off
        const std::pair<const char *, int> widths[] = {
            {"0", 0}, {"-1", 0}, {"-9", 0}, {".4", 0}, {".5", 1}, {".6", 1}, {"1", 1}, {"1.5", 1},
            {"2.5", 3}, {"3.5", 3}, {"16", 16}, {"16.4", 16}, {"16.5", 16}, {"17", 16}, {"99", 16},
            {"1e9", 16}, {"5a", 5}, {"", 0}, {"ab", 0}, {".", 0}
        };
        // clang-format on
        for (const auto &[width, bytes] : widths)
            QTest::newRow(rowName(width))
                << QByteArray(width) << QByteArray("TEST") << true << bytes;
    }
    void dataTextLayout()
    {
        QFETCH(QByteArray, width);
        QFETCH(QByteArray, callsign);
        QFETCH(bool, cellsOn);
        QFETCH(int, bytes);
        FakeEditorView screen;
        ImageModel model(screen);
        if (cellsOn)
            switchAllOn(model, screen);
        screen.width = width.toStdString();
        screen.callsign = callsign.toStdString();
        model.UpdateDataText();
        std::string expected = screen.callsign + "\r\n";
        for (int r = 0; r < 10; ++r)
            expected += std::string(2 * bytes, cellsOn ? 'F' : '0') + "\r\n";
        QCOMPARE(screen.data, expected);
        QCOMPARE(model.sendData(), expected);
    }

    void diagonalEncodesOneBytePerRow()
    {
        FakeEditorView screen;
        screen.callsign = "TEST";
        screen.width = "1";
        ImageModel model(screen);
        model.RefreshCells();
        for (int i = 0; i < 8; ++i)
            model.picField_Click(64 * i + i);
        QCOMPARE(screen.data,
                 "TEST\r\n80\r\n40\r\n20\r\n10\r\n08\r\n04\r\n02\r\n01\r\n00\r\n00\r\n");
        QCOMPARE(model.sendData(), screen.data);

        FakeEditorView loaded;
        loaded.width = "1";
        ImageModel decoded(loaded);
        const auto rows = rowLinesOf(screen.data);
        QStringList lines;
        for (const auto &row : rows)
            lines << QString::fromStdString(row);
        decoded.DecodeDataText(fileLines(lines));
        for (int y = 0; y < ImageModel::kRows; ++y)
            for (int x = 0; x < ImageModel::kColumns; ++x)
                QCOMPARE(decoded.cell(x, y), x == y && x < 8 ? 1 : 0);
    }

    void bothBandsAtWidthNine()
    {
        FakeEditorView screen;
        screen.callsign = "TEST";
        screen.width = "9";
        ImageModel model(screen);
        model.cmdUpDate_Click();
        for (int n : { 0, 64 * 9 + 63, 64 * 12 + 3 })
            model.picField_Click(n);
        QCOMPARE(screen.beeps, 0);
        QCOMPARE(screen.data,
                 "TEST\r\n"
                 "800000000000000000\r\n000000000000000000\r\n000000000000000010\r\n"
                 "000000000000000000\r\n000000000000000000\r\n000000000000000000\r\n"
                 "000000000000000000\r\n000000000000000000\r\n000000000000000000\r\n"
                 "000000000000000100\r\n");
    }

    void loadedTextStaysUntilFirstClick()
    {
        FakeEditorView screen;
        screen.callsign = "CALL";
        screen.width = "2";
        ImageModel model(screen);
        model.DecodeDataText(fileLines({ "8aZ3", "", "", "", "", "", "", "", "", "0000" }));
        for (int x = 0; x < ImageModel::kColumns; ++x)
            QCOMPARE(model.cell(x, 0), x == 0 || x == 4 || x == 6 || x == 14 || x == 15 ? 1 : 0);
        model.RefreshCells();
        const std::string fileText = "CALL\r\n8aZ3\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n0000\r\n";
        model.setSendData(fileText);
        QCOMPARE(screen.dataWrites, 0);
        QCOMPARE(model.sendData(), fileText);
        model.picField_Click(64 * 9 + 10);
        QCOMPARE(screen.data, "CALL\r\n8A03\r\n" + repeat("0000\r\n", 8) + "0020\r\n");
        QCOMPARE(model.sendData(), screen.data);
    }

    // Random grids survive encode then decode at every width; cells beyond the width read 0.
    void roundTrip_data()
    {
        QTest::addColumn<int>("width");
        for (int w = 1; w <= 16; ++w)
            QTest::newRow(qPrintable(QString::number(w))) << w;
    }
    void roundTrip()
    {
        QFETCH(int, width);
        std::mt19937 random(20261206u + unsigned(width));
        FakeEditorView screen;
        screen.callsign = "RT" + std::to_string(width);
        ImageModel model(screen);
        model.RefreshCells();
        for (int n = 0; n < ImageModel::kCellCount; ++n)
            if (random() & 1)
                model.picField_Click(n);
        screen.width = std::to_string(width);
        model.UpdateDataText();
        const auto rows = rowLinesOf(screen.data);
        QCOMPARE(rows.size(), 10u);

        for (bool lower : { false, true }) {
            QStringList lines;
            for (const auto &row : rows)
                lines << (lower ? QString::fromStdString(row).toLower()
                                : QString::fromStdString(row));
            FakeEditorView loaded = screen;
            ImageModel decoded(loaded);
            decoded.DecodeDataText(fileLines(lines));
            for (int y = 0; y < ImageModel::kRows; ++y)
                for (int x = 0; x < ImageModel::kColumns; ++x) {
                    const bool kept = 8 * (y / 10) + x / 8 < width;
                    QCOMPARE(decoded.cell(x, y), kept ? model.cell(x, y) : 0);
                }
            decoded.UpdateDataText();
            QCOMPARE(loaded.data, screen.data);
        }
    }

    // A typed width shapes the next data text at once, while the mask waits for "Done".
    void clickAfterTypedWidth_data()
    {
        QTest::addColumn<QByteArray>("done");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("bytes"); // -1: the click only beeps
        QTest::newRow("3 over 16, byte column 10")
            << QByteArray("16") << QByteArray("3") << 64 * 12 + 17 << 3;
        QTest::newRow("16 over 3, open cell") << QByteArray("3") << QByteArray("16") << 0 << 16;
        QTest::newRow("16 over 3, blocked cell")
            << QByteArray("3") << QByteArray("16") << 64 * 3 + 41 << -1;
        QTest::newRow("9 over 3, lower band")
            << QByteArray("3") << QByteArray("9") << 64 * 12 + 3 << -1;
        QTest::newRow("20 over 16") << QByteArray("16") << QByteArray("20") << 0 << 16;
        QTest::newRow("0 over 16") << QByteArray("16") << QByteArray("0") << 1279 << 0;
        QTest::newRow("ab over 16") << QByteArray("16") << QByteArray("ab") << 0 << 0;
        QTest::newRow("5a over 16") << QByteArray("16") << QByteArray("5a") << 0 << 5;
        QTest::newRow("empty over 1") << QByteArray("1") << QByteArray("") << 0 << 0;
    }
    void clickAfterTypedWidth()
    {
        QFETCH(QByteArray, done);
        QFETCH(QByteArray, typed);
        QFETCH(int, cell);
        QFETCH(int, bytes);
        FakeEditorView screen;
        ImageModel model(screen);
        model.cmdUpDate_Click();
        model.picField_Click(40); // byte column 5, row 0
        model.picField_Click(64 * 9 + 47); // byte column 5, row 9
        screen.width = done.toStdString();
        model.cmdUpDate_Click();
        const int open = openByteColumns(model);
        const std::string before = screen.data;
        screen.width = typed.toStdString();
        model.picField_Click(cell);
        QCOMPARE(openByteColumns(model), open);
        QCOMPARE(screen.beeps, bytes < 0 ? 1 : 0);
        QCOMPARE(model.cell(cell % 64, cell / 64), bytes < 0 ? 0 : 1);
        const auto rows = rowLinesOf(screen.data);
        QCOMPARE(rows.size(), 10u);
        if (bytes < 0)
            QCOMPARE(screen.data, before);
        else
            QCOMPARE(rows[0].size(), std::size_t(2 * bytes));
        if (bytes > 5) { // the blocked cells of byte column 5 still reach the data text
            QCOMPARE(rows[0].substr(10, 2), "80");
            QCOMPARE(rows[9].substr(10, 2), "01");
        }
        const auto hidden = model.mask(40, 0) != 0 ? CellPicture::Blocked : CellPicture::On;
        QCOMPARE(screen.pictures[40], hidden);
        QCOMPARE(screen.pictures[64 * 9 + 47], hidden);

        // Widening shows the hidden cells again with the state they kept.
        screen.width = "16";
        model.cmdUpDate_Click();
        QCOMPARE(screen.pictures[40], CellPicture::On);
        QCOMPARE(screen.pictures[64 * 9 + 47], CellPicture::On);
        QCOMPARE(screen.pictures[cell], bytes < 0 ? CellPicture::Off : CellPicture::On);
    }

    void twoClicksRestore_data()
    {
        QTest::addColumn<int>("cell");
        for (int n : { 0, 7, 8, 639, 640, 771, 1279 })
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }
    void twoClicksRestore()
    {
        QFETCH(int, cell);
        FakeEditorView screen;
        ImageModel model(screen);
        model.cmdUpDate_Click();
        model.picField_Click(cell == 0 ? 1 : 0);
        const FakeEditorView before = screen;
        model.picField_Click(cell);
        QVERIFY(screen.data != before.data);
        model.picField_Click(cell);
        QCOMPARE(screen.data, before.data);
        QCOMPARE(screen.pictures, before.pictures);
        QCOMPARE(model.cell(cell % 64, cell / 64), 0);
    }

    void clickOutsideGridIsIgnored_data()
    {
        QTest::addColumn<int>("index");
        for (int n : { -1, 1280, 32767, -32768, std::numeric_limits<int>::min() })
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }
    void clickOutsideGridIsIgnored()
    {
        QFETCH(int, index);
        FakeEditorView screen;
        ImageModel model(screen);
        model.RefreshCells();
        const FakeEditorView before = screen;
        model.picField_Click(index);
        QCOMPARE(screen.beeps, 0);
        QCOMPARE(screen.dataWrites, 0);
        QCOMPARE(screen.pictureWrites, before.pictureWrites);
    }

    // Decoding clears the grid, reads D digits per row line and writes nothing but the cells.
    // Expected rows are the re-encoding at width 16, zero-padded to 32 digits.
    void decode_data()
    {
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;
        const QString f32(32, u'F');
        const QString z32(32, u'0');
        QTest::newRow("lowercase and junk")
            << QByteArray("2") << QStringList { "8aZ3" } << QStringList { "8A03" };
        QTest::newRow("odd count 7")
            << QByteArray("3.") << QStringList { "1234567" } << QStringList { "123456" };
        QTest::newRow("longer than D")
            << QByteArray("1") << QStringList { "ABCD" } << QStringList { "AB" };
        QTest::newRow("shorter than D")
            << QByteArray("2") << QStringList { "F" } << QStringList { "F" };
        QTest::newRow("row 9") << QByteArray("1") << (QStringList(9) << "01")
                               << (QStringList(9) << "01");
        QTest::newRow("width 0") << QByteArray("0") << QStringList { "FF" } << none;
        QTest::newRow("rejected empty") << QByteArray("") << QStringList { "FF" } << none;
        QTest::newRow("rejected 5a")
            << QByteArray("5a") << QStringList { "FFFFFFFFFFFF" } << QStringList { "FFFFFFFFFF" };
        QTest::newRow(".5") << QByteArray(".5") << QStringList { "FF" } << QStringList { "F" };
        QTest::newRow(".2") << QByteArray(".2") << QStringList { "FF" } << none;
        QTest::newRow("1.75 by even half")
            << QByteArray("1.75") << QStringList { "FFFF" } << QStringList { "FFF" };
        QTest::newRow("lower band")
            << QByteArray("16") << QStringList { "0000000000000000800000000000000F" }
            << QStringList { "0000000000000000800000000000000F" };
        QTest::newRow("past 32 at 20")
            << QByteArray("20") << QStringList { z32 + "FFFF", f32 + "FF" }
            << QStringList { z32, f32 };
        QTest::newRow("past 32 at 99")
            << QByteArray("99") << QStringList { "F" + z32, z32 + "F" } << QStringList { "F" };
        QTest::newRow("two-byte character")
            << QByteArray("2") << QStringList { "é1F2" } << QStringList { "01F2" };
        QTest::newRow("three-byte character")
            << QByteArray("1") << QStringList { "日F" } << QStringList { "0F" };
        QTest::newRow("non-hex") << QByteArray("2") << QStringList { "G- 1" }
                                 << QStringList { "0001" };
    }
    void decode()
    {
        QFETCH(QByteArray, width);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        FakeEditorView screen;
        ImageModel model(screen);
        switchAllOn(model, screen);
        model.setSendData("kept");
        screen.width = width.toStdString();
        model.DecodeDataText(fileLines(rows));
        QCOMPARE(screen.dataWrites, 0);
        QCOMPARE(screen.pictureWrites, 0);
        QCOMPARE(model.sendData(), "kept");
        screen.width = "16";
        model.UpdateDataText();
        const auto got = rowLinesOf(screen.data);
        QCOMPARE(got.size(), 10u);
        for (int r = 0; r < 10; ++r) {
            const QString want = r < expected.size() ? expected[r] : QString();
            QCOMPARE(QString::fromStdString(got[r]), want.leftJustified(32, u'0'));
        }
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
