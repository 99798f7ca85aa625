// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "ui/CellGrid.h"
#include "ui/Form1.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace qie;
using qie::test::FakeCommControl;
using qie::test::FakeDialogService;

namespace {

// A control that loses its port on a failed write and reports it both ways at once, as a
// real one may: by the signal and by the returned error.
class LosingPort : public FakeCommControl
{
public:
    std::optional<CommError> setOutput(const QString &) override
    {
        const CommError error { 8005, QStringLiteral("device unplugged") };
        lose(error);
        return error;
    }
};

QString zeros(int count)
{
    return QString(count, u'0');
}

// The data text for a callsign and ten row lines.
QString dataTextOf(const QString &callsign, const QStringList &rows)
{
    QString text = callsign + QStringLiteral("\r\n");
    for (const QString &row : rows)
        text += row + QStringLiteral("\r\n");
    return text;
}

QStringList blankRows(int bytes)
{
    return QStringList(10, zeros(2 * bytes));
}

// The first cell of byte column g (0..15).
int firstCellOf(int g)
{
    return g < 8 ? 8 * g : 640 + 8 * (g - 8);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestUi : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeDialogService> m_dialogs;
    std::unique_ptr<FakeCommControl> m_port;
    std::unique_ptr<Form1> m_form;
    QTemporaryDir m_dir;

    template<class T> T *control(const char *name) const
    {
        auto *widget = m_form->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no control named %s", name);
        return widget;
    }
    CellGrid *grid() const { return control<CellGrid>("picField"); }
    void clickCell(int n)
    {
        QTest::mouseClick(grid(), Qt::LeftButton, {}, grid()->cellRect(n).center());
    }
    void press(const char *button)
    {
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    }
    void setWidth(const QString &text)
    {
        control<QLineEdit>("txtImagByte")->setText(text);
        press("cmdUpDate");
    }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    void make(FakeCommControl *port = nullptr)
    {
        m_form.reset();
        m_dialogs = std::make_unique<FakeDialogService>();
        m_port.reset(port ? port : new FakeCommControl);
        m_form = std::make_unique<Form1>(*m_dialogs, *m_port);
    }
    QColor receiveColour() const
    {
        return control<QPlainTextEdit>("txtReceiveData")->palette().color(QPalette::Base);
    }

private slots:
    void init() { make(); }
    void cleanup()
    {
        m_form.reset();
        m_port.reset();
        m_dialogs.reset();
    }

    void cellPlaces_data();
    void cellPlaces();
    void cellsTileWithoutGaps();
    void byteLabels_data();
    void byteLabels();
    void startUp();
    void clickToggles_data();
    void clickToggles();
    void blockedClickBeeps();
    void done_data();
    void done();
    void typedTextsKeepMaxLength_data();
    void typedTextsKeepMaxLength();
    void loadedTextsAreCut();
    void loadSetsEverything();
    void failedLoadChangesNothing_data();
    void failedLoadChangesNothing();
    void saveWritesShownText();
    void failedSaveChangesOnlyCaption();
    void openAndClose_data();
    void openAndClose();
    void failedOpenKeepsClosedDisplay();
    void sendWritesStoredText();
    void lostPortReportedOnce_data();
    void lostPortReportedOnce();
    void portEvents_data();
    void portEvents();
    void receiveAppends_data();
    void receiveAppends();
    void exitNoChangesNothing();
    void exitYesEnds_data();
    void exitYesEnds();
    void focusStartsOnExit();
    void fontsHaveJapaneseGlyphs();
};

void TestUi::cellPlaces_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::newRow("0") << 0 << 120 << 120;
    QTest::newRow("63") << 63 << 14925 << 120;
    QTest::newRow("639") << 639 << 14925 << 2235;
    QTest::newRow("640") << 640 << 120 << 2670;
    QTest::newRow("1279") << 1279 << 14925 << 4785;
}

