// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FileBytes.h"
#include "PseudoTerminal.h"
#include "common/Settings.h"
#include "files/DataFile.h"
#include "files/ReceiveLog.h"
#include "model/DisplayHistory.h"
#include "model/HexDump.h"
#include "model/ReceivedBytes.h"
#include "serial/SerialPortControl.h"
#include "ui/Form1.h"
#include "ui/ReceiveArea.h"
#include "ui/ReceiveText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qie;
using namespace qie::test;

namespace {

// Bytes a device may send that a text display would change: CR, LF, NUL, 0xFF, a UTF-8
// character split across the chunk boundary, an invalid sequence and a lone CR at the end.
const QByteArray kHostileFirst = QByteArray("A\r\nB\rC\n\0D\xFF", 10) + QByteArray("\xE3\x81");
const QByteArray kHostileSecond = QByteArray("\x82\r") + QByteArray("\0\xC0\x80\r", 4);

// The hex columns of bytes a short line does not have.
QString missingBytes(int count)
{
    return QString(qsizetype(count) * 3, u' ');
}

std::string str(const QByteArray &bytes)
{
    return bytes.toStdString();
}

std::u16string_view view(const QString &text)
{
    return { reinterpret_cast<const char16_t *>(text.utf16()), std::size_t(text.size()) };
}

// Lines of 66 bytes as a chatty device sends them: 64 characters and CR LF.
QByteArray deviceLines(int count)
{
    QByteArray all;
    for (int i = 0; i < count; ++i)
        all += QByteArray::number(i).rightJustified(8, '0') + QByteArray(56, char('a' + i % 26))
            + "\r\n";
    return all;
}

// Clear, Save received as…, Show as hex and Log to file…
QList<QAction *> addedActions(QMenu *menu)
{
    const QList<QAction *> all = menu->actions();
    const auto clear = std::find_if(all.begin(), all.end(), [](const QAction *a) {
        return a->text() == QLatin1String("Cl&ear");
    });
    return all.mid(clear - all.begin(), 4);
}

// The menu's items after Log to file…, separators left out.
QList<QAction *> companionActions(QMenu *menu)
{
    QList<QAction *> items;
    bool after = false;
    for (QAction *action : menu->actions()) {
        if (after && !action->isSeparator())
            items << action;
        after = after || action->text() == QStringLiteral("&Log to file…");
    }
    return items;
}

// The area's time as the test moves it: a local date and time, and the calls asked for later,
// run when pass() brings the clock to them.
class AreaTime
{
public:
    QDateTime now { QDate(2026, 1, 2), QTime(12, 0, 0, 0) };

    ReceiveArea::Time time()
    {
        return { [this] { return now; },
                 [this](std::chrono::milliseconds delay, std::function<void()> call) {
                     m_calls.append({ now.addMSecs(delay.count()), std::move(call) });
                 } };
    }
    void pass(int ms)
    {
        const QDateTime end = now.addMSecs(ms);
        for (;;) {
            auto next = std::min_element(m_calls.begin(), m_calls.end(),
                                         [](const Call &a, const Call &b) { return a.at < b.at; });
            if (next == m_calls.end() || next->at > end)
                break;
            const Call call = *next;
            m_calls.erase(next);
            now = std::max(now, call.at);
            call.run();
        }
        now = end;
    }

private:
    struct Call
    {
        QDateTime at;
        std::function<void()> run;
    };
    QList<Call> m_calls;
};

// Whether any line of the area's document is wrapped: a block holds its lines joined by line
// separators, and lays out one line more for every wrap.
int wrappedLines(const QPlainTextEdit &area)
{
    int wrapped = 0;
    for (QTextBlock block = area.document()->begin(); block.isValid(); block = block.next()) {
        const int lines = int(block.text().count(QChar::LineSeparator)) + 1;
        wrapped += block.layout()->lineCount() - lines;
    }
    return wrapped;
}

// A write that fails for real, for any user and without a full disk: the file-size limit.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old {};
    void (*m_oldSignal)(int) = nullptr;
};

// The three ways to open the area's menu.
enum MenuOpening { MenuKey, ShiftF10, RightButton };

// The test plays the device on a pseudo-terminal; the editor opens its slave as port 1.
struct Device : PseudoTerminal
{
    Device() { qputenv("QIE_COM1", slavePath.toLocal8Bit()); }
    ~Device() { qunsetenv("QIE_COM1"); }
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;
};

} // namespace

class TestReceive : public QObject
{
    Q_OBJECT

    FakeDialogService m_dialogs;
    std::optional<ReceiveArea> m_area;
    QTemporaryDir m_settings;

private slots:
    void initTestCase()
    {
        // What the menu's items remember never reaches the operator's settings.
        Settings::useFile(m_settings.filePath(QStringLiteral("receive.ini")));
    }
    void init()
    {
        QFile::remove(m_settings.filePath(QStringLiteral("receive.ini")));
        m_dialogs = {};
        m_area.emplace();
        m_area->setDialogs(m_dialogs);
    }
    void cleanup() { m_area.reset(); }

    // --- Chunks in, text and caret out ------------------------------------------------

