// SPDX-License-Identifier: MIT
#include "IsolatedRun.h"
#include "files/DataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <future>
#include <string>
#include <sys/sysmacros.h>

using namespace qie;
using qie::test::IsolatedRun;

namespace {

const QByteArray kOldBytes = "old contents\r\n";

QByteArray joined(const QList<QByteArray> &lines, const QByteArray &end)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + end;
    return bytes;
}

QList<QByteArray> numberedLines(int count)
{
    QList<QByteArray> lines;
    for (int i = 0; i < count; ++i)
        lines.append("L" + QByteArray::number(i));
    return lines;
}

QStringList texts(const QList<QByteArray> &lines)
{
    QStringList list;
    for (const QByteArray &line : lines)
        list.append(QString::fromUtf8(line));
    return list;
}

// The data text of a fresh editor: empty callsign, width 16, all cells off.
QString startupDataText()
{
    QString text = QStringLiteral("\r\n");
    for (int row = 0; row < 10; ++row)
        text += QString(32, u'0') + QStringLiteral("\r\n");
    return text;
}

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

QString kindOf(const QString &path)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("none");
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("link");
    if (S_ISFIFO(status.st_mode))
        return QStringLiteral("fifo");
    if (S_ISCHR(status.st_mode))
        return QStringLiteral("chardev");
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("folder");
    return QStringLiteral("file");
}

