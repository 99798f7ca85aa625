// SPDX-License-Identifier: MIT
#include "DataTexts.h"
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "FakeEditorView.h"
#include "FileBytes.h"
#include "cli/CommandLine.h"
#include "common/Settings.h"
#include "images/ImageImport.h"
#include "model/Document.h"
#include "ui/FileDrop.h"
#include "ui/Form1.h"
#include "ui/HelpWindow.h"
#include "ui/ImportDialog.h"
#include "ui/MDIForm1.h"
#include "ui/PictureEditor.h"
#include "ui/QtDialogService.h"
#include "ui/ReceiveArea.h"
#include "ui/TextDialog.h"

#include <QtTest>
#include <QtWidgets>

using namespace qie;
using namespace qie::test;

namespace {

struct Program
{
    FakeDialogService dialogs;
    FakeCommControl port;
    MDIForm1 frame { dialogs, port };
    Program() { frame.show(); }
};

// A data file of callsign "CQ" and width 1, the first row "80": what loading it shows.
const QByteArray kDataFile = "CQ\r\n80\r\n" + QByteArray("00\r\n").repeated(9);
const QString kDataShown = QStringLiteral("CQ\r\n80\r\n") + QStringLiteral("00\r\n").repeated(9);

QByteArray pngOf(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Files as file managers drag them: their addresses, also as text.
QMimeData *urlsOf(const QList<QUrl> &urls)
{
    auto *data = new QMimeData;
    data->setUrls(urls);
    QStringList text;
    for (const QUrl &url : urls)
        text << url.toString();
    data->setText(text.join(u'\n'));
    return data;
}

} // namespace

// The window as a desktop program: files from outside, dialogs that remember, the standard
// keys and the cue that the boxes hold text "Done" has not applied yet.
class TestDesktop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::optional<Program> m_p;

    Form1 *form() { return m_p->frame.editor(); }
    FakeDialogService &dialogs() { return m_p->dialogs; }
    template<class T = QWidget> T *control(const QString &n) { return form()->findChild<T *>(n); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString caption() { return control<QGroupBox>("framEdit")->title(); }

    // Dragging `data` over `target` and dropping it there, as the platform delivers it: whether
    // the drag was accepted, then the drop's work done from the event loop.
    bool drop(QWidget *target, QMimeData *data)
    {
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        const bool accepted = enter.isAccepted();
        if (accepted) {
            QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &dropped);
            QCoreApplication::processEvents();
        }
        delete data;
        return accepted;
    }