void TestUi::cellPlaces()
{
    QFETCH(int, cell);
    QFETCH(int, left);
    QFETCH(int, top);
    const QRect twips = grid()->cellTwips(cell);
    QCOMPARE(twips, QRect(left, top, 235, 235));
    QCOMPARE(grid()->cellRect(cell).translated(grid()->pos()), Twips::toPixels(twips));
}

void TestUi::cellsTileWithoutGaps()
{
    const CellGrid *g = grid();
    for (int n = 0; n < CellGrid::kCellCount; ++n) {
        const QRect r = g->cellRect(n);
        QVERIFY2(r.width() >= 15 && r.width() <= 16 && r.height() >= 15 && r.height() <= 16,
                 qPrintable(QString::number(n)));
        QCOMPARE(g->cellAt(r.topLeft()), n);
        QCOMPARE(g->cellAt(r.bottomRight()), n);
        if (n % 64 != 63)
            QCOMPARE(g->cellRect(n + 1).left(), r.right() + 1);
        if ((n / 64) % 10 != 9)
            QCOMPARE(g->cellRect(n + 64).top(), r.bottom() + 1);
    }
    // Between the bands: 200 twips, and no cell there.
    const QRect last = g->cellRect(600);
    QCOMPARE(g->cellRect(640).top() - (last.bottom() + 1),
             Twips::toPixels(2670) - Twips::toPixels(2470));
    QCOMPARE(g->cellAt(QPoint(last.center().x(), last.bottom() + 2)), -1);
}

void TestUi::byteLabels_data()
{
    QTest::addColumn<int>("label");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::newRow("1") << 1 << 1815 << 2470;
    QTest::newRow("9") << 9 << 1815 << 5020;
    QTest::newRow("16") << 16 << 14975 << 5020;
}

void TestUi::byteLabels()
{
    QFETCH(int, label);
    QFETCH(int, left);
    QFETCH(int, top);
    auto *l = m_form->findChild<QLabel *>(QStringLiteral("lblImgbyte%1").arg(label));
    QVERIFY(l);
    QCOMPARE(l->text(), QString::number(label));
    QCOMPARE(l->property("twips").toRect().topLeft(), QPoint(left, top));
    QCOMPARE(l->pos(), Twips::toPixels(QPoint(left, top)));
    QVERIFY(!l->isHidden());
}

void TestUi::startUp()
{
    const QString expected = dataTextOf(QString(), blankRows(16));
    QCOMPARE(m_form->dataText(), expected);
    QCOMPARE(QString::fromStdString(m_form->model().sendData()), expected);
    QVERIFY(!control<QLabel>("lblData")->text().contains(u'\r'));
    QVERIFY(!control<QPushButton>("cmdSendData")->isEnabled());
    QCOMPARE(control<QLabel>("lblMsg")->text(), QStringLiteral("xy=      x=     y=     "));
    for (int n = 0; n < CellGrid::kCellCount; ++n)
        QCOMPARE(grid()->picture(n), CellPicture::Off);
    QCOMPARE(receiveColour(), m_form->palette().color(QPalette::Dark));
}

void TestUi::clickToggles_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("line");
    QTest::newRow("first cell") << 0 << 0 << QStringLiteral("80") + zeros(30);
    QTest::newRow("diagonal") << 65 << 1 << QStringLiteral("40") + zeros(30);
    QTest::newRow("lower band starts at byte 8")
        << 640 << 0 << zeros(16) + QStringLiteral("80") + zeros(14);
    QTest::newRow("last cell") << 1279 << 9 << zeros(30) + QStringLiteral("01");
    QTest::newRow("upper band end") << 639 << 9 << zeros(14) + QStringLiteral("01") + zeros(16);
}

