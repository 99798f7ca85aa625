// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FileBytes.h"
#include "files/AtomicFile.h"
#include "files/DataFile.h"
#include "images/ImageExport.h"
#include "images/ImageImport.h"
#include "ui/Form1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qie;
using namespace qie::test;
using Bytes = QByteArray;

namespace {

const QByteArray kOldBytes = "CQ\r\n" + QByteArray("80\r\n").repeated(10);
const QByteArray kCrLf = "\r\n";
// What "Save file" writes right after start-up: no callsign, width 16, all cells off.
const QByteArray kStartUpFile = kCrLf + (QByteArray(32, '0') + kCrLf).repeated(10) + kCrLf;
// "テスト" in Shift-JIS; its bytes are no UTF-8.
const QByteArray kShiftJis = "\x83\x65\x83\x58\x83\x67";
constexpr unsigned kLoadTimeoutSeconds = 20;
constexpr int kSkipStatus = 77;

// Bytes this process has read through system calls so far; -1 where the kernel does not say.
qint64 bytesRead()
{
    const QByteArray io = readAll(QStringLiteral("/proc/self/io"));
    const qsizetype at = io.indexOf("rchar:");
    return at < 0 ? -1 : io.mid(at + 6, io.indexOf('\n', at) - at - 6).trimmed().toLongLong();
}

// A data file of width 1: line 0 `callsign`, lines 1 to 9 `row`, line 10 "F0".
QByteArray dataFile(const QByteArray &callsign, const QByteArray &row)
{
    return callsign + kCrLf + (row + kCrLf).repeated(9) + "F0" + kCrLf;
}

// A caption as a group box shows it: "&&" shows as "&", a single "&" marks the next
// character as the mnemonic and does not show.
QString shownCaption(const QString &caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

// Every entry of a folder, hidden ones included.
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System);
}

struct ::stat statOf(const QString &path)
{
    struct ::stat status
    {
    };
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

// What a row does. Every row runs in a child; the last three restrict it so that saving fails.
enum Operation { Load, Save, SaveAsNobody, SaveOnFullDisk, SaveReadOnlyAsNobody };

// Runs `act` in a forked child where writing into `folder` fails for real, also as root
// (chmod stops nobody there): privileges dropped after a chmod of the folder (to 0555, or to
// 0777 where `prepare` made the file read-only), or a one-page tmpfs in a
// private mount namespace, full once `prepare` has put a file on it. The restriction dies with
// the child. Checks in `act` report their failures as usual; the exit status carries the
// verdict, kSkipStatus when the condition cannot be had here.
template<class Prepare, class Act>
int inChild(Operation operation, const QString &folder, Prepare prepare, Act act)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const QByteArray at = QFile::encodeName(folder);
        const bool ready = (operation != SaveOnFullDisk
                            || (::unshare(CLONE_NEWNS) == 0
                                && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                                && ::mount("tmpfs", at.constData(), "tmpfs", 0, "size=4k") == 0))
            && prepare()
            && ((operation != SaveAsNobody && operation != SaveReadOnlyAsNobody)
                || (::chmod(at.constData(), operation == SaveAsNobody ? 0555 : 0777) == 0
                    && (::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0))));
        if (!ready)
            ::_exit(kSkipStatus);
        act();
        ::_exit(QTest::currentTestFailed() ? 1 : 0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Points this process's descriptor 1 at a new file `path` holding "log\n", appending.
bool redirectStandardOutput(const QString &path)
{
    if (!writeFile(path, "log\n"))
        return false;
    std::fflush(stdout);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND);
    return fd >= 0 && ::dup2(fd, 1) == 1 && ::close(fd) == 0;
}

// Everything a load or a failed operation may or may not change.
struct EditorState
{
    QString dataText, width, callsign, caption;
    std::string sendData;
    QList<int> cells; // differing lists name the first cell that differs
};