    void shortcut(int combined)
    {
        const QKeyCombination keys = QKeyCombination::fromCombined(combined);
        QTest::keyClick(control<QLineEdit>("txtCWID"), keys.key(), keys.keyboardModifiers());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(writeFile(path("data.txt"), kDataFile));
        QVERIFY(writeFile(path("picture.png"), pngOf({ 16, 10 })));
        QVERIFY(QDir(m_dir.path()).mkpath("images"));
        QVERIFY(QDir(m_dir.path()).mkpath("data"));
        QVERIFY(QDir(m_dir.path()).mkpath("received"));
        // Words name files relative to the working folder, as a shell hands them over.
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QVERIFY(writeFile(path("text"), kDataFile));
        QVERIFY(writeFile(path("-zz"), kDataFile));
    }
    void init()
    {
        // A fresh store for each case; the remembered values of one case never reach another.
        QFile::remove(path("settings.ini"));
        Settings::useFile(path("settings.ini"));
        m_p.emplace();
        m_p->frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_p->frame));
        control<QLineEdit>("txtCWID")->setFocus();
    }
    void cleanup() { m_p.reset(); }

    // What the words after the program's name start the window with, once Qt took its own.
    void startWords_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("namedInError"); // empty: no error
        QTest::newRow("no word") << QStringList() << ""
                                 << "";
        QTest::newRow("dash dash forces a word") << QStringList { "--", "-x" } << "-x"
                                                 << "";
        QTest::newRow("dash dash alone") << QStringList { "--" } << ""
                                         << "\"--\"";
        QTest::newRow("a word that names nothing") << QStringList { "nosuch" } << ""
                                                   << "\"nosuch\"";
        QTest::newRow("an option that names a file") << QStringList { "-zz" } << ""
                                                     << "\"-zz\"";
        QTest::newRow("a word too many") << QStringList { "a/b.txt", "extra" } << ""
                                         << "\"extra\"";
    }
    void startWords()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, file);
        QFETCH(QString, namedInError);
        const CommandLine::EditorStart start = CommandLine::editorStart(words);
        QCOMPARE(start.file, file);
        if (namedInError.isEmpty())
            QCOMPARE(start.error, QString());
        else
            QVERIFY2(start.error.contains(namedInError), qPrintable(start.error));
    }

    // Whether the first word runs a command, the window, or is a mistyped command.
    void commandOrWindow_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("command");

        QTest::newRow("a command word that is a file too") << QStringList { "text", "CQ" } << true;
        QTest::newRow("an existing file") << QStringList { "data.txt" } << false;
        QTest::newRow("a path to nothing") << QStringList { "no/such.txt" } << false;
    }
    void commandOrWindow()
    {
        QFETCH(QStringList, words);
        QFETCH(bool, command);
        words.prepend(QStringLiteral("quernel-image-editor"));
        QList<QByteArray> bytes;
        std::vector<char *> argv;
        for (const QString &w : words)
            bytes.append(w.toUtf8());
        for (QByteArray &b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);
        QCOMPARE(CommandLine::isCommand(int(words.size()), argv.data()), command);
    }

    // The program itself, started with words that never reach the window.
    void programWords_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says"); // on standard output for status 0, else on error
        QTest::newRow("help names the file form") << QStringList { "--help" } << 0 << "[--] FILE";
        QTest::newRow("a second file") << QStringList { "a/b.txt", "c.txt" } << 2 << "\"c.txt\"";
    }
    void programWords()
    {
        QFETCH(QStringList, words);
        QFETCH(int, status);
        QFETCH(QString, says);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(QIE_PROGRAM), words);
        // A window opened by mistake would wait for ever; the words here end at once.
        const bool finished = process.waitForFinished(10000);
        if (!finished)
            process.kill();
        QVERIFY2(finished, "the program did not end: it opened the window");
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const QString said = QString::fromLocal8Bit(status == 0 ? process.readAllStandardOutput()
                                                                : process.readAllStandardError());
        QVERIFY2(said.contains(says), qPrintable(said));
    }

    // A drop: one local file loads or goes to the Import dialog, wherever it lands; anything
    // else is refused without a box.
    void drops_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("files"); // names in the test folder, or URLs
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("data"); // the data text after the drop
        QTest::addColumn<QString>("imported"); // the file the Import dialog opened for
        QTest::addColumn<QString>("callsignBox");
        const QString start = dataText(16);
        QTest::newRow("data file on the callsign box")
            << "txtCWID" << QStringList { "data.txt" } << true << kDataShown << ""
            << "CQ";
        QTest::newRow("image on the width box")
            << "txtImagByte" << QStringList { "picture.png" } << true << start << "picture.png"
            << "";
        QTest::newRow("two files")
            << "picField" << QStringList { "data.txt", "picture.png" } << false << start << ""
            << "";
        QTest::newRow("a folder") << "txtCWID" << QStringList { "images" } << false << start << ""
                                  << "";
    }
    void drops()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, files);
        QFETCH(bool, accepted);
        QFETCH(QString, data);
        QFETCH(QString, imported);
        QFETCH(QString, callsignBox);
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << (f.contains(u':') ? QUrl(f) : QUrl::fromLocalFile(path(f)));
        QCOMPARE(drop(control(target), urlsOf(urls)), accepted);
        QCOMPARE(form()->dataText(), data);
        QCOMPARE(dialogs().importPaths,
                 imported.isEmpty() ? QStringList() : QStringList { path(imported) });
        QCOMPARE(control<QLineEdit>("txtCWID")->text(), callsignBox);
        QCOMPARE(dialogs().boxes.size(), 0);
    }

    // A dragged text is the callsign box's own; the window takes nothing but files.
    void droppedText_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("on the callsign box") << "txtCWID" << true;
    }
    void droppedText()
    {
        QFETCH(QString, target);
        QFETCH(bool, accepted);
        auto *text = new QMimeData;
        text->setText(QStringLiteral("CQ"));
        QCOMPARE(drop(control(target), text), accepted);
    }

    // A file is opened once it is dropped, not while it is dragged over, and after the drop
    // has ended; it is one undo step, which gives the start back.
    void dropIsOneStep()
    {
        QWidget *grid = control("picField");
        const std::unique_ptr<QMimeData> data(urlsOf({ QUrl::fromLocalFile(path("data.txt")) }));
        const QPoint at = grid->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid, &move);
        QCoreApplication::processEvents();
        QCOMPARE(form()->dataText(), dataText(16));
        QDropEvent dropped(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid, &dropped);
        QCOMPARE(dropped.isAccepted(), true);
        QCOMPARE(form()->dataText(), dataText(16));
        QCoreApplication::processEvents();
        QCOMPARE(form()->dataText(), kDataShown);
        QCOMPARE(form()->pictureEditor().undoStack().count(), 1);
        form()->pictureEditor().undo();
        QCOMPARE(form()->dataText(), dataText(16));
    }

    // An image by its content, whatever its name; a data file is none, even one whose
    // callsign begins as a portable bitmap does.
    void imageByContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("image");

        QTest::newRow("a data file with callsign P1")
            << QByteArray("P1\r\n80\r\n" + QByteArray("00\r\n").repeated(9)) << false;
        QTest::newRow("a portable bitmap") << QByteArray("P1\n2 1\n0 1\n") << true;
    }
    void imageByContent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, image);
        const QString file = path("content.txt");
        QVERIFY(writeFile(file, bytes));
        QCOMPARE(Form1::isImage(file), image);
    }

    // Each group of dialogs starts in the folder the group last chose a file in, also in a
    // later run, and no other group's choice moves it.
    void folders_data()
    {
        QTest::addColumn<QString>("first"); // the action that chooses a file in a folder
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("then"); // the next action, in a new window
        QTest::addColumn<QString>("startsIn"); // empty: where the platform starts
        QTest::newRow("save where load chose") << "load"
                                               << "data"
                                               << "save"
                                               << "data";
        QTest::newRow("save where a file from outside was loaded") << "open"
                                                                   << "data"
                                                                   << "save"
                                                                   << "data";
        QTest::newRow("export where import chose") << "import"
                                                   << "images"
                                                   << "export"
                                                   << "images";
        QTest::newRow("import where export chose") << "export"
                                                   << "images"
                                                   << "import"
                                                   << "images";
        QTest::newRow("images apart from data files") << "load"
                                                      << "data"
                                                      << "import"
                                                      << "";
        QTest::newRow("received data apart from data files") << "save"
                                                             << "data"
                                                             << "saveReceived"
                                                             << "";
        QTest::newRow("a folder gone since") << "save"
                                             << "gone"
                                             << "load"
                                             << "";
    }
    void folders()
    {
        QFETCH(QString, first);
        QFETCH(QString, folder);
        QFETCH(QString, then);
        QFETCH(QString, startsIn);
        QVERIFY(QDir(m_dir.path()).mkpath("gone"));
        const auto act = [this](const QString &action) {
            Form1 *editor = form();
            if (action == "load")
                editor->cmdFileOpen2_Click();
            else if (action == "open")
                editor->loadFile(path("data/chosen"));
            else if (action == "save")
                editor->cmdFileOpen_Click();
            else if (action == "import")
                editor->pictureEditor().chooseImport();
            else if (action == "export")
                editor->pictureEditor().exportImage();
            else if (action == "log")
                control<ReceiveArea>("txtReceiveData")->setLogging(true);
            else
                control<ReceiveArea>("txtReceiveData")->saveReceivedAs();
        };
        const QString chosen = path(folder + "/chosen");
        QVERIFY(writeFile(chosen, kDataFile));
        dialogs().fileNames << chosen;
        dialogs().exportChoice = ExportChoice { chosen, 1 };
        act(first);
        QVERIFY(QDir(path("gone")).removeRecursively());
        m_p.emplace();
        act(then);
        const QString expected = startsIn.isEmpty() ? QString() : path(startsIn);
        if (then == "export")
            QCOMPARE(dialogs().exportFolders.value(0), expected);
        else
            QCOMPARE(dialogs().fileRequests.value(0).folder, expected);
    }

    // Save proposes the file last loaded or saved, else image.txt; a failed load or save
    // changes nothing.
    void proposedName_data()
    {
        QTest::addColumn<QStringList>("before"); // load:NAME or save:NAME, in order
        QTest::addColumn<QString>("proposed");
        QTest::newRow("nothing yet") << QStringList() << "image.txt";
        QTest::newRow("after a load") << QStringList { "load:data.txt" } << "data.txt";
        QTest::newRow("after a failed load")
            << QStringList { "save:data/b.txt", "load:missing.txt" } << "b.txt";
    }
    void proposedName()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, proposed);
        for (const QString &step : before) {
            dialogs().fileNames << path(step.section(u':', 1));
            if (step.startsWith("load"))
                form()->cmdFileOpen2_Click();
            else
                form()->cmdFileOpen_Click();
        }
        dialogs().fileRequests.clear();
        form()->cmdFileOpen_Click();
        QCOMPARE(dialogs().fileRequests.size(), 1);
        QCOMPARE(dialogs().fileRequests[0].mode, FileRequest::Mode::Save);
        QCOMPARE(dialogs().fileRequests[0].name, proposed);
    }

    // The real file dialog as it is set up: the folder, the proposed name, and the suffix of
    // the filter entry chosen added to a name typed without one.
    void fileDialogSuffix_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("entry"); // the filter entry the operator picks
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        const int save = int(FileRequest::Mode::Save);
        QTest::newRow("txt entry adds .txt") << save << 0 << "picture"
                                             << "picture.txt";
        QTest::newRow("all files adds nothing") << save << 1 << "picture"
                                                << "picture";
        QTest::newRow("append adds .txt") << int(FileRequest::Mode::Append) << 0 << "log"
                                          << "log.txt";
    }
    void fileDialogSuffix()
    {
        QFETCH(int, mode);
        QFETCH(int, entry);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        const QString filter = QStringLiteral("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt);;全てのﾌｧｲﾙ (*.*)");
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        // Not the working folder, where a dialog would start anyway.
        const QString folder = path("data");
        QtDialogService::prepare(
            dialog, { FileRequest::Mode(mode), filter, folder, QStringLiteral("image.txt") });
        QCOMPARE(QDir(dialog.directory()).absolutePath(), QDir(folder).absolutePath());
        const bool opens = mode == int(FileRequest::Mode::Open);
        QCOMPARE(dialog.acceptMode(), opens ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        QCOMPARE(dialog.fileMode(), opens ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        // A file to add to is not replaced, so there is nothing to ask.
        QCOMPARE(dialog.testOption(QFileDialog::DontConfirmOverwrite),
                 mode == int(FileRequest::Mode::Append));
        auto *name = dialog.findChild<QLineEdit *>("fileNameEdit");
        QVERIFY(name);
        if (!opens)
            QCOMPARE(name->text(), "image.txt");
        auto *types = dialog.findChild<QComboBox *>("fileTypeCombo");
        QVERIFY(types);
        // What the box does when the operator picks an entry.
        const auto pick = [types](int index) {
            types->setCurrentIndex(index);
            emit types->activated(index);
            emit types->textActivated(types->itemText(index));
        };
        pick(entry);
        name->setText(typed);
        QCOMPARE(dialog.selectedFiles().value(0), path("data/" + saved));
    }

    // The Text… and Import dialogs open with what was last accepted, in a new run too.
    void dialogsRemember()
    {
        {
            TextDialog text;
            QVERIFY(text.fontBox()->count() > 1);
            text.textBox()->setText(QStringLiteral("CQ DE"));
            text.fontBox()->setCurrentIndex(text.fontBox()->count() - 1);
            text.keepChoices();
        }
        TextDialog text;
        const QString lastFont = text.fontBox()->itemText(text.fontBox()->count() - 1);
        text.restoreChoices();
        QCOMPARE(text.textBox()->text(), "CQ DE");
        QCOMPARE(text.fontBox()->currentText(), lastFont);

        const auto importDialog = [this] {
            return std::make_unique<ImportDialog>(ImageImport::scaleFile(path("picture.png")),
                                                  QStringLiteral("picture.png"));
        };
        {
            const auto import = importDialog();
            import->thresholdBox()->setValue(77);
            import->invertBox()->setChecked(true);
            import->ditherBox()->setChecked(true);
            import->keepChoices();
        }
        const auto import = importDialog();
        import->restoreChoices();
        QCOMPARE(import->thresholdBox()->value(), 77);
        QCOMPARE(import->invertBox()->isChecked(), true);
        QCOMPARE(import->ditherBox()->isChecked(), true);
    }

    // A label with a mnemonic reaches its field: it shows no ampersand and Alt+key moves there.
    void mnemonics_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("import threshold") << "&Threshold:";
    }
    void mnemonics()
    {
        QFETCH(QString, label);
        ImportDialog shown(ImageImport::scaleFile(path("picture.png")),
                           QStringLiteral("picture.png"));
        QLabel *found = nullptr;
        for (QLabel *l : shown.findChildren<QLabel *>()) {
            if (l->text() == label)
                found = l;
        }
        QVERIFY2(found, qPrintable(label));
        QVERIFY2(found->buddy() != nullptr, qPrintable(label));
        shown.show();
        QVERIFY(QTest::qWaitForWindowActive(&shown));
        QTest::keyClick(&shown, label.at(1).toLower().toLatin1(), Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), found->buddy());
    }

    // The window's keys, from a text box with the focus.
    void keys_data()
    {
        QTest::addColumn<int>("keys");
        QTest::addColumn<QString>("does");
        QTest::newRow("Ctrl+O loads") << (Qt::CTRL | Qt::Key_O).toCombined() << "load";
        QTest::newRow("Ctrl+S saves") << (Qt::CTRL | Qt::Key_S).toCombined() << "save";
        QTest::newRow("Ctrl+Q asks to end") << (Qt::CTRL | Qt::Key_Q).toCombined() << "ask";
        QTest::newRow("F1 shows help") << QKeyCombination(Qt::Key_F1).toCombined() << "help";
    }
    void keys()
    {
        QFETCH(int, keys);
        QFETCH(QString, does);
        QSignalSpy ended(form(), &Form1::ended);
        dialogs().answers << false;
        dialogs().fileNames << path(does == "load" ? "data.txt" : "data/saved.txt");
        shortcut(keys);
        if (does == "load")
            QCOMPARE(form()->dataText(), kDataShown);
        if (does == "save")
            QCOMPARE(readAll(path("data/saved.txt")), dataText(16).toLatin1() + "\r\n");
        QCOMPARE(dialogs().fileRequests.size(), does == "load" || does == "save" ? 1 : 0);
        if (does == "ask") {
            QCOMPARE(dialogs().boxes.size(), 1);
            QCOMPARE(dialogs().boxes[0].text, "Do you wnat to END ?");
            QCOMPARE(ended.count(), 0);
        }
        const auto *help = form()->findChild<HelpWindow *>();
        QCOMPARE(help != nullptr && help->isVisible(), does == "help");
        QFile::remove(path("data/saved.txt"));
    }

    // Enter in the callsign or width box applies it as "Done" does.
    void enterApplies_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("width"); // the width box's text after Enter
        QTest::newRow("callsign") << "txtCWID"
                                  << "AB"
                                  << "AB" + dataText(16) << "16";
        QTest::newRow("width") << "txtImagByte"
                               << "2" << dataText(2) << "2";
    }
    void enterApplies()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, data);
        QFETCH(QString, width);
        auto *edit = control<QLineEdit>(box);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(form()->dataText(), data);
        QCOMPARE(control<QLineEdit>("txtImagByte")->text(), width);
    }

    // "Done" is the default button, and the boxes say how to apply, exactly while a box's text
    // differs from the one the data text was last written with.
    void pendingCue_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("pending");

        QTest::newRow("callsign typed") << QStringList { "callsign:A" } << true;
        QTest::newRow("width typed") << QStringList { "width:3" } << true;
        QTest::newRow("Done") << QStringList { "callsign:A", "Done" } << false;
        QTest::newRow("a click") << QStringList { "width:3", "click" } << false;
        QTest::newRow("undo of a click after typing")
            << QStringList { "callsign:A", "click", "undo" } << true;
    }
    void pendingCue()
    {
        QFETCH(QStringList, steps);
        QFETCH(bool, pending);
        auto *width = control<QLineEdit>("txtImagByte");
        auto *callsign = control<QLineEdit>("txtCWID");
        for (const QString &step : steps) {
            const QString value = step.section(u':', 1);
            if (step.startsWith("callsign"))
                callsign->setText(value);
            else if (step.startsWith("width"))
                width->setText(value);
            else if (step == "Done")
                QTest::mouseClick(control<QPushButton>("cmdUpDate"), Qt::LeftButton);
            else if (step.startsWith("click"))
                form()->picField_Click(value.isEmpty() ? 0 : value.toInt());
            else if (step == "load")
                form()->loadFile(path("data.txt"));
            else if (step == "undo")
                form()->pictureEditor().undo();
            else
                form()->pictureEditor().redo();
        }
        QCOMPARE(form()->model().textsPending(), pending);
        QCOMPARE(control<QPushButton>("cmdUpDate")->isDefault(), pending);
        const QString tip = pending ? QStringLiteral("Press Done or Enter to apply") : QString();
        QCOMPARE(width->toolTip(), tip);
        QCOMPARE(callsign->toolTip(), tip);
        QCOMPARE(control<QPushButton>("cmdUpDate")->text(), "Done");
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