void TestUi::clickToggles()
{
    QFETCH(int, cell);
    QFETCH(int, row);
    QFETCH(QString, line);
    const QString before = m_form->dataText();
    clickCell(cell);
    QStringList rows = blankRows(16);
    rows[row] = line;
    QCOMPARE(m_form->dataText(), dataTextOf(QString(), rows));
    QCOMPARE(QString::fromStdString(m_form->model().sendData()), m_form->dataText());
    QCOMPARE(grid()->picture(cell), CellPicture::On);
    QCOMPARE(m_form->model().cell(cell % 64, cell / 64), 1);
    clickCell(cell);
    QCOMPARE(m_form->dataText(), before);
    QCOMPARE(grid()->picture(cell), CellPicture::Off);
    QCOMPARE(m_dialogs->beeps, 0);
}

void TestUi::blockedClickBeeps()
{
    clickCell(40); // byte column 5, on while open
    setWidth(QStringLiteral("3"));
    const QString before = m_form->dataText();
    QCOMPARE(grid()->picture(40), CellPicture::Blocked);
    clickCell(40);
    clickCell(1279);
    QCOMPARE(m_dialogs->beeps, 2);
    QCOMPARE(m_form->dataText(), before);
    QCOMPARE(m_form->model().cell(40, 0), 1);
    QCOMPARE(grid()->picture(40), CellPicture::Blocked);
    // Widening again shows the cell as it was left.
    setWidth(QStringLiteral("16"));
    QCOMPARE(grid()->picture(40), CellPicture::On);
}

void TestUi::done_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("open");
    QTest::newRow("20 becomes 16") << "20"
                                   << "16" << 16;
    QTest::newRow("ab becomes 1") << "ab"
                                  << "1" << 1;
    QTest::newRow("5a stays") << "5a"
                              << "5a" << 5;
    QTest::newRow("9 opens a lower byte") << "9"
                                          << "9" << 9;
    QTest::newRow("-3 becomes 1") << "-3"
                                  << "1" << 1;
}

void TestUi::done()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(int, open);
    setWidth(typed);
    QCOMPARE(control<QLineEdit>("txtImagByte")->text(), after);
    for (int g = 0; g < 16; ++g) {
        QCOMPARE(grid()->picture(firstCellOf(g)),
                 g < open ? CellPicture::Off : CellPicture::Blocked);
        QCOMPARE(grid()->picture(firstCellOf(g) + 7 + 64 * 9),
                 g < open ? CellPicture::Off : CellPicture::Blocked);
    }
    QCOMPARE(m_form->dataText(), dataTextOf(QString(), blankRows(open)));
}

void TestUi::typedTextsKeepMaxLength_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("width") << "txtImagByte"
                           << "123"
                           << "12";
    QTest::newRow("port") << "Text2"
                          << "345"
                          << "34";
    QTest::newRow("callsign") << "txtCWID"
                              << "ABCDEFGHIJKLM"
                              << "ABCDEFGHIJKL";
}

void TestUi::typedTextsKeepMaxLength()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    auto *box = control<QLineEdit>(name.toLatin1().constData());
    box->selectAll();
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), kept);
}

void TestUi::loadedTextsAreCut()
{
    // Callsign of 15 characters; a 21-character last row gives the width 10.5, kept as "10".
    QByteArray file = "ABCDEFGHIJKLMNO\r\n";
    for (int r = 0; r < 9; ++r)
        file += "FF\r\n";
    file += QByteArray(21, '0') + "\r\n";
    writeFile(path("long.txt"), file);
    m_dialogs->fileNames << path("long.txt");
    press("cmdFileOpen2");
    QCOMPARE(control<QLineEdit>("txtCWID")->text(), QStringLiteral("ABCDEFGHIJKL"));
    QCOMPARE(control<QLineEdit>("txtImagByte")->text(), QStringLiteral("10"));
    // The shown text keeps all 15 until the next edit, which writes the 12 kept.
    QVERIFY(m_form->dataText().startsWith(QStringLiteral("ABCDEFGHIJKLMNO\r\n")));
    clickCell(2);
    QVERIFY(m_form->dataText().startsWith(QStringLiteral("ABCDEFGHIJKL\r\n")));
}