// Field by field, so that a failure names the value that changed.
void compareStates(const EditorState &actual, const EditorState &expected)
{
    QCOMPARE(actual.dataText, expected.dataText);
    QCOMPARE(actual.width, expected.width);
    QCOMPARE(actual.callsign, expected.callsign);
    QCOMPARE(actual.caption, expected.caption);
    QCOMPARE(QString::fromStdString(actual.sendData), QString::fromStdString(expected.sendData));
    QCOMPARE(actual.cells, expected.cells);
}

// One editor window with its fakes; files are chosen by answering its file dialog.
struct Editor
{
    test::FakeDialogService dialogs;
    test::FakeCommControl port;
    Form1 form { dialogs, port };

    Editor() { form.show(); }
    QLineEdit *edit(const char *name) const { return form.findChild<QLineEdit *>(name); }
    void click(const char *button)
    {
        QTest::mouseClick(form.findChild<QPushButton *>(button), Qt::LeftButton);
    }
    void press(const char *button, const QString &fileName)
    {
        dialogs.fileNames.append(fileName);
        click(button);
    }
    void save(const QString &name) { press("cmdFileOpen", name); }
    void load(const QString &name) { press("cmdFileOpen2", name); }
    QString prompt() const { return dialogs.boxes.value(0).text; }

    EditorState state() const
    {
        EditorState s { form.dataText(),         edit("txtImagByte")->text(),
                        edit("txtCWID")->text(), form.findChild<QGroupBox *>("framEdit")->title(),
                        form.model().sendData(), {} };
        for (int i = 0; i < Document::kCellCount; ++i)
            s.cells.push_back(form.model().cell(i % 64, i / 64)
                              + 2 * form.model().mask(i % 64, i / 64));
        return s;
    }

