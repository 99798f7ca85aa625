// SPDX-License-Identifier: MIT
#include "DataRows.h"
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "files/DataFile.h"
#include "ui/Form1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
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
constexpr unsigned kLoadTimeoutSeconds = 20;
constexpr int kSkipStatus = 77;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Bytes this process has read through system calls so far; -1 where the kernel does not say.
qint64 bytesRead()
{
    const QByteArray io = readAll(QStringLiteral("/proc/self/io"));
    const qsizetype at = io.indexOf("rchar:");
    return at < 0 ? -1 : io.mid(at + 6, io.indexOf('\n', at) - at - 6).trimmed().toLongLong();
}

// What a row does. Every row runs in a child; the last two restrict it so that saving fails.
enum Operation { Load, Save, SaveAsNobody, SaveOnFullDisk };

// Runs `act` in a forked child where writing into `folder` fails for real, also as root
// (chmod stops nobody there): privileges dropped after a chmod, or a one-page tmpfs in a
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
            && (operation != SaveAsNobody
                || (::chmod(at.constData(), 0555) == 0
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

// Everything a load or a failed operation may or may not change.
struct EditorState
{
    QString dataText, width, callsign, caption;
    std::string sendData;
    std::vector<int> cells;
    bool operator==(const EditorState &) const = default;
};

// One editor window with its fakes; files are chosen by answering its file dialog.
struct Editor
{
    test::FakeDialogService dialogs;
    test::FakeCommControl port;
    Form1 form { dialogs, port };

    Editor() { form.show(); }
    QLineEdit *edit(const char *name) const { return form.findChild<QLineEdit *>(name); }
    void press(const char *button, const QString &fileName)
    {
        dialogs.fileNames.append(fileName);
        QTest::mouseClick(form.findChild<QPushButton *>(button), Qt::LeftButton);
    }
    void save(const QString &name) { press("cmdFileOpen", name); }
    void load(const QString &name) { press("cmdFileOpen2", name); }
    QString prompt() const { return dialogs.boxes.value(0).text; }

    EditorState state() const
    {
        EditorState s { form.dataText(),         edit("txtImagByte")->text(),
                        edit("txtCWID")->text(), form.findChild<QGroupBox *>("framEdit")->title(),
                        form.model().sendData(), {} };
        for (int i = 0; i < ImageModel::kCellCount; ++i)
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
        columns<Bytes, Bytes, Bytes, Bytes, Bytes, QString, int>("callsign", "row", "lastRow",
                                                                 "end", "last", "width", "digits");
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
        const auto [callsign, row, lastRow, end, last, width, digits]
            = fetch<Bytes, Bytes, Bytes, Bytes, Bytes, QString, int>(
                "callsign", "row", "lastRow", "end", "last", "width", "digits");
        QTemporaryDir dir;
        const QString path = dir.filePath("in.txt"), out = dir.filePath("out.txt");
        Editor editor;
        editor.save(out); // 344 bytes
        QCOMPARE(readAll(out), kCrLf + (QByteArray(32, '0') + kCrLf).repeated(10) + kCrLf);

        const QList<QByteArray> lines
            = QList<QByteArray> { callsign } + QList<QByteArray>(9, row) + QList { lastRow };
        QVERIFY(writeFile(path, lines.mid(0, 10).join(end) + end + lastRow + last));
        editor.makeEdits();
        editor.load(path);
        const EditorState loaded = editor.state();
        const QString asRead = QString::fromLatin1(lines.join(kCrLf) + kCrLf);
        QCOMPARE(editor.dialogs.boxes.size(), 0);
        QCOMPARE(QStringList({ loaded.width, loaded.callsign, loaded.caption, loaded.dataText,
                               QString::fromStdString(loaded.sendData) }),
                 QStringList({ width, QString::fromLatin1(callsign.left(12)), "file name = in.txt",
                               asRead, asRead }));
        // Rows 1 to 10 fill image rows 0 to 9 with their first 16 digits, 10 to 19 with the rest.
        for (int i = 0; i < ImageModel::kCellCount; ++i) {
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
        columns<int, QString, Bytes, int>("operation", "target", "bytes", "error");
        const QByteArray no, lf = QByteArray("00\n").repeated(12),
                             ten = QByteArray("00\r\n").repeated(10);
        const QByteArray wide = kCrLf.repeated(10) + QByteArray(32768, '0');
        const QByteArray beyond
            = QByteArray(DataFile::kMaxLoadBytes - 21, 'C') + kCrLf.repeated(10) + "F\r\n";
        namespace File = DataFile;
        const int past = File::kErrPastEnd, access = File::kErrAccess;
        QTest::newRow("load LF ends") << +Load << "in.txt" << lf << past;
        QTest::newRow("load 10 lines") << +Load << "in.txt" << ten << past;
        QTest::newRow("load empty file") << +Load << "in.txt" << no << past;
        QTest::newRow("load line 10 of 32768") << +Load << "in.txt" << wide << kErrOverflow;
        QTest::newRow("load line 10 ending past bound") << +Load << "in.txt" << beyond << past;
        QTest::newRow("load 100 MB without line ends") << +Load << "sparse" << no << past;
        QTest::newRow("load missing file") << +Load << "no.txt" << no << File::kErrFileNotFound;
        QTest::newRow("load FIFO without a writer") << +Load << "pipe" << no << access;
        QTest::newRow("load endless device") << +Load << "/dev/zero" << no << access;
        QTest::newRow("load dialog closed") << +Load << "" << no << 0;
        QTest::newRow("save dialog closed") << +Save << "" << no << 0;
        QTest::newRow("save, no folder") << +Save << "no/x" << no << File::kErrPathNotFound;
        QTest::newRow("as nobody") << +SaveAsNobody << "keep.txt" << no << File::kErrPermission;
        QTest::newRow("disk full") << +SaveOnFullDisk << "keep.txt" << no << File::kErrDiskFull;
        QTest::newRow("save onto FIFO") << +Save << "pipe" << no << access;
        QTest::newRow("save onto device") << +Save << "dev" << no << access;
    }

    void failureChangesNothing()
    {
        // Plain variables, not a structured binding: the steps below are lambdas, and clang
        // before 16 (the one clang-tidy uses here) cannot capture a binding.
        QFETCH(int, operation);
        QFETCH(QString, target);
        QFETCH(Bytes, bytes);
        QFETCH(int, error);

        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755))); // for nobody
        const QString box = dir.filePath(QStringLiteral("box"));
        QVERIFY(QDir().mkdir(box));
        const QString keep = box + QStringLiteral("/keep.txt");
        const QString path
            = target.isEmpty() || target.startsWith(u'/') ? target : box + u'/' + target;
        const QByteArray node = QFile::encodeName(path);
        const auto prepare = [&] {
            return writeFile(keep, kOldBytes) && writeFile(box + QStringLiteral("/in.txt"), bytes)
                && (target != u"pipe" || ::mkfifo(node.constData(), 0644) == 0)
                && (target != u"dev"
                    || ::mknod(node.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0)
                && (target != u"sparse"
                    || (writeFile(path, {}) && ::truncate(node.constData(), 100 << 20) == 0));
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
            EditorState expected = editor.state();
            if (operation != Load)
                expected.caption = QStringLiteral("file name = ") + QFileInfo(path).fileName();
            const QStringList entries = listing();
            const qint64 readBefore = bytesRead();
            ::alarm(kLoadTimeoutSeconds); // a load that blocks is killed, failing the row
            operation == Load ? editor.load(path) : editor.save(path);
            ::alarm(0);
            // The bound, the byte that tells whether there is more, and the reads of /proc.
            QVERIFY2(readBefore < 0 || bytesRead() - readBefore <= DataFile::kMaxLoadBytes + 4097,
                     "read past the bound");
            QCOMPARE(editor.dialogs.boxes.size(), error ? 1 : 0);
            const QString number = QStringLiteral("Number : %1\rDescription : ").arg(error);
            QVERIFY2(!error
                         || (editor.prompt().startsWith(number) && editor.prompt().contains(path)),
                     qPrintable(editor.prompt()));
            QVERIFY(editor.state() == expected);
            QCOMPARE(readAll(keep), kOldBytes);
            QCOMPARE(listing(), entries);
        };
        const int status = inChild(Operation(operation), box, prepare, act);
        QFile::setPermissions(box, QFile::Permissions(0x7755));
        if (status == kSkipStatus)
            QSKIP("no private tmpfs, device node or drop of privileges to be had here");
        QCOMPARE(status, 0);
    }
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