void TestUi::loadSetsEverything()
{
    const QByteArray file = "TEST\r\n8aZ3\r\n0000\r\n0000\r\n0000\r\n0000\r\n0000\r\n0000\r\n0000\r"
                            "\n0000\r\n0001\r\n";
    writeFile(path("logo.txt"), file);
    m_dialogs->fileNames << path("logo.txt");
    press("cmdFileOpen2");
    QCOMPARE(m_dialogs->boxes.size(), 0);
    const QString expected = QString::fromLatin1(file);
    QCOMPARE(m_form->dataText(), expected);
    QCOMPARE(QString::fromStdString(m_form->model().sendData()), expected);
    QCOMPARE(control<QLineEdit>("txtImagByte")->text(), QStringLiteral("2"));
    QCOMPARE(control<QLineEdit>("txtCWID")->text(), QStringLiteral("TEST"));
    QCOMPARE(control<QGroupBox>("framEdit")->title(), QStringLiteral("file name = logo.txt"));
    for (int x : { 0, 4, 6, 14, 15 })
        QCOMPARE(grid()->picture(x), CellPicture::On);
    QCOMPARE(grid()->picture(9 * 64 + 15), CellPicture::On);
    QCOMPARE(grid()->picture(1), CellPicture::Off);
    QCOMPARE(grid()->picture(16), CellPicture::Blocked);
    QCOMPARE(m_dialogs->filters.value(0).contains(QStringLiteral("*.txt")), true);
}

void TestUi::failedLoadChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("ten lines") << QByteArray("A\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n")
                               << true;
    QTest::newRow("LF line ends") << QByteArray("A\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n") << true;
}

void TestUi::failedLoadChangesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    control<QLineEdit>("txtCWID")->setText(QStringLiteral("OLD"));
    clickCell(3);
    const QString text = m_form->dataText();
    const std::string sent = m_form->model().sendData();
    if (exists)
        writeFile(path("bad.txt"), content);
    m_dialogs->fileNames << path("bad.txt");
    press("cmdFileOpen2");
    QCOMPARE(m_dialogs->boxes.size(), 1);
    QCOMPARE(m_dialogs->boxes[0].title, QStringLiteral("Error"));
    QVERIFY(m_dialogs->boxes[0].prompt.startsWith(QStringLiteral("Number : ")));
    QCOMPARE(m_form->dataText(), text);
    QCOMPARE(m_form->model().sendData(), sent);
    QCOMPARE(control<QLineEdit>("txtCWID")->text(), QStringLiteral("OLD"));
    QCOMPARE(control<QLineEdit>("txtImagByte")->text(), QStringLiteral("16"));
    QCOMPARE(control<QGroupBox>("framEdit")->title(), QStringLiteral("file name = "));
    QCOMPARE(grid()->picture(3), CellPicture::On);
}

