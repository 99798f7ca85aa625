// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "IsolatedRun.h"
#include "files/DataFile.h"
#include "ui/Form1.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace qie;
using qie::test::FakeCommControl;
using qie::test::FakeDialogService;
using qie::test::IsolatedRun;

namespace {

const QByteArray kOldBytes = "old contents\r\n";

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

// What a load or a failed operation may or may not change, taken as a whole.
struct EditorState
{
    QString dataText;
    std::string sendData;
    QString width;
    QString callsign;
    QString caption;
    std::vector<int> cells;
    std::vector<int> mask;

    bool operator==(const EditorState &) const = default;
};

// One editor window with its fakes, and its controls found by their names.
class Editor
{
public:
    FakeDialogService dialogs;
    FakeCommControl port;
    Form1 form { dialogs, port };

    Editor() { form.show(); }

    QLineEdit *edit(const char *name) const { return form.findChild<QLineEdit *>(name); }
    QString caption() const { return form.findChild<QGroupBox *>("framEdit")->title(); }

    void press(const char *button)
    {
        auto *target = form.findChild<QPushButton *>(button);
        QVERIFY(target);
        QTest::mouseClick(target, Qt::LeftButton);
    }
    void save(const QString &name)
    {
        dialogs.fileNames.append(name);
        press("cmdFileOpen");
    }
    void load(const QString &name)
    {
        dialogs.fileNames.append(name);
        press("cmdFileOpen2");
    }

    EditorState state() const
    {
        EditorState s { form.dataText(),
                        form.model().sendData(),
                        edit("txtImagByte")->text(),
                        edit("txtCWID")->text(),
                        caption(),
                        {},
                        {} };
        for (int row = 0; row < ImageModel::kRows; ++row) {
            for (int column = 0; column < ImageModel::kColumns; ++column) {
                s.cells.push_back(form.model().cell(column, row));
                s.mask.push_back(form.model().mask(column, row));
            }
        }
        return s;
    }

    // Leaves the editor far from its start-up state: a callsign, width 3, a few cells on.
    void makeEdits()
    {
        edit("txtCWID")->setText(QStringLiteral("JA1XYZ"));
        edit("txtImagByte")->setText(QStringLiteral("3"));
        press("cmdUpDate");
        for (const int cell : { 0, 9, 65, 700 })
            form.picField_Click(cell);
    }
};

QByteArray startupFileBytes()
{
    return "\r\n" + (QByteArray(32, '0') + "\r\n").repeated(10) + "\r\n";
}

QByteArray fileOf(const QList<QByteArray> &lines, bool finalEnd)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return finalEnd ? bytes : bytes.chopped(2);
}

} // namespace

class TestFilesWindow : public QObject
{
    Q_OBJECT

private slots:
    void saveAfterStartupAndRoundTrip()
    {
        QTemporaryDir dir;
        Editor editor;
        const EditorState before = editor.state();
        const QString first = dir.filePath(QStringLiteral("first.txt"));
        editor.save(first);
        QCOMPARE(readAll(first), startupFileBytes());
        QCOMPARE(readAll(first).size(), 344);
        QCOMPARE(editor.caption(), QStringLiteral("file name = first.txt"));
        EditorState expected = before;
        expected.caption = editor.caption();
        QVERIFY(editor.state() == expected);

        editor.makeEdits();
        editor.load(first);
        QCOMPARE(editor.edit("txtImagByte")->text(), QStringLiteral("16"));
        QCOMPARE(editor.edit("txtCWID")->text(), QString());
        QVERIFY(editor.state() == expected);

        const QString second = dir.filePath(QStringLiteral("second.txt"));
        editor.save(second);
        QCOMPARE(readAll(second), startupFileBytes());
        QCOMPARE(editor.dialogs.boxes.size(), 0);
        QCOMPARE(editor.dialogs.dialogModes,
                 (QList<DialogService::FileMode> { DialogService::FileMode::Save,
                                                   DialogService::FileMode::Open,
                                                   DialogService::FileMode::Save }));
        QCOMPARE(editor.dialogs.filters, QStringList(3, DataFile::dialogFilter()));
    }

    void failedLoadChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");