    // Far from the start-up state: a callsign, width 3, a few cells on.
    void makeEdits()
    {
        edit("txtCWID")->setText(QStringLiteral("JA1XYZ"));
        edit("txtImagByte")->setText(QStringLiteral("3"));
        form.cmdUpDate_Click();
        for (const int cell : { 0, 9, 65, 700 })
            form.picField_Click(cell);
    }
};

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    // Line 0 is the callsign, lines 1 to 9 `row`, line 10 `lastRow`, each ended by `end`;
    // `last` follows line 10. `digits` hex digits of each row are read, and their bytes' cells
    // are open.
    void loadSetsEditor_data()
    {
        QTest::addColumn<Bytes>("callsign");
        QTest::addColumn<Bytes>("row");
        QTest::addColumn<Bytes>("lastRow");
        QTest::addColumn<Bytes>("end");
        QTest::addColumn<Bytes>("last");
        QTest::addColumn<QString>("width");
        QTest::addColumn<int>("digits");
        const QByteArray f2 = "F0", f4 = "8f1e", f7 = "FA50C3D", crLf = kCrLf, cr = "\r", no;
        const QByteArray zeros(32, '0'), longest(DataFile::kMaxLoadBytes - 21, 'C');
        QTest::newRow("start-up file") << no << zeros << zeros << crLf << crLf << "16" << 32;
        QTest::newRow("last line without end") << f2 << f2 << f2 << crLf << no << "1" << 2;
        QTest::newRow("CR ends, line 11") << f2 << f2 << f2 << cr << cr + f2 + cr << "1" << 2;
        QTest::newRow("line 10 of 7") << f2 << f7 << f7 << crLf << crLf << "3." << 6;
        QTest::newRow("line 10 empty") << f2 << f7 << no << crLf << crLf << "0" << 0;
        QTest::newRow("row shorter") << f2 << f2.left(1) << f7 << crLf << crLf << "3." << 6;
        QTest::newRow("lowercase") << f2 << f4 << f4 << crLf << crLf << "2" << 4;
        QTest::newRow("callsign of 15") << f7 + f7 + "A" << f2 << f2 << crLf << crLf << "1" << 2;
        QTest::newRow("line 10 ends at the bound")
            << longest << no << no << crLf << crLf << "0" << 0;
    }

    void loadSetsEditor()
    {
        QFETCH(Bytes, callsign);
        QFETCH(Bytes, row);
        QFETCH(Bytes, lastRow);
        QFETCH(Bytes, end);
        QFETCH(Bytes, last);
        QFETCH(QString, width);
        QFETCH(int, digits);
        QTemporaryDir dir;
        const QString path = dir.filePath("in.txt"), out = dir.filePath("out.txt");
        Editor editor;
        editor.save(out); // 344 bytes
        QCOMPARE(readAll(out), kStartUpFile);

        const QList<QByteArray> lines
            = QList<QByteArray> { callsign } + QList<QByteArray>(9, row) + QList { lastRow };
        QVERIFY(writeFile(path, lines.mid(0, 10).join(end) + end + lastRow + last));
        editor.makeEdits();
        editor.load(path);
        const EditorState loaded = editor.state();
        const QString asRead = QString::fromLatin1(lines.join(kCrLf) + kCrLf);
        QCOMPARE(editor.dialogs.boxes.size(), 0);
        QCOMPARE(loaded.width, width);
        QCOMPARE(loaded.callsign, QString::fromLatin1(callsign.left(12)));
        QCOMPARE(loaded.caption, QStringLiteral("file name = in.txt"));
        QCOMPARE(loaded.dataText, asRead);
        QCOMPARE(QString::fromStdString(loaded.sendData), asRead);
        // Rows 1 to 10 fill image rows 0 to 9 with their first 16 digits, 10 to 19 with the rest.
        for (int i = 0; i < Document::kCellCount; ++i) {
            const int column = i % 64 + (i >= 640 ? 64 : 0), digit = column / 4;
            const QByteArray &line = lines[i / 64 % 10 + 1];
            const int bits = digit < digits ? line.mid(digit, 1).toInt(nullptr, 16) : 0;
            QCOMPARE(loaded.cells[i], (bits >> (3 - column % 4) & 1) + 2 * (digit >= digits));
        }

        // Until the next edit, the file's own lines, lowercase included, are what is saved.
        QVERIFY(writeFile(out, QByteArray(100000, 'x'))); // a longer old file is replaced whole
        editor.save(out);
        QCOMPARE(readAll(out), asRead.toLatin1() + kCrLf);
    }

    // Each row runs in a child, where the failure is real also as root. The folder holds a
    // data file keep.txt, which the editor has loaded and then edited, and in.txt with `bytes`;
    // `target` names what is saved or loaded: a file there, "pipe" (a FIFO), "dev" (a device),
    // "sparse" (100 MB without a line end), a missing one, an absolute path, or "" (dialog closed).
    void failureChangesNothing_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("target");
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("says");
        const QByteArray no, lf = QByteArray("00\n").repeated(12),
                             ten = QByteArray("00\r\n").repeated(10);
        const QByteArray wide = kCrLf.repeated(10) + QByteArray(32768, '0');
        const QByteArray beyond
            = QByteArray(DataFile::kMaxLoadBytes - 21, 'C') + kCrLf.repeated(10) + "F\r\n";
        const int past = kErrPastEnd, access = kErrAccess;
        QTest::newRow("load LF ends") << +Load << "in.txt" << lf << past << "";
        QTest::newRow("load 10 lines") << +Load << "in.txt" << ten << past << "";
        QTest::newRow("load empty file") << +Load << "in.txt" << no << past << "";
        QTest::newRow("load line 10 of 32768") << +Load << "in.txt" << wide << kErrOverflow << "";
        QTest::newRow("load line 10 ending past bound")
            << +Load << "in.txt" << beyond << past << "";
        QTest::newRow("load 100 MB without line ends") << +Load << "sparse" << no << past << "";
        QTest::newRow("load missing file") << +Load << "no.txt" << no << kErrFileNotFound << "";
        QTest::newRow("load FIFO without a writer") << +Load << "pipe" << no << access << "";
        QTest::newRow("load endless device") << +Load << "/dev/zero" << no << access << "";
        QTest::newRow("load dialog closed") << +Load << "" << no << 0 << "";
        QTest::newRow("save dialog closed") << +Save << "" << no << 0 << "";
        QTest::newRow("save, no folder") << +Save << "no/x" << no << kErrPathNotFound << "";
        QTest::newRow("as nobody") << +SaveAsNobody << "keep.txt" << no << kErrPermission << "";
        // The folder would let the file be replaced; its mode says it must not be.
        QTest::newRow("read-only file, as nobody")
            << +SaveReadOnlyAsNobody << "keep.txt" << no << kErrPermission << "";
        QTest::newRow("disk full") << +SaveOnFullDisk << "keep.txt" << no << kErrDiskFull << "";
        QTest::newRow("save onto FIFO") << +Save << "pipe" << no << access << "";
        QTest::newRow("save onto device") << +Save << "dev" << no << access << "";
        // Standard output redirected to a file: that file is not the one to replace.
        QTest::newRow("save onto /dev/stdout")
            << +Save << "/dev/stdout" << no << access << "is not a regular file";
        QTest::newRow("save through a link into a missing folder")
            << +Save << "dangling" << no << kErrPathNotFound
            << "leads to \"{box}/nowhere/deeper/x.txt\", and the folder \"{box}/nowhere\" does "
               "not exist";
    }

    void failureChangesNothing()
    {
        // Plain variables, not a structured binding: the steps below are lambdas, and clang
        // before 16 (the one clang-tidy uses here) cannot capture a binding.
        QFETCH(int, operation);
        QFETCH(QString, target);
        QFETCH(Bytes, bytes);
        QFETCH(int, error);
        QFETCH(QString, says);

        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755))); // for nobody
        const QString box = dir.filePath(QStringLiteral("box"));
        QVERIFY(QDir().mkdir(box));
        const QString keep = box + QStringLiteral("/keep.txt");
        const QString log = box + QStringLiteral("/log.txt");
        const QString path
            = target.isEmpty() || target.startsWith(u'/') ? target : box + u'/' + target;
        const QByteArray node = QFile::encodeName(path);
        const auto prepare = [&] {
            return writeFile(keep, kOldBytes) && writeFile(box + QStringLiteral("/in.txt"), bytes)
                && (target != u"pipe" || ::mkfifo(node.constData(), 0644) == 0)
                && (target != u"dev"
                    || ::mknod(node.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0)
                && (target != u"sparse"
                    || (writeFile(path, {}) && ::truncate(node.constData(), 100 << 20) == 0))
                && (operation != SaveReadOnlyAsNobody
                    || ::chmod(QFile::encodeName(keep).constData(), 0444) == 0)
                && (target != u"dangling"
                    || QFile::link(QStringLiteral("nowhere/deeper/x.txt"), path))
                && (target != u"/dev/stdout" || redirectStandardOutput(log));
        };
        // A node replaced by a plain file shows among the regular files.
        const auto listing = [&] {
            return QDir(box).entryList(QDir::Files)
                + QDir(box).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        };
        const auto act = [&] {
            Editor editor;
            editor.load(keep);
            editor.makeEdits();
            // The caption too: it names a file only once that file holds the data text.
            const EditorState expected = editor.state();
            const QStringList entries = listing();
            const qint64 readBefore = bytesRead();
            ::alarm(kLoadTimeoutSeconds); // a load that blocks is killed, failing the row
            operation == Load ? editor.load(path) : editor.save(path);
            ::alarm(0);
            // The bound, the byte that tells whether there is more, and the reads of /proc.
            if (readBefore >= 0)
                QCOMPARE_LE(bytesRead() - readBefore, DataFile::kMaxLoadBytes + 4097);
            QCOMPARE(editor.dialogs.boxes.size(), error ? 1 : 0);
            const QString number = QStringLiteral("Number : %1\rDescription : ").arg(error);
            if (error) {
                QVERIFY2(editor.prompt().startsWith(number), qPrintable(editor.prompt()));
                QVERIFY2(editor.prompt().contains(path), qPrintable(editor.prompt()));
                QVERIFY2(editor.prompt().contains(QString(says).replace("{box}", box)),
                         qPrintable(editor.prompt()));
            }
            compareStates(editor.state(), expected);
            QCOMPARE(readAll(keep), kOldBytes);
            if (target == u"/dev/stdout")
                QCOMPARE(readAll(log), QByteArray("log\n"));
            QCOMPARE(listing(), entries);
        };
        const int status = inChild(Operation(operation), box, prepare, act);
        QFile::setPermissions(box, QFile::Permissions(0x7755));
        if (status == kSkipStatus)
            QSKIP("no private tmpfs, device node or drop of privileges to be had here");
        QCOMPARE(status, 0);
    }
    // A file with lines 0 to 9 that the system's code page (UTF-8 here) cannot read as such: it
    // is loaded, saved and sent byte for byte. `shown` is what the callsign box shows of line
    // 0. A click then rewrites the rows, and line 0 keeps the bytes behind the box: `kept`.
    void loadedBytesKept_data()
    {
        QTest::addColumn<Bytes>("callsign");
        QTest::addColumn<Bytes>("row");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<Bytes>("kept");
        const QByteArray bom = "\xEF\xBB\xBF", invalid = "JA\xC0\xAF\xFF";
        const QString replaced = QStringLiteral("\uFFFD");
        QTest::newRow("byte-order marks") << bom + "CQ" << bom + "F0"
                                          << "CQ" << bom + "CQ";
        QTest::newRow("Shift-JIS") << kShiftJis << "F" + kShiftJis.left(2)
                                   << replaced + "e" + replaced + "X" + replaced + "g" << kShiftJis;
        QTest::newRow("invalid UTF-8")
            << invalid << Bytes("F\xFF") << "JA" + replaced.repeated(3) << invalid;
        QTest::newRow("longer than the box")
            << Bytes(15, '\xFF') << Bytes("F0") << replaced.repeated(12) << Bytes(12, '\xFF');
        QTest::newRow("sequence broken off at the end")
            << Bytes("CQ\xE3\x81") << Bytes("F0\xE3") << "CQ" + replaced.repeated(2)
            << Bytes("CQ\xE3\x81");
    }

    void loadedBytesKept()
    {
        QFETCH(Bytes, callsign);
        QFETCH(Bytes, row);
        QFETCH(QString, shown);
        QFETCH(Bytes, kept);
        QTemporaryDir dir;
        const QString in = dir.filePath("in.txt"), out = dir.filePath("out.txt");
        const QByteArray file = dataFile(callsign, row);
        QVERIFY(writeFile(in, file));
        Editor editor;
        editor.load(in);
        QCOMPARE(editor.edit("txtCWID")->text(), shown);
        editor.save(out);
        QCOMPARE(readAll(out), file + kCrLf);
        editor.click("Command1");
        editor.click("cmdSendData");
        QCOMPARE(editor.port.sent, file);

        editor.form.picField_Click(4); // row 0: F0 becomes F8
        const QByteArray edited = kept + "\r\nF8\r\n" + QByteArray("F0\r\n").repeated(9);
        editor.save(out);
        QCOMPARE(readAll(out), edited + kCrLf);
        editor.port.sent.clear();
        editor.click("cmdSendData");
        QCOMPARE(editor.port.sent, edited);
        QCOMPARE(editor.dialogs.boxes.size(), 0);
    }

    // Once the operator changes the callsign box, line 0 is what the box shows, in the system's
    // code page; `erase` characters are taken off its end with Backspace, then `typed` typed.
    // Only the characters the operator left at the start keep the bytes they came from.
    void typedCallsignEncoded_data()
    {
        QTest::addColumn<Bytes>("callsign");
        QTest::addColumn<int>("erase");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Bytes>("written");
        QTest::newRow("typed over Shift-JIS") << kShiftJis << 6 << "JA1" << Bytes("JA1");
        QTest::newRow("typed after Shift-JIS")
            << kShiftJis << 0 << "1" << QStringLiteral("\uFFFDe\uFFFDX\uFFFDg1").toUtf8();
        QTest::newRow("end erased") << Bytes("JA\xFF\xFF") << 1 << "" << Bytes("JA\xFF");
        QTest::newRow("beyond ASCII typed") << Bytes("CQ") << 2 << "Ä1" << Bytes("\xC3\x84\x31");
    }

    void typedCallsignEncoded()
    {
        QFETCH(Bytes, callsign);
        QFETCH(int, erase);
        QFETCH(QString, typed);
        QFETCH(Bytes, written);
        QTemporaryDir dir;
        const QString in = dir.filePath("in.txt"), out = dir.filePath("out.txt");
        QVERIFY(writeFile(in, dataFile(callsign, "F0")));
        Editor editor;
        editor.load(in);
        QLineEdit *box = editor.edit("txtCWID");
        box->end(false);
        for (int i = 0; i < erase; ++i)
            QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, typed);
        editor.form.picField_Click(4);
        editor.save(out);
        QCOMPARE(readAll(out).split('\r').value(0), written);
    }

    // The caption names the file as it is called, "&" included, and makes no Alt shortcut.
    void captionShowsNameAsIs_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("name");
        QTest::newRow("load R&D.txt") << +Load << "R&D.txt";
        QTest::newRow("save R&D.txt") << +Save << "R&D.txt";
        QTest::newRow("save &&a&") << +Save << "&&a&";
    }

    void captionShowsNameAsIs()
    {
        QFETCH(int, operation);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(writeFile(path, kStartUpFile));
        Editor editor;
        operation == Load ? editor.load(path) : editor.save(path);
        const QString title = editor.form.findChild<QGroupBox *>("framEdit")->title();
        QCOMPARE(shownCaption(title), "file name = " + name);
        QCOMPARE(QKeySequence::mnemonic(title), QKeySequence());
    }

    // Names up to the system's limit of 255 bytes save, a new file or over an old one, and
    // nothing else is left in the folder.
    void longNameSaves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("existing");
        QTest::newRow("255 bytes, new") << QString(255, u'n') << false;
        QTest::newRow("255 bytes of UTF-8, replaced") << QStringLiteral("あ").repeated(85) << true;
    }

    void longNameSaves()
    {
        QFETCH(QString, name);
        QFETCH(bool, existing);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (existing)
            QVERIFY(writeFile(path, kOldBytes));
        Editor editor;
        editor.save(path);
        QCOMPARE(editor.prompt(), QString());
        QCOMPARE(readAll(path), kStartUpFile);
        QCOMPARE(entries(dir.path()), QStringList { name });
    }

    // A replaced file keeps its permission bits, its owner and its group; a new one gets what
    // any new file gets under the umask 022. `owner` and `group` -1: this process's own.
    void saveKeepsModeAndOwner_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("owner");
        QTest::addColumn<int>("group");
        QTest::newRow("new file") << false << 0644 << -1 << -1;
        QTest::newRow("mode 0640") << true << 0640 << -1 << -1;
        QTest::newRow("mode 02755, set-group bit") << true << 02755 << -1 << -1;
        QTest::newRow("another user's file, as root") << true << 0600 << 65534 << 65534;
    }

    void saveKeepsModeAndOwner()
    {
        QFETCH(bool, existing);
        QFETCH(int, mode);
        QFETCH(int, owner);
        QFETCH(int, group);
        if ((owner >= 0 || group >= 0) && ::geteuid() != 0)
            QSKIP("giving a file to another user takes root");
        QTemporaryDir dir;
        const QString path = dir.filePath("keep.txt");
        const QByteArray name = QFile::encodeName(path);
        if (existing) {
            QVERIFY(writeFile(path, kOldBytes));
            QCOMPARE(::chown(name.constData(), owner, group), 0);
            QCOMPARE(::chmod(name.constData(), mode), 0);
        }
        const mode_t umask = ::umask(022);
        Editor editor;
        editor.save(path);
        ::umask(umask);
        const struct ::stat status = statOf(path);
        QCOMPARE(readAll(path), kStartUpFile);
        QCOMPARE(int(status.st_mode & 07777), mode);
        QCOMPARE(status.st_uid, owner < 0 ? ::geteuid() : uid_t(owner));
        QCOMPARE(status.st_gid, group < 0 ? ::getegid() : gid_t(group));
    }

    // The temporary file a save writes into is never more readable than the file it replaces,
    // from its creation on: only the old owner's bits at first (under the umask 022).
    void temporaryFileNoMoreReadable_data()
    {
        QTest::addColumn<int>("oldMode");
        QTest::addColumn<int>("temporaryMode");
        QTest::newRow("replacing 0600") << 0600 << 0600;
        QTest::newRow("replacing 0644") << 0644 << 0600;
        QTest::newRow("replacing 0200") << 0200 << 0200;
        QTest::newRow("new file") << -1 << 0644;
    }

    void temporaryFileNoMoreReadable()
    {
        QFETCH(int, oldMode);
        QFETCH(int, temporaryMode);
        QTemporaryDir dir;
        const QString path = dir.filePath("data.txt");
        if (oldMode >= 0) {
            QVERIFY(writeFile(path, kOldBytes));
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(oldMode)), 0);
        }
        const mode_t umask = ::umask(022);
        AtomicFile file(path);
        const bool opened = file.open();
        ::umask(umask);
        QVERIFY(opened);
        QStringList temporary = entries(dir.path());
        temporary.removeAll(QStringLiteral("data.txt"));
        QCOMPARE(temporary.size(), 1);
        QCOMPARE(int(statOf(dir.filePath(temporary.front())).st_mode & 07777), temporaryMode);
    }

    // Saving through a symbolic link (folder "a") replaces the file it leads to (folder "b")
    // in that file's folder and leaves the link a link; `link` is what the link holds, `via`
    // a second link between them when not empty.
    void saveFollowsLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("via");
        QTest::addColumn<bool>("existing");
        QTest::newRow("to another folder") << "../b/data.txt"
                                           << "" << true;
        QTest::newRow("absolute") << "/b/data.txt"
                                  << "" << true;
        QTest::newRow("chain of two") << "second.txt"
                                      << "../b/data.txt" << true;
        QTest::newRow("to no file yet") << "../b/data.txt"
                                        << "" << false;
    }

    void saveFollowsLinks()
    {
        QFETCH(QString, link);
        QFETCH(QString, via);
        QFETCH(bool, existing);
        QTemporaryDir dir;
        const QString a = dir.filePath("a"), b = dir.filePath("b");
        QVERIFY(QDir().mkdir(a));
        QVERIFY(QDir().mkdir(b));
        if (link.startsWith(u'/'))
            link.prepend(dir.path());
        QVERIFY(QFile::link(link, a + "/link.txt"));
        if (!via.isEmpty())
            QVERIFY(QFile::link(via, a + "/second.txt"));
        if (existing)
            QVERIFY(writeFile(b + "/data.txt", kOldBytes));
        const QStringList inA = entries(a);
        Editor editor;
        editor.save(a + "/link.txt");
        QCOMPARE(editor.prompt(), QString());
        QCOMPARE(readAll(b + "/data.txt"), kStartUpFile);
        QCOMPARE(QFileInfo(a + "/link.txt").isSymLink(), true);
        QCOMPARE(entries(a), inA);
        QCOMPARE(entries(b), QStringList { "data.txt" });
    }

    // Import reads only regular files, and export writes only those: a FIFO neither blocks
    // nor is replaced.
    void importAndExportRefuseFifos()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("images.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const ImportResult imported = ImageImport::fromFile(fifo);
        QVERIFY2(imported.error.contains(QLatin1String("is not a regular file")),
                 qPrintable(imported.error));
        QString error;
        QCOMPARE(ImageExport::savePng(Picture(), 1, fifo, &error), false);
        QVERIFY2(error.contains(QLatin1String("is not a regular file")), qPrintable(error));
        QCOMPARE(statOf(fifo).st_mode & S_IFMT, mode_t(S_IFIFO));
    }
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