// Creates the node a row asks for inside `folder`; an empty text when that worked.
QString makeNode(const QString &folder, const QString &node)
{
    const QByteArray at = QFile::encodeName(folder + u'/' + node);
    if (node == u"pipe" && ::mkfifo(at.constData(), 0644) != 0)
        return QStringLiteral("mkfifo failed");
    if (node == u"dev" && ::mknod(at.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        return QStringLiteral("mknod needs CAP_MKNOD: %1").arg(qt_error_string(errno));
    if (node == u"sub" && !QDir(folder).mkdir(node))
        return QStringLiteral("mkdir failed");
    if (node == u"link") {
        if (::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe-target")).constData(), 0644)
                != 0
            || ::symlink("pipe-target", at.constData()) != 0)
            return QStringLiteral("symlink failed");
    }
    return {};
}

qint64 procValue(const char *file, const QByteArray &key)
{
    QFile proc(QString::fromLatin1(file));
    if (!proc.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : proc.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void parseLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("says");

        const QList<QByteArray> eleven = numberedLines(11);
        const QStringList none;
        QTest::newRow("CR LF, 12th line ignored")
            << joined(numberedLines(12), "\r\n") << true << texts(eleven) << 0 << QString();
        QTest::newRow("CR alone") << joined(eleven, "\r") << true << texts(eleven) << 0
                                  << QString();
        QTest::newRow("last line without end")
            << joined(eleven, "\r\n").chopped(2) << true << texts(eleven) << 0 << QString();
        QTest::newRow("11 empty lines")
            << joined(QList<QByteArray>(11), "\r\n") << true << QStringList(11) << 0 << QString();
        QList<QByteArray> withLf = eleven;
        withLf[0] = "a\nb";
        QTest::newRow("LF inside a line")
            << joined(withLf, "\r\n") << true << texts(withLf) << 0 << QString();
        QList<QByteArray> lfAfterCrLf = eleven;
        lfAfterCrLf[1] = "\nL1";
        QTest::newRow("CR LF LF: the second LF opens the next line")
            << joined(lfAfterCrLf, "\r\n") << true << texts(lfAfterCrLf) << 0 << QString();
        QList<QByteArray> crCr = eleven;
        crCr[5] = "";
        QTest::newRow("CR CR: an empty line")
            << joined(crCr, "\r") << true << texts(crCr) << 0 << QString();
        QList<QByteArray> nul = eleven;
        nul[0] = QByteArray("A\0B", 3);
        QTest::newRow("NUL bytes are characters")
            << joined(nul, "\r\n") << true << texts(nul) << 0 << QString();
        QList<QByteArray> broken = eleven;
        broken[0] = "\xff\xfe";
        QStringList brokenText = texts(eleven);
        brokenText[0] = QStringLiteral("\uFFFD\uFFFD");
        QTest::newRow("bytes that do not decode")
            << joined(broken, "\r\n") << true << brokenText << 0 << QString();
        QTest::newRow("cut short after the 11th line end")
            << joined(eleven, "\r\n") + "more" << false << texts(eleven) << 0 << QString();
        QList<QByteArray> widest = eleven;
        widest[10] = QByteArray(DataFile::kMaxWidthLineLength, '0');
        QTest::newRow("width line of 32767")
            << joined(widest, "\r\n") << true << texts(widest) << 0 << QString();

        QTest::newRow("LF alone") << joined(eleven, "\n") << true << none << DataFile::kErrPastEnd
                                  << QStringLiteral("has 1 of the 11");
        QTest::newRow("10 lines") << joined(numberedLines(10), "\r\n") << true << none
                                  << DataFile::kErrPastEnd << QStringLiteral("has 10 of the 11");
        QTest::newRow("empty") << QByteArray() << true << none << DataFile::kErrPastEnd
                               << QStringLiteral("has 0 of the 11");
        QTest::newRow("cut short before the 11th line")
            << joined(numberedLines(5), "\r\n") << false << none << DataFile::kErrPastEnd
            << QStringLiteral("first 64 KB");
        QTest::newRow("cut short in the 11th line")
            << joined(eleven, "\r\n").chopped(2) << false << none << DataFile::kErrPastEnd
            << QStringLiteral("first 64 KB");
        QList<QByteArray> tooWide = eleven;
        tooWide[10] = QByteArray(DataFile::kMaxWidthLineLength + 1, '0');
        QTest::newRow("width line of 32768") << joined(tooWide, "\r\n") << true << none
                                             << DataFile::kErrOverflow << QStringLiteral("32767");
    }

    void parseLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, complete);
        QFETCH(QStringList, lines);
        QFETCH(int, error);
        QFETCH(QString, says);

        const QString path = QStringLiteral("/data/logo.txt");
        const auto result = DataFile::parse(bytes, complete, path);
        if (error != 0) {
            QVERIFY(std::holds_alternative<FileError>(result));
            const auto &failure = std::get<FileError>(result);
            QCOMPARE(failure.number, error);
            QVERIFY2(failure.description.contains(path), qPrintable(failure.description));
            QVERIFY2(failure.description.contains(says), qPrintable(failure.description));
            return;
        }
        QVERIFY(std::holds_alternative<LoadedFile>(result));
        const auto &loaded = std::get<LoadedFile>(result);
        QString sendData;
        for (int i = 0; i < LoadedFile::kLineCount; ++i) {
            QCOMPARE(loaded.lines[i], lines[i]);
            sendData += lines[i] + QStringLiteral("\r\n");
        }
        QCOMPARE(loaded.sendData, sendData);
    }

    void widthText_data()
    {
        QTest::addColumn<QString>("widthLine");
        QTest::addColumn<QString>("written");

        for (const int count : { 0, 1, 7, 19, 20, 21, 32, 33, 40, 200, 32767 })
            QTest::addRow("%d characters", count)
                << QString(count, u'0') << (QString::number(count / 2) + (count % 2 ? ".5" : ""));
        QTest::newRow("characters beyond 16 bits count once")
            << QString::fromUcs4(std::u32string(7, U'\U0001F600').c_str(), 7)
            << QStringLiteral("3.5");
        QTest::newRow("lone surrogates count each")
            << (QString(QChar(0xDC00)) + QChar(0xD800)) << QStringLiteral("1");
    }

    void widthText()
    {
        QFETCH(QString, widthLine);
        QFETCH(QString, written);
        QCOMPARE(DataFile::widthTextFor(widthLine), written);
    }

    void caption_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");

        QTest::newRow("full path") << "/home/op/logo.txt"
                                   << "file name = logo.txt";
        QTest::newRow("name alone") << "logo.txt"
                                    << "file name = logo.txt";
        QTest::newRow("ends with a separator") << "/home/op/"
                                               << "file name = ";
        QTest::newRow("empty") << ""
                               << "file name = ";
#ifdef Q_OS_WIN
        QTest::newRow("backslashes") << "C:\\data\\logo.txt"
                                     << "file name = logo.txt";
#else
        QTest::newRow("a backslash is part of the name") << "/tmp/C:\\data\\logo.txt"
                                                         << "file name = C:\\data\\logo.txt";
#endif
    }

    void caption()
    {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(DataFile::caption(path), caption);
    }

    void dialogFilterOffersTextFilesFirst()
    {
        QCOMPARE(DataFile::dialogFilter(), QStringLiteral("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt);;全てのﾌｧｲﾙ (*.*)"));
    }

    void saveWritesTextAndOneLineEnd_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("empty") << QString() << QByteArray("\r\n");
        QTest::newRow("one line") << QStringLiteral("TEST\r\n80\r\n")
                                  << QByteArray("TEST\r\n80\r\n\r\n");
        QTest::newRow("half-width katakana callsign")
            << QStringLiteral("ｺｰﾙ\r\n")
            << QByteArray("\xef\xbd\xba\xef\xbd\xb0\xef\xbe\x99\r\n\r\n");
        QTest::newRow("lone CR and LF kept")
            << QStringLiteral("a\rb\nc") << QByteArray("a\rb\nc\r\n");
    }

    void saveWritesTextAndOneLineEnd()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.txt"));
        QVERIFY(writeFile(path, QByteArray(1000, 'x'))); // longer than anything written here
        QCOMPARE(DataFile::save(path, text).has_value(), false);
        QCOMPARE(readAll(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "data.txt" });
    }

    void startupFileRoundTrips()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.txt"));
        const QString second = dir.filePath(QStringLiteral("second.txt"));
        QVERIFY(!DataFile::save(first, startupDataText()));
        const QByteArray written = readAll(first);
        QCOMPARE(written.size(), 344);
        QVERIFY(written.endsWith("\r\n\r\n"));

        const auto loaded = DataFile::load(first);
        QVERIFY(std::holds_alternative<LoadedFile>(loaded));
        const auto &file = std::get<LoadedFile>(loaded);
        QCOMPARE(file.sendData, startupDataText());
        QCOMPARE(file.lines[0], QString());
        QCOMPARE(DataFile::widthTextFor(file.lines[10]), QStringLiteral("16"));
        QVERIFY(!DataFile::save(second, file.sendData));
        QCOMPARE(readAll(second), written);
    }

    void saveThroughLinkWritesTheTarget()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("real.txt"));
        const QString link = dir.filePath(QStringLiteral("link.txt"));
        QVERIFY(writeFile(target, kOldBytes));
        QVERIFY(QFile::link(QStringLiteral("real.txt"), link));
        QVERIFY(!DataFile::save(link, QStringLiteral("new")));
        QCOMPARE(readAll(target), QByteArray("new\r\n"));
        QCOMPARE(kindOf(link), QStringLiteral("link"));
    }

    // Every row runs in a child that makes the failure real, also as root. Besides the error,
    // the folder must afterwards hold exactly what it held before: the old file unchanged, the
    // node as it was, no temporary file left behind.
    void saveFailureLeavesFolderIntact_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("restriction");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("kindAfter");

        QTest::newRow("missing folder")
            << "missing/data.txt"
            << "" << int(IsolatedRun::None) << DataFile::kErrPathNotFound << "none";
        QTest::newRow("new file, folder without permission")
            << "data.txt"
            << "" << int(IsolatedRun::DropPrivileges) << DataFile::kErrPermission << "none";
        QTest::newRow("old file, folder without permission")
            << "keep.txt"
            << "" << int(IsolatedRun::DropPrivileges) << DataFile::kErrPermission << "file";
        QTest::newRow("read-only file system")
            << "keep.txt"
            << "" << int(IsolatedRun::ReadOnlyMount) << DataFile::kErrPermission << "file";
        QTest::newRow("full disk")
            << "keep.txt"
            << "" << int(IsolatedRun::TinyDisk) << DataFile::kErrDiskFull << "file";
        QTest::newRow("write cut short")
            << "keep.txt"
            << "" << int(IsolatedRun::FileSizeLimit) << DataFile::kErrDeviceIo << "file";
        QTest::newRow("FIFO") << "pipe"
                              << "pipe" << int(IsolatedRun::None) << DataFile::kErrAccess << "fifo";
        QTest::newRow("link to a FIFO")
            << "link"
            << "link" << int(IsolatedRun::None) << DataFile::kErrAccess << "link";
        QTest::newRow("device node")
            << "dev"
            << "dev" << int(IsolatedRun::None) << DataFile::kErrAccess << "chardev";
        QTest::newRow("folder") << "sub"
                                << "sub" << int(IsolatedRun::None) << DataFile::kErrAccess
                                << "folder";
    }

    void saveFailureLeavesFolderIntact()
    {
        QFETCH(QString, target);
        QFETCH(QString, node);
        QFETCH(int, restriction);
        QFETCH(int, error);
        QFETCH(QString, kindAfter);

        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)));
        const QString box = dir.filePath(QStringLiteral("box"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("box")));
        const QString path = box + u'/' + target;
        QString nodeFailure;

        const auto run = IsolatedRun::run(
            IsolatedRun::Restriction(restriction), box,
            [&] {
                writeFile(box + QStringLiteral("/keep.txt"), kOldBytes);
                nodeFailure = makeNode(box, node);
            },
            [&] {
                QByteArray answer;
                QDataStream out(&answer, QIODevice::WriteOnly);
                if (!nodeFailure.isEmpty()) {
                    out << nodeFailure;
                    return answer;
                }
                const auto failure = DataFile::save(path, startupDataText());
                out << QString() << failure.has_value() << (failure ? failure->number : 0)
                    << (failure ? failure->description : QString()) << readAll(box + "/keep.txt")
                    << kindOf(path)
                    << QDir(box).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
                return answer;
            });
        QFile::setPermissions(box, QFile::Permissions(0x7755));
        if (!run.skipReason.isEmpty())
            QSKIP(qPrintable(run.skipReason));
        QVERIFY2(run.answered, "the child died");

        QDataStream in(run.result);
        QString childSkip;
        in >> childSkip;
        if (!childSkip.isEmpty())
            QSKIP(qPrintable(childSkip));
        bool failed = false;
        int number = 0;
        QString description;
        QByteArray kept;
        QString kind;
        QStringList entries;
        in >> failed >> number >> description >> kept >> kind >> entries;
        QVERIFY2(failed, "the save reported success");
        QCOMPARE(number, error);
        QVERIFY2(description.contains(QDir::toNativeSeparators(path)), qPrintable(description));
        QCOMPARE(kept, kOldBytes);
        QCOMPARE(kind, kindAfter);
        QStringList expected { QStringLiteral("keep.txt") };
        if (!node.isEmpty())
            expected << node;
        if (node == u"link")
            expected << QStringLiteral("pipe-target");
        expected.sort();
        QCOMPARE(entries, expected);
    }

    // The loader must neither read past its bound nor wait on a file that never ends. Every
    // load runs aside so that a loader that blocks fails the row instead of hanging the test.
    void loadRefusesHostileFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("says");

        QTest::newRow("100 MB of NUL bytes, no line end")
            << "sparse" << DataFile::kErrPastEnd << "first 64 KB";
        QTest::newRow("1 MB of text, no line end")
            << "text" << DataFile::kErrPastEnd << "first 64 KB";
        QTest::newRow("11th line ends on the last byte read") << "atBound" << 0 << "";
        QTest::newRow("11th line ends one byte beyond")
            << "beyondBound" << DataFile::kErrPastEnd << "first 64 KB";
        QTest::newRow("FIFO without a writer")
            << "pipe" << DataFile::kErrAccess << "not a regular file";
        QTest::newRow("endless device")
            << "/dev/zero" << DataFile::kErrAccess << "not a regular file";
        QTest::newRow("folder") << "sub" << DataFile::kErrAccess << "not a regular file";
        QTest::newRow("missing file")
            << "missing" << DataFile::kErrFileNotFound << "File not found";
        QTest::newRow("missing folder")
            << "nofolder/x.txt" << DataFile::kErrPathNotFound << "Path not found";
    }

    void loadRefusesHostileFiles()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QFETCH(QString, says);

        QTemporaryDir dir;
        const QString path = kind.startsWith(u'/') ? kind : dir.filePath(kind);
        constexpr qint64 kHundredMegabytes = 100 * 1024 * 1024;
        // The 11th line ends with the CR at the last byte within the bound, or one byte later.
        const qint64 atBoundLine0 = DataFile::kMaxLoadBytes - 2 - 10 * 2 + 1;
        if (kind == u"sparse") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kHundredMegabytes));
        } else if (kind == u"text") {
            QVERIFY(writeFile(path, QByteArray(1024 * 1024, 'x')));
        } else if (kind == u"atBound" || kind == u"beyondBound") {
            const qint64 length = atBoundLine0 + (kind == u"beyondBound" ? 1 : 0);
            QVERIFY(writeFile(path, QByteArray(length, 'c') + QByteArray("\r\n").repeated(11)));
        } else if (!kind.startsWith(u'/')) {
            QCOMPARE(makeNode(dir.path(), kind), QString());
        }

        const qint64 readBefore = procValue("/proc/self/io", "rchar:");
        const qint64 peakBefore = procValue("/proc/self/status", "VmHWM:");
        auto pending = std::async(std::launch::async, [path] { return DataFile::load(path); });
        if (pending.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Let a reader stuck on the FIFO go before failing.
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            pending.wait();
            QFAIL("the load did not return");
        }
        const auto result = pending.get();
        const qint64 readBytes = procValue("/proc/self/io", "rchar:") - readBefore;
        const qint64 peakGrowthKb = procValue("/proc/self/status", "VmHWM:") - peakBefore;

        if (readBefore >= 0)
            QVERIFY2(readBytes <= DataFile::kMaxLoadBytes + 1 + 4096,
                     qPrintable(QStringLiteral("read %1 bytes").arg(readBytes)));
        if (peakBefore >= 0)
            QVERIFY2(peakGrowthKb < 16 * 1024,
                     qPrintable(QStringLiteral("peak memory grew by %1 kB").arg(peakGrowthKb)));
        if (error == 0) {
            QVERIFY(std::holds_alternative<LoadedFile>(result));
            QCOMPARE(std::get<LoadedFile>(result).lines[0].size(), atBoundLine0);
            return;
        }
        QVERIFY(std::holds_alternative<FileError>(result));
        const auto &failure = std::get<FileError>(result);
        QCOMPARE(failure.number, error);
        QVERIFY2(failure.description.contains(says), qPrintable(failure.description));
        QVERIFY2(failure.description.contains(path), qPrintable(failure.description));
    }

    void loadWithoutPermission()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)));
        const QString path = dir.filePath(QStringLiteral("secret.txt"));
        const auto run = IsolatedRun::run(
            IsolatedRun::DropPrivileges, dir.path(),
            [&] {
                writeFile(path, QByteArray("\r\n").repeated(11));
                QFile::setPermissions(path, {});
            },
            [&] {
                const auto result = DataFile::load(path);
                QByteArray answer;
                QDataStream out(&answer, QIODevice::WriteOnly);
                out << (std::holds_alternative<FileError>(result)
                            ? std::get<FileError>(result).number
                            : 0);
                return answer;
            });
        QFile::setPermissions(dir.path(), QFile::Permissions(0x7755));
        if (!run.skipReason.isEmpty())
            QSKIP(qPrintable(run.skipReason));
        QVERIFY2(run.answered, "the child died");
        int number = 0;
        QDataStream(run.result) >> number;
        QCOMPARE(number, DataFile::kErrPermission);
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