        const QByteArray line = "00\n";
        QTest::newRow("LF line ends") << line.repeated(12) << DataFile::kErrPastEnd;
        QTest::newRow("10 lines") << QByteArray("00\r\n").repeated(10) << DataFile::kErrPastEnd;
        QTest::newRow("empty file") << QByteArray() << DataFile::kErrPastEnd;
        QTest::newRow("width line too long")
            << QByteArray("\r\n").repeated(10) + QByteArray(32768, '0') << DataFile::kErrOverflow;
        QTest::newRow("missing file") << QByteArray("<none>") << DataFile::kErrFileNotFound;
    }

    void failedLoadChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.txt"));
        if (bytes != "<none>")
            QVERIFY(writeFile(path, bytes));

        Editor editor;
        editor.makeEdits();
        const EditorState before = editor.state();
        editor.load(path);
        QCOMPARE(editor.dialogs.boxes.size(), 1);
        const auto &box = editor.dialogs.boxes.first();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.style, int(DialogService::OkOnly));
        QVERIFY2(box.prompt.startsWith(QStringLiteral("Number : %1\rDescription : ").arg(error)),
                 qPrintable(box.prompt));
        QVERIFY2(box.prompt.contains(path), qPrintable(box.prompt));
        QVERIFY(editor.state() == before);
    }

    // Lines 1..9 are `row`, line 10 is `lastRow`; every digit is F or f, so a cell is on
    // exactly when its image column lies within the digits read from its line.
    void loadSetsEditor_data()
    {
        QTest::addColumn<QByteArray>("callsign");
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QByteArray>("lastRow");
        QTest::addColumn<bool>("finalEnd");
        QTest::addColumn<QString>("width");
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("openByteColumns");

        QTest::newRow("last line without end")
            << QByteArray("TEST") << QByteArray("FF") << QByteArray("FF") << false << "1" << 2 << 1;
        QTest::newRow("line 10 of 7 characters") << QByteArray("A") << QByteArray("FFFFFFF")
                                                 << QByteArray("FFFFFFF") << true << "3." << 6 << 3;
        QTest::newRow("line 10 empty")
            << QByteArray("A") << QByteArray("FFFF") << QByteArray() << true << "0" << 0 << 0;
        QTest::newRow("rows longer than line 10")
            << QByteArray("A") << QByteArray(20, 'F') << QByteArray("FF") << true << "1" << 2 << 1;
        QTest::newRow("a row shorter than line 10")
            << QByteArray("A") << QByteArray("F") << QByteArray("FFFF") << true << "2" << 4 << 2;
        QTest::newRow("lowercase rows")
            << QByteArray("A") << QByteArray("ffff") << QByteArray("ffff") << true << "2" << 4 << 2;
        QTest::newRow("callsign of 15 characters")
            << QByteArray("ABCDEFGHIJKLMNO") << QByteArray("FF") << QByteArray("FF") << true << "1"
            << 2 << 1;
        QTest::newRow("width 20 from 40 characters")
            << QByteArray("A") << QByteArray(40, 'F') << QByteArray(40, 'F') << true << "20" << 32
            << 16;
        QTest::newRow("width 10 from 200 characters")
            << QByteArray("A") << QByteArray(200, 'f') << QByteArray(200, 'f') << true << "10" << 20
            << 10;
    }

    void loadSetsEditor()
    {
        QFETCH(QByteArray, callsign);
        QFETCH(QByteArray, row);
        QFETCH(QByteArray, lastRow);
        QFETCH(bool, finalEnd);
        QFETCH(QString, width);
        QFETCH(int, digits);
        QFETCH(int, openByteColumns);

        QList<QByteArray> lines { callsign };
        for (int r = 0; r < 9; ++r)
            lines.append(row);
        lines.append(lastRow);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.txt"));
        QVERIFY(writeFile(path, fileOf(lines, finalEnd)));

        Editor editor;
        editor.makeEdits();
        editor.load(path);
        QCOMPARE(editor.dialogs.boxes.size(), 0);
        QCOMPARE(editor.edit("txtImagByte")->text(), width);
        QCOMPARE(editor.edit("txtCWID")->text(), QString::fromLatin1(callsign.left(12)));
        QCOMPARE(editor.caption(), QStringLiteral("file name = in.txt"));
        const QString asRead = QString::fromLatin1(fileOf(lines, true));
        QCOMPARE(editor.form.dataText(), asRead);
        QCOMPARE(QString::fromStdString(editor.form.model().sendData()), asRead);

        for (int imageRow = 0; imageRow < 10; ++imageRow) {
            const int read = std::min<int>(digits, lines[imageRow + 1].size());
            for (int column = 0; column < 128; ++column) {
                const int x = column % 64;
                const int y = imageRow + (column >= 64 ? 10 : 0);
                QCOMPARE(editor.form.model().cell(x, y), std::int16_t(column < 4 * read ? 1 : 0));
                QCOMPARE(editor.form.model().mask(x, y),
                         std::int16_t(column / 8 < openByteColumns ? 0 : 1));
            }
        }

        // Until the next edit the file's own lines are what is saved.
        const QString out = dir.filePath(QStringLiteral("out.txt"));
        editor.save(out);
        QCOMPARE(readAll(out), fileOf(lines, true) + "\r\n");
    }

    void nextEditRewritesLoadedText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.txt"));
        QList<QByteArray> lines { "ABCDEFGHIJKLMNO" };
        for (int r = 0; r < 10; ++r)
            lines.append("0f0");
        QVERIFY(writeFile(path, fileOf(lines, true)));
        Editor editor;
        editor.load(path);
        QVERIFY(editor.form.dataText().contains(QStringLiteral("0f0")));
        editor.form.picField_Click(0);
        QCOMPARE(editor.form.dataText(),
                 QStringLiteral("ABCDEFGHIJKL\r\n8F\r\n") + QStringLiteral("0F\r\n").repeated(9));
        QCOMPARE(QString::fromStdString(editor.form.model().sendData()), editor.form.dataText());
    }

    void dialogClosedWithoutName_data()
    {
        QTest::addColumn<bool>("saving");
        QTest::addColumn<QString>("caption");

        QTest::newRow("save") << true << QStringLiteral("file name = ");
        QTest::newRow("load") << false << QStringLiteral("file name = in.txt");
    }

    void dialogClosedWithoutName()
    {
        QFETCH(bool, saving);
        QFETCH(QString, caption);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.txt"));
        QVERIFY(writeFile(path, QByteArray("CQ\r\n") + QByteArray("80\r\n").repeated(10)));

        Editor editor;
        editor.load(path);
        editor.makeEdits();
        EditorState expected = editor.state();
        expected.caption = caption;
        if (saving)
            editor.save(QString());
        else
            editor.load(QString());
        QVERIFY(editor.state() == expected);
        QCOMPARE(editor.dialogs.boxes.size(), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "in.txt" });
        QCOMPARE(readAll(path), QByteArray("CQ\r\n") + QByteArray("80\r\n").repeated(10));
    }

    // The window's own save, driven in a child where the failure is real also for root.
    void saveFailureReported_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("restriction");
        QTest::addColumn<int>("error");

        QTest::newRow("missing folder")
            << "missing/keep.txt" << int(IsolatedRun::None) << DataFile::kErrPathNotFound;
        QTest::newRow("folder without permission")
            << "keep.txt" << int(IsolatedRun::DropPrivileges) << DataFile::kErrPermission;
        QTest::newRow("full disk")
            << "keep.txt" << int(IsolatedRun::TinyDisk) << DataFile::kErrDiskFull;
    }

    void saveFailureReported()
    {
        QFETCH(QString, target);
        QFETCH(int, restriction);
        QFETCH(int, error);

        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)));
        const QString box = dir.filePath(QStringLiteral("box"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("box")));
        const QString path = box + u'/' + target;

        Editor editor;
        editor.makeEdits();
        const EditorState before = editor.state();
        const auto run = IsolatedRun::run(
            IsolatedRun::Restriction(restriction), box,
            [&] { writeFile(box + QStringLiteral("/keep.txt"), kOldBytes); },
            [&] {
                editor.save(path);
                EditorState expected = before;
                expected.caption = QStringLiteral("file name = keep.txt");
                QByteArray answer;
                QDataStream out(&answer, QIODevice::WriteOnly);
                out << int(editor.dialogs.boxes.size())
                    << (editor.dialogs.boxes.isEmpty() ? QString()
                                                       : editor.dialogs.boxes.first().prompt)
                    << (editor.state() == expected) << readAll(box + QStringLiteral("/keep.txt"))
                    << QDir(box).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
                return answer;
            });
        QFile::setPermissions(box, QFile::Permissions(0x7755));
        if (!run.skipReason.isEmpty())
            QSKIP(qPrintable(run.skipReason));
        QVERIFY2(run.answered, "the child died");

        int boxes = 0;
        QString prompt;
        bool stateKept = false;
        QByteArray kept;
        QStringList entries;
        QDataStream(run.result) >> boxes >> prompt >> stateKept >> kept >> entries;
        QCOMPARE(boxes, 1);
        QVERIFY2(prompt.startsWith(QStringLiteral("Number : %1\rDescription : ").arg(error)),
                 qPrintable(prompt));
        QVERIFY2(prompt.contains(path), qPrintable(prompt));
        QVERIFY2(stateKept, "the editor changed beyond its caption");
        QCOMPARE(kept, kOldBytes);
        QCOMPARE(entries, QStringList { "keep.txt" });
    }
};

QTEST_MAIN(TestFilesWindow)
#include "test_files_window.moc"