    void chunksBecomeLines_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const QByteArrayList &chunks, const char *text) {
            QTest::newRow(name) << chunks << QString::fromUtf8(text);
        };
        row("CR LF is one break", { "A\r\nB" }, "A\nB");
        row("lone CR is a break", { "A\rB" }, "A\nB");
        row("CR LF split between chunks", { "A\r", "\nB" }, "A\nB");
        row("LF chunk after a CR LF chunk", { "A\r\n", "\nB" }, "A\n\nB");
    }
    void chunksBecomeLines()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, text);
        ReceiveArea area;
        area.show();
        for (const QByteArray &chunk : chunks) {
            // Wherever the operator left the caret, new text goes to the end.
            area.moveCursor(QTextCursor::Start);
            area.appendBytes(chunk);
        }
        QCOMPARE(area.toPlainText(), text);
        QCOMPARE(area.textCursor().position(), text.size());
    }

    // --- The bytes ---------------------------------------------------------------------

    void bytesKeepTheMostRecent_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArray>("held");
        QTest::addColumn<qulonglong>("firstOffset");
        QTest::newRow("nothing") << QByteArrayList {} << QByteArray() << 0ULL;
        QTest::newRow("exactly full")
            << QByteArrayList { "abcd", "efgh" } << QByteArray("abcdefgh") << 0ULL;
        QTest::newRow("one over") << QByteArrayList { "abcdefgh", "i" } << QByteArray("bcdefghi")
                                  << 1ULL;
        QTest::newRow("wrapping twice")
            << QByteArrayList { "abcdef", "ghijk", "lmnopq" } << QByteArray("jklmnopq") << 9ULL;
        QTest::newRow("one chunk over capacity")
            << QByteArrayList { "0123456789AB" } << QByteArray("456789AB") << 4ULL;
    }
    void bytesKeepTheMostRecent()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArray, held);
        QFETCH(qulonglong, firstOffset);
        ReceivedBytes bytes(8);
        for (const QByteArray &chunk : chunks)
            bytes.append(str(chunk));
        QCOMPARE(QByteArray::fromStdString(bytes.bytes()), held);
        QCOMPARE(bytes.firstOffset(), firstOffset);
        QCOMPARE(bytes.size(), std::size_t(held.size()));
    }

    void bytesFromAnOffset_data()
    {
        QTest::addColumn<qulonglong>("offset");
        QTest::addColumn<QByteArray>("from");
        QTest::newRow("before the oldest") << 0ULL << QByteArray("efghijkl");
        QTest::newRow("the oldest") << 4ULL << QByteArray("efghijkl");
        QTest::newRow("across the wrap") << 6ULL << QByteArray("ghijkl");
        QTest::newRow("the newest") << 11ULL << QByteArray("l");
        QTest::newRow("past the end") << 20ULL << QByteArray();
    }
    void bytesFromAnOffset()
    {
        QFETCH(qulonglong, offset);
        QFETCH(QByteArray, from);
        ReceivedBytes bytes(8);
        bytes.append("abcdefghij");
        bytes.append("kl");
        QCOMPARE(QByteArray::fromStdString(bytes.bytesFrom(offset)), from);
    }

    // --- The hex view --------------------------------------------------------------------

    void hexLine_data()
    {
        QTest::addColumn<qulonglong>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");
        QTest::newRow("full line, hostile bytes")
            << 16ULL
            << QByteArray("Hello\r\n\0\xFF"
                          "ABCDEFG",
                          16)
            << "00000010  48 65 6C 6C 6F 0D 0A 00 FF 41 42 43 44 45 46 47  Hello....ABCDEFG";
        QTest::newRow("short line keeps the character column")
            << 0ULL << QByteArray("~\x7F ") << "00000000  7E 7F 20" + missingBytes(13) + "  ~. ";
        QTest::newRow("offset past 32 bits")
            << 0x123456780ULL << QByteArray("a") << "123456780  61" + missingBytes(15) + "  a";
    }
    void hexLine()
    {
        QFETCH(qulonglong, offset);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        QCOMPARE(QString::fromStdString(HexDump::line(offset, str(bytes))), line);
    }

    // The narrow layouts: 8 or 4 bytes a line, the character column or none.
    void narrowHexLines_data()
    {
        QTest::addColumn<int>("perRow");
        QTest::addColumn<bool>("characters");
        QTest::addColumn<QString>("text");
        QTest::newRow("8 with characters, short last line")
            << 8 << true
            << "00000000  41 42 43 44 45 46 47 48  ABCDEFGH\n00000008  49 0A" + missingBytes(6)
                + "  I.";
        QTest::newRow("4 without characters, short last line")
            << 4 << false << "00000000  41 42 43 44\n00000004  45 46 47 48\n00000008  49 0A";
    }
    void narrowHexLines()
    {
        QFETCH(int, perRow);
        QFETCH(bool, characters);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(HexDump::lines(0, "ABCDEFGHI\n", perRow, characters)),
                 text);
    }

    void hexLinesLeaveTheLastOneOpen()
    {
        const QByteArray bytes = QByteArray("0123456789abcdefXY");
        const QStringList lines
            = QString::fromStdString(HexDump::lines(32, str(bytes))).split(u'\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QString::fromStdString(HexDump::line(32, str(bytes.left(16)))));
        QCOMPARE(lines[1], QString::fromStdString(HexDump::line(48, "XY")));
    }

    // --- The display text ---------------------------------------------------------------

    void displayText_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("NUL, BEL, DEL shown as symbols")
            << QByteArrayList { QByteArray("\0\a\x7F", 3) }
            << QStringLiteral(u"\u2400\u2407\u2421");
        QTest::newRow("tab kept") << QByteArrayList { "a\tb" } << "a\tb";
        QTest::newRow("UTF-8 split between chunks")
            << QByteArrayList { "\xE3\x81", "\x82" } << QStringLiteral(u"\u3042");
        QTest::newRow("line separator cannot split the display")
            << QByteArrayList { "\xE2\x80\xA8\xE2\x80\xA9\xEF\xBF\xBC" }
            << QStringLiteral(u"\uFFFD\uFFFD\uFFFD");
    }
    void displayText()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, shown);
        ReceiveText text;
        QString all;
        for (const QByteArray &chunk : chunks)
            all += text.append(chunk);
        QCOMPARE(all, shown);
    }

    void longRunBreaks_data()
    {
        QTest::addColumn<QList<int>>("chunkSizes");
        QTest::addColumn<QList<int>>("lineLengths");
        QTest::newRow("one more") << QList<int> { 1025 } << QList<int> { 1024, 1 };
        QTest::newRow("across chunks")
            << QList<int> { 1000, 1000, 1000 } << QList<int> { 1024, 1024, 952 };
    }
    void longRunBreaks()
    {
        QFETCH(QList<int>, chunkSizes);
        QFETCH(QList<int>, lineLengths);
        ReceiveText text;
        QString all;
        for (const int size : chunkSizes)
            all += text.append(QByteArray(size, 'x'));
        QList<int> lengths;
        for (const QString &line : all.split(u'\n'))
            lengths.append(int(line.size()));
        QCOMPARE(lengths, lineLengths);
    }

    void breakKeepsSurrogatePairsWhole()
    {
        ReceiveText text;
        // The pair starts on the last place before the break: it stays whole on that line.
        const QString shown = text.append(QByteArray(1023, 'x') + "\xF0\x9F\x98\x80" + "y");
        const QStringList lines = shown.split(u'\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].right(2), QStringLiteral(u"\U0001F600"));
        QCOMPARE(lines[1], QStringLiteral("y"));
    }

    void lineEndResetsTheBreakCount()
    {
        ReceiveText text;
        const QString shown = text.append(QByteArray(1000, 'x') + "\n" + QByteArray(1000, 'y'));
        QCOMPARE(shown.count(u'\n'), 1);
    }

    // --- The bound --------------------------------------------------------------------

    void historyDropsWholeLines_data()
    {
        QTest::addColumn<QStringList>("appends");
        QTest::addColumn<QList<int>>("drops");
        QTest::addColumn<int>("kept");
        QTest::newRow("under the slack")
            << QStringList { "0123456\n", "0123456\n", "ab" } << QList<int> { 0, 0, 0 } << 18;
        QTest::newRow("over: first line goes")
            << QStringList { "0123456\n", "0123456\n", "abc" } << QList<int> { 0, 0, 8 } << 11;
        QTest::newRow("short lines go to the limit")
            << QStringList { "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\n" } << QList<int> { 4 } << 16;
        QTest::newRow("the last line is never dropped")
            << QStringList { "a\n", QString(30, u'x') } << QList<int> { 0, 2 } << 30;
        QTest::newRow("ends on a line end")
            << QStringList { QString(17, u'x') + "\n", "y\n" } << QList<int> { 0, 18 } << 2;
    }
    void historyDropsWholeLines()
    {
        QFETCH(QStringList, appends);
        QFETCH(QList<int>, drops);
        QFETCH(int, kept);
        DisplayHistory history(16);
        QList<int> dropped;
        for (const QString &text : appends)
            dropped.append(int(history.append(view(text))));
        QCOMPARE(dropped, drops);
        QCOMPARE(int(history.size()), kept);
    }

    void historyChopThenAppend()
    {
        DisplayHistory history(16);
        history.append(u"0123456789\nab");
        history.chop(3); // "\nab" taken off
        QCOMPARE(history.lineCount(), std::size_t(1));
        // The line is long again, only one line: nothing can go.
        QCOMPARE(history.append(u"0123456789"), std::size_t(0));
        QCOMPARE(history.size(), std::size_t(20));
    }

    // --- Files ------------------------------------------------------------------------

    void saveBytesKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("nothing received") << QByteArray();
        QTest::newRow("all 256 byte values") << [] {
            QByteArray all;
            for (int b = 0; b < 256; ++b)
                all.append(char(b));
            return all;
        }();
    }
    void saveBytesKeepsEveryByte()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("received.bin"));
        QVERIFY(QFile(path).open(QIODevice::WriteOnly)); // an older file is replaced
        QCOMPARE(DataFile::saveBytes(path, bytes).has_value(), false);
        QCOMPARE(readAll(path), bytes);
    }

    void saveBytesRefusesLikeDataFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");
        QTest::newRow("missing folder") << "no/such/folder/r.bin" << kErrPathNotFound;
        QTest::newRow("a folder") << "." << kErrAccess;
    }
    void saveBytesRefusesLikeDataFiles()
    {
        QFETCH(QString, name);
        QFETCH(int, number);
        QTemporaryDir dir;
        const auto error = DataFile::saveBytes(dir.filePath(name), "x");
        QVERIFY(error.has_value());
        QCOMPARE(error->number, number);
    }

    void logAppendsEveryChunk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.bin"));
        QVERIFY(writeFile(path, "held before\n"));
        ReceiveLog log;
        QCOMPARE(log.open(path).has_value(), false);
        QCOMPARE(log.write(kHostileFirst).has_value(), false);
        // Each chunk is in the file at once, before the next arrives or the log closes.
        QCOMPARE(readAll(path), "held before\n" + kHostileFirst);
        QCOMPARE(log.write(kHostileSecond).has_value(), false);
        log.close();
        QCOMPARE(log.write("after close").has_value(), false);
        QCOMPARE(readAll(path), "held before\n" + kHostileFirst + kHostileSecond);
    }

    void logRefuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");
        QTest::newRow("missing folder") << "no/such/log.bin" << kErrPathNotFound;
        QTest::newRow("a folder") << "." << kErrAccess;
        QTest::newRow("a FIFO nobody reads") << "fifo" << kErrAccess;
        QTest::newRow("a device") << "/dev/null" << kErrAccess;
    }
    void logRefuses()
    {
        QFETCH(QString, name);
        QFETCH(int, number);
        QTemporaryDir dir;
#ifdef Q_OS_UNIX
        QCOMPARE(
            ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600), 0);