void TestUi::saveWritesShownText()
{
    control<QLineEdit>("txtCWID")->setText(QStringLiteral("CQ"));
    clickCell(0);
    const std::string sent = m_form->model().sendData();
    m_dialogs->fileNames << path("out.txt");
    press("cmdFileOpen");
    QFile file(path("out.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(file.readAll()), m_form->dataText() + QStringLiteral("\r\n"));
    QCOMPARE(control<QGroupBox>("framEdit")->title(), QStringLiteral("file name = out.txt"));
    QCOMPARE(m_form->model().sendData(), sent);
    QCOMPARE(m_dialogs->dialogModes.value(0), DialogService::FileMode::Save);
    // A cancelled dialog writes nothing and clears the name.
    press("cmdFileOpen");
    QCOMPARE(control<QGroupBox>("framEdit")->title(), QStringLiteral("file name = "));
    QCOMPARE(m_dialogs->boxes.size(), 0);
}

void TestUi::failedSaveChangesOnlyCaption()
{
    clickCell(5);
    const QString text = m_form->dataText();
    m_dialogs->fileNames << path("no-such-folder/out.txt");
    press("cmdFileOpen");
    QCOMPARE(m_dialogs->boxes.size(), 1);
    QCOMPARE(m_dialogs->boxes[0].title, QStringLiteral("Error"));
    QVERIFY(m_dialogs->boxes[0].prompt.contains(QStringLiteral("\rDescription : ")));
    QCOMPARE(control<QGroupBox>("framEdit")->title(), QStringLiteral("file name = out.txt"));
    QCOMPARE(m_form->dataText(), text);
    QCOMPARE(grid()->picture(5), CellPicture::On);
}

void TestUi::openAndClose_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("port");
    QTest::newRow("default") << "1" << 1;
    QTest::newRow("leading blank") << " 3" << 3;
    QTest::newRow("digit then letter") << "3a" << 3;
    QTest::newRow("letter then digit") << "a3" << 0;
    QTest::newRow("hex") << "&H" << 0;
    QTest::newRow("half rounds to even") << ".5" << 0;
}

void TestUi::openAndClose()
{
    QFETCH(QString, typed);
    QFETCH(int, port);
    control<QLineEdit>("Text2")->setText(typed);
    press("Command1");
    QVERIFY(m_port->open);
    QCOMPARE(m_port->commPort, port);
    QCOMPARE(m_port->settings, QStringLiteral("9600,n,8,1"));
    QCOMPARE(m_port->handshaking, 0);
    QCOMPARE(m_port->sThreshold, 1);
    QCOMPARE(m_port->rThreshold, 1);
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("Com No, = ") + typed);
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Close"));
    QVERIFY(control<QPushButton>("cmdSendData")->isEnabled());
    QCOMPARE(receiveColour(), m_form->palette().color(QPalette::Button));

    press("Command1");
    QVERIFY(!m_port->open);
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("Com No, ="));
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Open"));
    QVERIFY(!control<QPushButton>("cmdSendData")->isEnabled());
    QCOMPARE(receiveColour(), m_form->palette().color(QPalette::Dark));
    QCOMPARE(m_dialogs->boxes.size(), 0);
}

void TestUi::failedOpenKeepsClosedDisplay()
{
    m_port->failOpen = CommError { 8002, QStringLiteral("port in use") };
    press("Command1");
    QCOMPARE(m_dialogs->boxes.size(), 1);
    QCOMPARE(m_dialogs->boxes[0].prompt,
             QStringLiteral("Number : 8002\rDescription : port in use"));
    QCOMPARE(m_dialogs->boxes[0].style, int(DialogService::OkOnly));
    QVERIFY(!m_port->open);
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("Com No, = 1"));
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Open"));
    QVERIFY(!control<QPushButton>("cmdSendData")->isEnabled());
    // A failure on the port number stops before the label changes.
    m_port->failCommPort = CommError { 8000, QStringLiteral("no such port") };
    control<QLineEdit>("Text2")->setText(QStringLiteral("7"));
    press("Command1");
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("Com No, = 1"));
    QCOMPARE(m_port->settings, QStringLiteral("9600,n,8,1"));
    QCOMPARE(m_dialogs->boxes.size(), 2);
}

void TestUi::sendWritesStoredText()
{
    clickCell(9);
    press("Command1");
    press("cmdSendData");
    press("cmdSendData");
    QCOMPARE(m_port->written, QStringList(2, QString::fromStdString(m_form->model().sendData())));
    QCOMPARE(m_port->written.value(0), m_form->dataText());
    QCOMPARE(m_dialogs->boxes.size(), 0);
}

void TestUi::lostPortReportedOnce_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("failed write") << 0;
    QTest::newRow("signal") << 1;
    QTest::newRow("both at once") << 2;
}