#endif
        ReceiveLog log;
        const auto error = log.open(QDir::isAbsolutePath(name) ? name : dir.filePath(name));
        QVERIFY(error.has_value());
        QCOMPARE(error->number, number);
        QCOMPARE(log.isOpen(), false);
    }

    // --- The area ---------------------------------------------------------------------

    // The area shows the most recent 262144 characters, dropping whole lines from the top,
    // and keeps the most recent 1048576 bytes as they came.
    void areaHoldsTheBoundedHistory()
    {
        ReceiveArea &area = *m_area;
        // Lines of 64 characters as shown (63 and a LF), each starting with its number.
        const auto lines = [](int first, int count) {
            QByteArray all;
            for (int i = first; i < first + count; ++i)
                all += QByteArray::number(i).rightJustified(8, '0') + QByteArray(55, '-') + '\n';
            return all;
        };
        const auto shownChars = [&area] { return area.document()->characterCount() - 1; };
        QByteArray sent = lines(0, 4096);
        area.appendBytes(sent);
        QCOMPARE(shownChars(), 262144);
        // A line at a time until some go: then exactly the bound is left, in whole lines.
        int next = 4096;
        for (int before = shownChars(); shownChars() >= before && next < 2 * 4096; ++next) {
            before = shownChars();
            sent += lines(next, 1);
            area.appendBytes(lines(next, 1));
        }
        QCOMPARE(shownChars(), 262144);
        QCOMPARE(area.toPlainText().left(8), QString::number(next - 4096).rightJustified(8, u'0'));
        sent += QByteArray(1048576, 'z');
        area.appendBytes(QByteArray(1048576, 'z'));
        QCOMPARE(area.receivedBytes().size(), 1048576);
        QCOMPARE(area.receivedBytes(), sent.right(1048576));
    }

    void areaBreaksLongRuns()
    {
        ReceiveArea &area = *m_area;
        for (int i = 0; i < 30; ++i)
            area.appendBytes(QByteArray(100, 'x'));
        QList<int> lengths;
        for (const QString &line : area.toPlainText().split(u'\n'))
            lengths.append(int(line.size()));
        QCOMPARE(lengths, (QList<int> { 1024, 1024, 952 }));
        QCOMPARE(area.receivedBytes(), QByteArray(3000, 'x'));
    }

    void caretAfterEachAppend_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::newRow("many lines") << QByteArrayList { deviceLines(500), "tail" };
        QTest::newRow("long run") << QByteArrayList { QByteArray(5000, 'y') };
    }
    void caretAfterEachAppend()
    {
        QFETCH(QByteArrayList, chunks);
        ReceiveArea &area = *m_area;
        area.resize(300, 170);
        area.show();
        QTextCursor elsewhere = area.textCursor();
        for (const QByteArray &chunk : chunks) {
            area.appendBytes(chunk);
            elsewhere.setPosition(0);
            area.setTextCursor(elsewhere); // the operator clicked somewhere else
        }
        area.appendBytes("!");
        QCOMPARE(area.textCursor().position(), area.document()->characterCount() - 1);
        // The view scrolls by whole lines, so the last one may lose a pixel at the bottom.
        QCOMPARE(area.viewport()->rect().contains(area.cursorRect().center()), true);
    }

    // Lines share paragraphs inside the area; what the operator copies has plain line ends.
    void selectAllAndCopyGivePlainLines()
    {
        ReceiveArea area;
        area.appendBytes("one\r\ntwo\rthree\n" + QByteArray(200, 'x') + "\r\nlast");
        area.selectAll();
        area.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 "one\ntwo\nthree\n" + QString(200, u'x') + "\nlast");
    }

    // The font the area is made with, once it is polished for showing, and a font given
    // later (the window gives its own), are used without shaping.
    void fontStaysUnshaped_data()
    {
        QTest::addColumn<int>("given"); // point size set after the area is made, 0: none
        QTest::addColumn<int>("pointSize");
        const int made = QApplication::font().pointSize();
        QTest::newRow("the font it was made with, polished") << 0 << made;
        QTest::newRow("a font given later") << 13 << 13;
    }
    void fontStaysUnshaped()
    {
        QFETCH(int, given);
        QFETCH(int, pointSize);
        ReceiveArea area;
        if (given != 0)
            area.setFont(QFont(QStringLiteral("Monospace"), given));
        else
            area.ensurePolished();
        QCOMPARE(bool(area.font().styleStrategy() & QFont::PreferNoShaping), true);
        QCOMPARE(area.font().kerning(), false);
        QCOMPARE(area.font().pointSize(), pointSize);
    }

    void hexViewFromTheSameBytes()
    {
        ReceiveArea &area = *m_area;
        area.appendBytes(kHostileFirst);
        area.setHexView(true);
        QCOMPARE(area.toPlainText(), QString::fromLatin1(HexDump::lines(0, str(kHostileFirst))));
        // New bytes keep coming in hex, the open last line completed.
        area.appendBytes(kHostileSecond);
        area.appendBytes(QByteArray(20, 'z'));
        const QByteArray all = kHostileFirst + kHostileSecond + QByteArray(20, 'z');
        QCOMPARE(area.toPlainText(), QString::fromLatin1(HexDump::lines(0, str(all))));
        // Back to text: the same as if it had been text all along.
        area.setHexView(false);
        QCOMPARE(area.toPlainText(), ReceiveText().append(all));
        QCOMPARE(area.receivedBytes(), all);
    }

    void hexViewIsBounded()
    {
        ReceiveArea &area = *m_area;
        area.setHexView(true);
        // 1.3 MB, beyond the bytes kept, and the last hex line open.
        const QByteArray sent = deviceLines(20000) + "end";
        for (qsizetype at = 0; at < sent.size(); at += 999)
            area.appendBytes(
                QByteArrayView(sent).sliced(at, std::min<qsizetype>(999, sent.size() - at)));
        const QString shown = area.toPlainText();
        QVERIFY2(shown.size() <= 262144 * 9 / 8, "far more than the bound");
        QVERIFY2(shown.size() >= 262144 - 80, "fewer characters than the bound");
        const QString lastLine = shown.section(u'\n', -1);
        const qulonglong lastOffset = sent.size() - sent.size() % 16;
        QCOMPARE(
            lastLine,
            QString::fromLatin1(HexDump::line(lastOffset, str(sent.mid(qsizetype(lastOffset))))));
        // Every line is whole: the first starts on a multiple of 16.
        QCOMPARE(shown.left(8).toULongLong(nullptr, 16) % 16, 0ULL);
    }

    void clearEmptiesTextAndBytes_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::newRow("text view") << false;
        QTest::newRow("hex view") << true;
    }
    void clearEmptiesTextAndBytes()
    {
        QFETCH(bool, hex);
        ReceiveArea &area = *m_area;
        area.setHexView(hex);
        area.appendBytes(deviceLines(100));
        area.clearReceived();
        QCOMPARE(area.toPlainText(), QString());
        QCOMPARE(area.receivedBytes(), QByteArray());
        area.appendBytes("ab");
        QCOMPARE(area.receivedBytes(), QByteArray("ab"));
        QCOMPARE(area.toPlainText(),
                 hex ? QString::fromLatin1(HexDump::line(0, "ab")) : QStringLiteral("ab"));
    }

    // --- Timestamps and marker lines ------------------------------------------------------

    // Chunks arrive at the given milliseconds after 12:00:00.000; stamps are turned on before
    // chunk `onAt`.
    void timestampsStartLines_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QList<int>>("atMs");
        QTest::addColumn<int>("onAt");
        QTest::addColumn<QString>("shown");
        QTest::newRow("each line the time of its first byte")
            << QByteArrayList { "ab\r\ncd", "e\r\n", "f" } << QList<int> { 5, 250, 1500 } << 0
            << QStringLiteral("12:00:00.005 ab\n12:00:00.005 cde\n12:00:01.500 f");
        QTest::newRow("lone CR, lone LF, an empty line")
            << QByteArrayList { "a\rb\n\r\nc" } << QList<int> { 7 } << 0
            << QStringLiteral("12:00:00.007 a\n12:00:00.007 b\n12:00:00.007 \n12:00:00.007 c");
        QTest::newRow("CR LF split between chunks ends one line")
            << QByteArrayList { "a\r", "\nb" } << QList<int> { 0, 30 } << 0
            << QStringLiteral("12:00:00.000 a\n12:00:00.030 b");
        QTest::newRow("turned on mid-line: from the next line")
            << QByteArrayList { "ab", "cd\r\ne" } << QList<int> { 0, 40 } << 1
            << QStringLiteral("abcd\n12:00:00.040 e");
        QTest::newRow("the display break gets no stamp")
            << QByteArrayList { QByteArray(1030, 'x') } << QList<int> { 1 } << 0
            << QStringLiteral("12:00:00.001 ") + QString(1024, u'x') + u'\n' + QString(6, u'x');
    }
    void timestampsStartLines()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QList<int>, atMs);
        QFETCH(int, onAt);
        QFETCH(QString, shown);
        AreaTime clock;
        ReceiveArea &area = *m_area;
        area.setTime(clock.time());
        const QDateTime start = clock.now;
        for (int i = 0; i < chunks.size(); ++i) {
            if (i == onAt)
                area.setTimestamps(true);
            clock.now = start.addMSecs(atMs[i]);
            area.appendBytes(chunks[i]);
        }
        QCOMPARE(area.toPlainText(), shown);
        // Display only: the bytes kept are those received.
        QCOMPARE(area.receivedBytes(), chunks.join());
    }

    // A script of steps: "r<bytes>" received, "m" a sent-bytes marker, "w<ms>" time passes,
    // "s" stamps on. The clock starts at 12:00:00.000.
    void markersKeepLinesWhole_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        const QString marker = QStringLiteral("--- sent 3 bytes 12:00:00 ---");
        QTest::newRow("between lines: at once")
            << QStringList { "ra\r\n", "m" } << QStringLiteral("a\n") + marker + u'\n';
        QTest::newRow("mid-line: after the line's end")
            << QStringList { "rab", "m", "w500", "rc\r\nd" }
            << QStringLiteral("abc\n") + marker + QStringLiteral("\nd");
        QTest::newRow("mid-line, 999 ms of silence: still waiting")
            << QStringList { "rab", "m", "w999" } << QStringLiteral("ab");
        QTest::newRow("1 s of silence: its own line, the line goes on stamped")
            << QStringList { "s", "rab", "m", "w1000", "rc" }
            << QStringLiteral("12:00:00.000 ab\n") + marker + QStringLiteral("\n12:00:01.000 c");
        QTest::newRow("bytes during the wait count the second again")
            << QStringList { "rab", "m", "w600", "rc", "w999" } << QStringLiteral("abc");
        QTest::newRow("a second after the last bytes")
            << QStringList { "rab", "m", "w600", "rc", "w999", "w1" }
            << QStringLiteral("abc\n") + marker + u'\n';
        QTest::newRow("the line end after the silence makes no empty line")
            << QStringList { "rab", "m", "w1000", "r\r\nc" }
            << QStringLiteral("ab\n") + marker + QStringLiteral("\nc");
    }
    void markersKeepLinesWhole()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        AreaTime clock;
        ReceiveArea &area = *m_area;
        area.setTime(clock.time());
        QByteArray received;
        for (const QString &step : steps) {
            const QString rest = step.mid(1);
            if (step.startsWith(u'r')) {
                received += rest.toLatin1();
                area.appendBytes(rest.toLatin1());
            } else if (step == QLatin1String("m")) {
                area.addMarker(QStringLiteral("sent 3 bytes"));
            } else if (step.startsWith(u'w')) {
                clock.pass(rest.toInt());
            } else {
                area.setTimestamps(true);
            }
        }
        QCOMPARE(area.toPlainText(), shown);
        QCOMPARE(area.receivedBytes(), received);
    }

    // Markers in their own colour; received text after one in the colour received text has.
    void markersHaveTheirOwnColour()
    {
        ReceiveArea &area = *m_area;
        area.appendBytes("a\r\n");
        area.addMarker(QStringLiteral("reconnected"));
        area.appendBytes("b");
        const QString text = area.toPlainText();
        const auto colourAt = [&](qsizetype at) {
            QTextCursor cursor(area.document());
            cursor.setPosition(int(at) + 1);
            const QTextCharFormat format = cursor.charFormat();
            return format.hasProperty(QTextFormat::ForegroundBrush)
                ? format.foreground().color()
                : area.palette().color(QPalette::Text);
        };
        const QColor received = colourAt(text.indexOf(u'a'));
        QCOMPARE_NE(colourAt(text.indexOf(u'-')), received);
        QCOMPARE(colourAt(text.indexOf(u'b')), received);
    }

    // The two Show items come back checked in the next run.
    void showItemsRemembered_data()
    {
        QTest::addColumn<int>("item"); // 0: timestamps, 1: sent data
        QTest::newRow("Show timestamps") << 0;
        QTest::newRow("Show sent data") << 1;
    }
    void showItemsRemembered()
    {
        QFETCH(int, item);
        {
            std::unique_ptr<QMenu> menu(m_area->createContextMenu());
            const QList<QAction *> items = companionActions(menu.get());
            QCOMPARE(items.value(item)->isChecked(), false);
            items.value(item)->trigger();
        }
        ReceiveArea next;
        std::unique_ptr<QMenu> menu(next.createContextMenu());
        const QList<QAction *> items = companionActions(menu.get());
        QCOMPARE(items.value(item)->isChecked(), true);
        QCOMPARE(items.value(1 - item)->isChecked(), false);
    }

    // --- Send text… and the sent marker -----------------------------------------------------

    // What the device gets for a line typed in the dialog, with each line end; the marker
    // counts those bytes. The test's code page is UTF-8.
    void sendTextSendsTheLine_data()
    {
        QTest::addColumn<int>("end");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<bool>("showSent");
        QTest::newRow("CR LF") << int(SendLine::End::CrLf) << QByteArray("AT+\xC3\xA9\r\n")
                               << QStringLiteral("--- sent 7 bytes 12:00:00 ---\n") << true;
        QTest::newRow("CR") << int(SendLine::End::Cr) << QByteArray("AT+\xC3\xA9\r")
                            << QStringLiteral("--- sent 6 bytes 12:00:00 ---\n") << true;
        QTest::newRow("LF") << int(SendLine::End::Lf) << QByteArray("AT+\xC3\xA9\n")
                            << QStringLiteral("--- sent 6 bytes 12:00:00 ---\n") << true;
        QTest::newRow("none") << int(SendLine::End::None) << QByteArray("AT+\xC3\xA9")
                              << QStringLiteral("--- sent 5 bytes 12:00:00 ---\n") << true;
        QTest::newRow("LF, Show sent data off (the default)")
            << int(SendLine::End::Lf) << QByteArray("AT+\xC3\xA9\n") << QString() << false;
    }
    void sendTextSendsTheLine()
    {
        QFETCH(int, end);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, marker);
        QFETCH(bool, showSent);
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        AreaTime clock;
        auto *area = form.findChild<ReceiveArea *>(QStringLiteral("txtReceiveData"));
        area->setTime(clock.time());
        if (showSent)
            area->setShowSent(true);
        dialogs.sendLine = SendLine { QStringLiteral("AT+é"), SendLine::End(end) };
        const std::string dataText = form.model().sendData();
        std::unique_ptr<QMenu> menu(area->createContextMenu());
        QAction *sendText = companionActions(menu.get()).value(2);
        QCOMPARE(sendText->text(), QStringLiteral("Send te&xt…"));
        QCOMPARE(sendText->isEnabled(), false);
        area->sendText();
        QCOMPARE(port.sent, QByteArray());
        form.Command1_Click();
        QCOMPARE(sendText->isEnabled(), true);
        sendText->trigger();
        QCOMPARE(port.sent, bytes);
        QCOMPARE(area->toPlainText(), marker);
        QCOMPARE(form.model().sendData(), dataText);
        // The line end chosen is offered next time.
        sendText->trigger();
        QCOMPARE(dialogs.offeredEnd, std::optional(SendLine::End(end)));
    }

    // The last 20 lines, most recent first; a line sent again moves to the top.
    void sendTextHistory_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("after");
        QStringList twenty;
        for (int i = 1; i <= 20; ++i)
            twenty << QStringLiteral("line %1").arg(i);
        QTest::newRow("the first line") << QStringList() << "AT" << QStringList { "AT" };
        QTest::newRow("a repeated line moves up")
            << QStringList { "a", "b", "c" } << "b" << QStringList { "b", "a", "c" };
        QTest::newRow("the 21st drops the oldest")
            << twenty << "new" << (QStringList { "new" } + twenty.mid(0, 19));
        QTest::newRow("an empty line is not kept")
            << QStringList { "a" } << "" << QStringList { "a" };
    }
    void sendTextHistory()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, typed);
        QFETCH(QStringList, after);
        FakeDialogService dialogs;
        FakeCommControl port;
        Form1 form(dialogs, port);
        form.Command1_Click();
        auto *area = form.findChild<ReceiveArea *>(QStringLiteral("txtReceiveData"));
        Settings::setValue(QStringLiteral("sendText/history"), before);
        dialogs.sendLine = SendLine { typed, SendLine::End::None };
        area->sendText();
        QCOMPARE(dialogs.offeredHistory, before);
        dialogs.sendLine.reset();
        area->sendText();
        QCOMPARE(dialogs.offeredHistory, after);
    }

    // --- Hex rows fit the width -------------------------------------------------------------

    // The area as wide as the text of `columns` characters of a fixed-pitch font, and half a
    // character: the widest layout of those rows that fits, and no row wraps.
    void hexRowsFit_data()
    {
        QTest::addColumn<double>("columns");
        QTest::addColumn<int>("perRow");
        QTest::addColumn<bool>("characters");
        QTest::newRow("75 columns: 16 bytes and characters") << 75.5 << 16 << true;
        QTest::newRow("74 columns: 16 bytes") << 74.5 << 16 << false;
        QTest::newRow("56 columns: 8 bytes and characters") << 56.5 << 8 << true;
        QTest::newRow("42 columns: 8 bytes") << 42.5 << 8 << false;
        QTest::newRow("32 columns: 4 bytes and characters") << 32.5 << 4 << true;
        QTest::newRow("26 columns: 4 bytes") << 26.5 << 4 << false;
    }
    void hexRowsFit()
    {
        QFETCH(double, columns);
        QFETCH(int, perRow);
        QFETCH(bool, characters);
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(12);
        ReceiveArea &area = *m_area;
        area.setFont(fixed);
        area.show();
        const QFontMetricsF metrics(area.font());
        QCOMPARE(metrics.horizontalAdvance(u'W'), metrics.horizontalAdvance(u'0'));
        // Beside the text: the viewport's frame and scroll bar, the document's margins and
        // the caret.
        const qreal around = area.width() - area.viewport()->width()
            + 2 * area.document()->documentMargin() + area.cursorWidth();
        area.resize(qCeil(columns * metrics.horizontalAdvance(u'0') + around), 200);
        area.appendBytes(QByteArray(100, 'W'));
        area.setHexView(true);
        QCOMPARE(area.hexLayout().bytesPerRow, perRow);
        QCOMPARE(area.hexLayout().characters, characters);
        QCOMPARE(wrappedLines(area), 0);
        QCOMPARE(area.toPlainText().section(u'\n', 0, 0),
                 QString::fromLatin1(
                     HexDump::line(0, std::string(std::size_t(perRow), 'W'), perRow, characters)));
    }

    // A resize that changes the layout shows the rows anew in it.
    void hexRowsFollowAResize()
    {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(12);
        ReceiveArea &area = *m_area;
        area.setFont(fixed);
        area.resize(1000, 200);
        area.show();
        area.appendBytes(QByteArray(40, 'W'));
        area.setHexView(true);
        QCOMPARE(area.hexLayout().bytesPerRow, 16);
        area.resize(200, 200);
        QCOMPARE(area.hexLayout().bytesPerRow, 4);
        QCOMPARE(wrappedLines(area), 0);
        // Bytes that come after it continue the rows of the new layout.
        area.appendBytes(QByteArray(8, 'W'));
        QCOMPARE(area.toPlainText(),
                 QString::fromLatin1(
                     HexDump::lines(0, std::string(48, 'W'), 4, area.hexLayout().characters)));
    }

    void menuHasTheStandardItemsAndOurs()
    {
        ReceiveArea &area = *m_area;
        std::unique_ptr<QMenu> menu(area.createContextMenu());
        QStringList names;
        for (const QAction *action : menu->actions())
            names.append(action->objectName());
        QCOMPARE(names.contains(QStringLiteral("edit-copy")), true);
        QCOMPARE(names.contains(QStringLiteral("select-all")), true);
        QStringList texts;
        QList<bool> checkable;
        for (const QAction *action : addedActions(menu.get())) {
            texts.append(action->text());
            checkable.append(action->isCheckable());
        }
        QCOMPARE(texts,
                 (QStringList { "Cl&ear", "&Save received as…", "Show as &hex", "&Log to file…" }));
        QCOMPARE(checkable, (QList<bool> { false, false, true, true }));
    }

    // Opened by each of the three ways, Clear chosen by its mnemonic.
    void menuOpensAndClears_data()
    {
        QTest::addColumn<int>("open");
        QTest::newRow("Menu key") << int(MenuKey);
        QTest::newRow("Shift+F10") << int(ShiftF10);
        QTest::newRow("right button") << int(RightButton);
    }
    void menuOpensAndClears()
    {
        QFETCH(int, open);
        ReceiveArea &area = *m_area;
        area.show();
        area.activateWindow();
        area.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&area));
        area.appendBytes("to be cleared");
        if (open == MenuKey) {
            QTest::keyClick(&area, Qt::Key_Menu);
        } else if (open == ShiftF10) {
            QTest::keyClick(&area, Qt::Key_F10, Qt::ShiftModifier);
        } else {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    area.mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(area.viewport(), &event);
        }
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QAction *clear = addedActions(menu).first();
        QCOMPARE(clear->text(), QStringLiteral("Cl&ear"));
        QTest::keyClick(menu, Qt::Key_E);
        QCOMPARE(area.toPlainText(), QString());
        QCOMPARE(area.receivedBytes(), QByteArray());
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
    }

    void saveReceivedKeepsEveryByte()
    {
        QTemporaryDir dir;
        ReceiveArea &area = *m_area;
        area.appendBytes(kHostileFirst);
        area.appendBytes(kHostileSecond);
        const QString path = dir.filePath(QStringLiteral("received.bin"));
        m_dialogs.fileNames = QStringList { path };
        std::unique_ptr<QMenu> menu(area.createContextMenu());
        addedActions(menu.get())[1]->trigger();
        QCOMPARE(readAll(path), kHostileFirst + kHostileSecond);
        QCOMPARE(m_dialogs.boxes.size(), 0);
    }

    void saveReceivedFailureShowsTheErrorBox()
    {
        QTemporaryDir dir;
        ReceiveArea &area = *m_area;
        area.appendBytes("data");
        const QString path = dir.filePath(QStringLiteral("no/such/folder/r.bin"));
        m_dialogs.fileNames = QStringList { path };
        area.saveReceivedAs();
        QCOMPARE(m_dialogs.boxes.size(), 1);
        QCOMPARE(m_dialogs.boxes[0].title, QStringLiteral("Error"));
        const QString told = m_dialogs.boxes[0].text;
        QVERIFY2(told.startsWith(QLatin1String("Number : 76\rDescription : ")), qPrintable(told));
    }

    void logToFileFromTheMenu()
    {
        QTemporaryDir dir;
        ReceiveArea &area = *m_area;
        area.appendBytes("before ");
        const QString path = dir.filePath(QStringLiteral("log.bin"));
        m_dialogs.fileNames = QStringList { path };
        std::unique_ptr<QMenu> menu(area.createContextMenu());
        QAction *log = addedActions(menu.get())[3];
        log->trigger();
        QCOMPARE(log->isChecked(), true);
        area.appendBytes(kHostileFirst);
        area.appendBytes(kHostileSecond);
        QCOMPARE(readAll(path), kHostileFirst + kHostileSecond);
        log->trigger();
        QCOMPARE(log->isChecked(), false);
        area.appendBytes("after");
        QCOMPARE(readAll(path), kHostileFirst + kHostileSecond);
    }

    // From the device through the real port into the window, then saved and logged: both
    // files hold exactly what the device sent, across a close and open of the port.
    void portBytesSavedAndLoggedExactly_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::newRow("CR LF split between reads") << QByteArrayList { "A\r", "\nB\r" };
        QTest::newRow("NUL and 0xFF") << QByteArrayList { QByteArray("\0\xFF\0", 3), "\xFF" };
        QTest::newRow("UTF-8 split between reads") << QByteArrayList { "\xE3\x81", "\x82" };
    }
    void portBytesSavedAndLoggedExactly()
    {
        QFETCH(QByteArrayList, chunks);
        Device device;
        QVERIFY2(!device.slavePath.isEmpty(), "no pseudo-terminal could be made");
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("log.bin"));
        const QString savePath = dir.filePath(QStringLiteral("saved.bin"));
        FakeDialogService dialogs;
        SerialPortControl port;
        Form1 form(dialogs, port);
        auto *area = form.findChild<ReceiveArea *>(QStringLiteral("txtReceiveData"));
        auto *openClose = form.findChild<QPushButton *>(QStringLiteral("Command1"));
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("1"));
        dialogs.fileNames = QStringList { logPath, savePath };
        area->setLogging(true);
        QTest::mouseClick(openClose, Qt::LeftButton);
        QCOMPARE(port.portOpen(), true);

        QByteArray sent;
        for (const QByteArray &chunk : chunks) {
            QVERIFY(device.write(chunk));
            sent += chunk;
            QTRY_COMPARE(area->receivedBytes(), sent);
        }
        QTest::mouseClick(openClose, Qt::LeftButton); // closed and opened again: still logging
        QTest::mouseClick(openClose, Qt::LeftButton);
        QCOMPARE(port.portOpen(), true);
        for (const QByteArray &chunk : chunks) {
            QVERIFY(device.write(chunk));
            sent += chunk;
            QTRY_COMPARE(area->receivedBytes(), sent);
        }
        area->saveReceivedAs();
        QCOMPARE(readAll(savePath), sent);
        QCOMPARE(readAll(logPath), sent);
        QCOMPARE(dialogs.boxes.size(), 0);
    }

    void logCancelledStaysOff()
    {
        ReceiveArea &area = *m_area;
        std::unique_ptr<QMenu> menu(area.createContextMenu());
        QAction *log = addedActions(menu.get())[3];
        log->trigger(); // the dialog answers nothing: cancelled
        QCOMPARE(log->isChecked(), false);
        QCOMPARE(area.isLogging(), false);
    }

    void logFailureStopsOnceAndReceptionGoesOn()
    {
        QTemporaryDir dir;
        ReceiveArea &area = *m_area;
        m_dialogs.fileNames = QStringList { dir.filePath(QStringLiteral("log.bin")) };
        area.setLogging(true);
        QCOMPARE(area.isLogging(), true);
        {
            const FileSizeLimit limit(4);
            area.appendBytes("0123456789");
            area.appendBytes("more");
        }
        QCOMPARE(m_dialogs.boxes.size(), 1);
        QCOMPARE(m_dialogs.boxes[0].title, QStringLiteral("Error"));
        QCOMPARE(area.isLogging(), false);
        std::unique_ptr<QMenu> menu(area.createContextMenu());
        QCOMPARE(addedActions(menu.get())[3]->isChecked(), false);
        QCOMPARE(area.toPlainText(), QStringLiteral("0123456789more"));
    }

    // A failed log is said in a box that opens from the event loop, never from inside the
    // reception: while it is up, what the device goes on sending is shown and kept, and when
    // it closes nothing waits for a later byte.
    void receptionGoesOnBehindTheLogBox()
    {
        Device device;
        QVERIFY2(!device.slavePath.isEmpty(), "no pseudo-terminal could be made");
        QTemporaryDir dir;
        HeldDialogs dialogs;
        SerialPortControl port;
        Form1 form(dialogs.hold, port);
        auto *area = form.findChild<ReceiveArea *>(QStringLiteral("txtReceiveData"));
        dialogs.shown.fileNames = QStringList { dir.filePath(QStringLiteral("log.bin")) };
        area->setLogging(true);
        form.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("1"));
        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QCOMPARE(port.portOpen(), true);
        dialogs.clock.pass(std::chrono::seconds(10)); // long after the log's file dialog
        dialogs.shown.whileShown = [&] {
            // The box's own event loop runs; the device keeps sending.
            QVERIFY(device.write("more"));
            QTRY_COMPARE(area->receivedBytes(), QByteArray("0123456789more"));
        };
        {
            const FileSizeLimit limit(4);
            QVERIFY(device.write("0123456789"));
            QTRY_COMPARE(area->receivedBytes(), QByteArray("0123456789"));
        }
        QCOMPARE(area->isLogging(), false);
        QCOMPARE(dialogs.shown.boxes.size(), 0);
        dialogs.clock.pass(std::chrono::milliseconds(0));
        QCOMPARE(dialogs.shown.boxes.size(), 1);
        QCOMPARE(dialogs.shown.boxes[0].kind, FakeDialogService::Kind::Error);
        QCOMPARE(area->toPlainText(), QStringLiteral("0123456789more"));
    }
};

QTEST_MAIN(TestReceive)
#include "test_receive.moc"