void TestUi::lostPortReportedOnce()
{
    QFETCH(int, how);
    if (how == 2)
        make(new LosingPort);
    press("Command1");
    QVERIFY(m_port->open);
    if (how == 0) {
        m_port->failOutput = CommError { 8005, QStringLiteral("device unplugged") };
        press("cmdSendData");
    } else if (how == 1) {
        m_port->lose(CommError { 8005, QStringLiteral("device unplugged") });
    } else {
        press("cmdSendData");
    }
    QCOMPARE(m_dialogs->boxes.size(), 1);
    QCOMPARE(m_dialogs->boxes[0].prompt, QStringLiteral("device unplugged"));
    QCOMPARE(m_dialogs->boxes[0].style, int(DialogService::Exclamation));
    QCOMPARE(m_dialogs->boxes[0].title, QStringLiteral("通信エラー"));
    QVERIFY(!m_port->open);
    QCOMPARE(control<QPushButton>("Command1")->text(), QStringLiteral("Open"));
    QVERIFY(!control<QPushButton>("cmdSendData")->isEnabled());
    QCOMPARE(control<QLabel>("Label2")->text(), QStringLiteral("Com No, ="));
    // Opening again works and asks the port afresh.
    press("Command1");
    QVERIFY(m_port->open);
}

void TestUi::portEvents_data()
{
    QTest::addColumn<int>("event");
    QTest::addColumn<QString>("message");
    for (int quiet : { 1, 3, 4, 5, 6, 7 })
        QTest::addRow("quiet %d", quiet) << quiet << QString();
    QTest::newRow("break") << 1001 << QStringLiteral("中断信号が受信されました。");
    QTest::newRow("frame") << 1004 << QStringLiteral("フレーム エラーです。");
    QTest::newRow("overrun") << 1006 << QStringLiteral("データが失われました。");
    QTest::newRow("rx over") << 1008 << QStringLiteral("受信バッファがオーバーフローしました。");
    QTest::newRow("parity") << 1009 << QStringLiteral("中パリティ エラーです。");
    QTest::newRow("tx full") << 1010 << QStringLiteral("送信バッファがいっぱいです。");
    QTest::newRow("dcb")
        << 1011
        << QStringLiteral(
               "デバイス コントロール ブロック (DCB) が取得される予期しないエラーです。");
    QTest::newRow("cts timeout") << 1002 << QStringLiteral("未定義のエラーが発生しました。");
    QTest::newRow("unknown") << 0 << QStringLiteral("未定義のエラーが発生しました。");
}

void TestUi::portEvents()
{
    QFETCH(int, event);
    QFETCH(QString, message);
    press("Command1");
    m_port->raise(event);
    if (message.isEmpty()) {
        QCOMPARE(m_dialogs->boxes.size(), 0);
    } else {
        QCOMPARE(m_dialogs->boxes.size(), 1);
        QCOMPARE(m_dialogs->boxes[0].prompt, message);
        QCOMPARE(m_dialogs->boxes[0].style, 48);
        QCOMPARE(m_dialogs->boxes[0].title, QStringLiteral("通信エラー"));
    }
    QVERIFY(m_port->open);
    QVERIFY(control<QPushButton>("cmdSendData")->isEnabled());
    QVERIFY(control<QPlainTextEdit>("txtReceiveData")->toPlainText().isEmpty());
}

void TestUi::receiveAppends_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QStringList { "AB", "C" } << "ABC";
    QTest::newRow("CR LF") << QStringList { "OK\r\nNEXT" } << "OK\nNEXT";
    QTest::newRow("CR LF split") << QStringList { "OK\r", "\nNEXT" } << "OK\nNEXT";
    QTest::newRow("lone CR and LF") << QStringList { "A\rB\nC" } << "A\nB\nC";
    QTest::newRow("Japanese") << QStringList { "受信", "済み" } << "受信済み";
    QTest::newRow("blank lines kept") << QStringList { "\r\n\r\n", "X" } << "\n\nX";
}

void TestUi::receiveAppends()
{
    QFETCH(QStringList, chunks);
    QFETCH(QString, shown);
    auto *area = control<QPlainTextEdit>("txtReceiveData");
    press("Command1");
    m_port->raise(CommControl::comEvReceive, QStringLiteral("old "));
    area->moveCursor(QTextCursor::Start);
    for (const QString &chunk : chunks)
        m_port->raise(CommControl::comEvReceive, chunk);
    QCOMPARE(area->toPlainText(), QStringLiteral("old ") + shown);
    QCOMPARE(area->textCursor().position(), area->document()->characterCount() - 1);
    // Closing and opening again keeps the text; typing does not change it.
    press("Command1");
    press("Command1");
    QTest::keyClicks(area, QStringLiteral("xyz"));
    QCOMPARE(area->toPlainText(), QStringLiteral("old ") + shown);
}

void TestUi::exitNoChangesNothing()
{
    QSignalSpy ended(m_form.get(), &Form1::ended);
    press("Command1");
    clickCell(12);
    const QString text = m_form->dataText();
    m_dialogs->answers << DialogService::No << DialogService::No;
    press("cmdEnd");
    QCOMPARE(m_dialogs->boxes.size(), 1);
    QCOMPARE(m_dialogs->boxes[0].prompt, QStringLiteral("Do you wnat to END ?"));
    QCOMPARE(m_dialogs->boxes[0].title, QStringLiteral("Image Editor"));
    QCOMPARE(m_dialogs->boxes[0].style, int(DialogService::YesNo));
    QCOMPARE(ended.size(), 0);
    QVERIFY(m_port->open);
    QCOMPARE(m_form->dataText(), text);
    QCOMPARE(grid()->picture(12), CellPicture::On);
    QVERIFY(control<QPushButton>("cmdSendData")->isEnabled());
    // Asked again on the next press; closing the window asks the same.
    press("cmdEnd");
    QCOMPARE(m_dialogs->boxes.size(), 2);
    m_dialogs->answers << DialogService::No;
    QVERIFY(!m_form->close());
    QCOMPARE(m_dialogs->boxes.size(), 3);
    QCOMPARE(ended.size(), 0);
}

void TestUi::exitYesEnds_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void TestUi::exitYesEnds()
{
    QFETCH(bool, open);
    QSignalSpy ended(m_form.get(), &Form1::ended);
    if (open)
        press("Command1");
    // A closed port must not be closed again: this failure would surface if it were.
    if (!open)
        m_port->failClose = CommError { 1, QStringLiteral("not open") };
    m_dialogs->answers << DialogService::Yes;
    press("cmdEnd");
    QCOMPARE(ended.size(), 1);
    QVERIFY(!m_port->open);
    QCOMPARE(m_port->failClose.has_value(), !open);
    QCOMPARE(m_dialogs->boxes.size(), 1);
}

void TestUi::focusStartsOnExit()
{
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("cmdEnd"));
    // The focus order follows the layout's tab indexes; "Send" is skipped while disabled.
    const QStringList order { "picField",     "txtReceiveData", "txtCWID",  "txtImagByte",
                              "cmdUpDate",    "Text2",          "Command1", "cmdFileOpen",
                              "cmdFileOpen2", "cmdEnd" };
    for (const QString &name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
    // Enter on the focused "Exit" asks.
    m_dialogs->answers << DialogService::No;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(m_dialogs->boxes.size(), 1);
}

void TestUi::fontsHaveJapaneseGlyphs()
{
    const QString japanese = QStringLiteral("全てのﾌｧｲﾙ 通信エラー");
    for (const char *name : { "lblData", "lblMsg1", "txtReceiveData" }) {
        const QFont font = control<QWidget>(name)->font();
        const QFontMetrics metrics(font);
        for (const QChar c : japanese)
            QVERIFY2(metrics.inFontUcs4(c.unicode()), qPrintable(QFontInfo(font).family()));
    }
}

QTEST_MAIN(TestUi)
#include "test_ui.moc"
