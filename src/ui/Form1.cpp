// SPDX-License-Identifier: MIT
#include "ui/Form1.h"

#include "files/DataFile.h"
#include "serial/CommControl.h"
#include "ui/CellGrid.h"
#include "ui/ControlTable.h"
#include "ui/DataLabel.h"
#include "ui/DialogService.h"
#include "ui/Fonts.h"
#include "ui/GridMenu.h"
#include "ui/HelpWindow.h"
#include "ui/LineBreaks.h"
#include "ui/LiteralCaption.h"
#include "ui/PortPanel.h"
#include "ui/ReceiveArea.h"
#include "ui/RecentFolders.h"
#include "ui/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <type_traits>

namespace qie {
namespace {

// The layout in making order: labels first, so that they lie beneath every windowed control and
// the cells hide the two labels inside the grid. picField's rectangle is cell 0's as designed.
// The controls in fram232 keep the window font rather than inheriting the frame's.
using ControlTable::Kind;
constexpr auto kLabel = Kind::Label, kAutoSize = Kind::AutoSizeLabel, kButton = Kind::Button,
               kFrame = Kind::Frame, kTextBox = Kind::TextBox;
constexpr auto kInherit = ControlTable::FontOf::Container, kWindow = ControlTable::FontOf::Window,
               kHeading = ControlTable::FontOf::Heading, kData = ControlTable::FontOf::Data;
// clang-format off
const ControlTable::Control kLayout[] = {
    {"lblImgbyte0", kAutoSize, "lblImgbyte", nullptr, {3720, 240, 780, 180}, kInherit, 20},
    {"lblMsg", kAutoSize, "xy=      x=     y=     ", nullptr, {3720, 600, 495, 180}, kInherit, 6},
    {"lblMsg1", kAutoSize, "Content of Data", nullptr, {1200, 5760, 1455, 180}, kHeading, 5},
    {"Label3", kAutoSize, "Edit Image", nullptr, {5400, 5760, 960, 180}, kHeading, 27},
    {"lblMsg2", kAutoSize, "EIA232E received", nullptr, {9000, 5760, 1590, 180}, kHeading, 4},
    {"Label1", kAutoSize, "Send Data", nullptr, {13080, 5760, 930, 180}, kHeading, 26},
    {"lblData", Kind::DataLabel, "", nullptr, {120, 6120, 3975, 2535}, kData, 7},
    {"picField", Kind::Grid, "", nullptr, {0, 0, 235, 235}, kInherit, 3},
    {"framEdit", kFrame, "", nullptr, {4200, 6000, 3375, 2655}, kInherit, 9},
    {"lblCWID", kLabel, "Enter Callsign (max.12)", "framEdit", {120, 360, 1815, 255}, kInherit, 10},
    {"txtCWID", kTextBox, "", "framEdit", {120, 720, 1575, 375}, kData, 11,
     Document::kCallsignMaxLength},
    {"lblByte", kLabel, "Entert byte (max.16)", "framEdit", {120, 1320, 1695, 255}, kInherit, 21},
    {"txtImagByte", kTextBox, "16", "framEdit", {600, 1560, 375, 330}, kData, 12,
     Document::kWidthMaxLength},
    {"cmdUpDate", kButton, "Done", "framEdit", {240, 2040, 1215, 495}, kInherit, 13},
    {"Frame1", kFrame, "File", "framEdit", {1920, 600, 1335, 1935}, kInherit, 22},
    {"cmdFileOpen2", kButton, "Load file", "Frame1", {120, 480, 1095, 375}, kInherit, 24},
    {"cmdFileOpen", kButton, "Save file", "Frame1", {120, 1320, 1095, 375}, kInherit, 23},
    {"txtReceiveData", Kind::ReceiveArea, "", nullptr, {7680, 6120, 4335, 2535}, kData, 8},
    {"fram232", kFrame, "", nullptr, {12120, 6000, 3015, 2175}, kHeading, 14},
    {"Label2", kLabel, "Com No, =", "fram232", {120, 360, 1335, 255}, kWindow, 19},
    {"Text2", kTextBox, "1", "fram232", {1560, 360, 375, 375}, kWindow, 15, Form1::kPortMaxLength},
    {"Command1", kButton, "Open", "fram232", {2040, 240, 615, 495}, kWindow, 16},
    {"cmdSendData", kButton, "Send", "fram232", {840, 1080, 1095, 555}, kWindow, 17},
    {"lblRecieveData", kLabel, "Com. parameters = 9600 , n , 8 , 1", "fram232",
     {240, 1800, 2655, 255}, kWindow, 18},
    {"cmdEnd", kButton, "Exit", nullptr, {13080, 8280, 1215, 375}, kInherit, 0},
};
// clang-format on

} // namespace

Form1::Form1(DialogService &dialogs, CommControl &port, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_port(port)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quernel Image Editor"));
    setFont(Fonts::window());
    setProperty("twips", QRect(kStoredPosTwips, kClientTwips));
    resize(Twips::toPixels(kClientTwips));

    buildLayout();
    connect(picField, &CellGrid::clicked, this, &Form1::picField_Click);
    connect(txtImagByte, &QLineEdit::textChanged, this, &Form1::txtImagByte_Change);
    connect(txtCWID, &QLineEdit::textChanged, this, &Form1::txtCWID_Change);
    connect(picField, &CellGrid::strokeStarted, &m_editor, &PictureEditor::beginStroke);
    connect(picField, &CellGrid::strokeMoved, &m_editor, &PictureEditor::moveStroke);
    connect(picField, &CellGrid::strokeEnded, &m_editor, &PictureEditor::endStroke);
    m_gridMenu = new GridMenu(m_editor, picField, this);
    connect(cmdUpDate, &QPushButton::clicked, this, &Form1::cmdUpDate_Click);
    connect(txtCWID, &QLineEdit::returnPressed, this, &Form1::cmdUpDate_Click);
    connect(txtImagByte, &QLineEdit::returnPressed, this, &Form1::cmdUpDate_Click);
    connect(cmdFileOpen, &QPushButton::clicked, this, &Form1::cmdFileOpen_Click);
    connect(cmdFileOpen2, &QPushButton::clicked, this, &Form1::cmdFileOpen2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(cmdSendData, &QPushButton::clicked, this, &Form1::cmdSendData_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &Form1::cmdEnd_Click);
    connect(&m_port, &CommControl::dataReceived, this, &Form1::mscPort_Receive);
    connect(&m_port, &CommControl::lineFaultDetected, this, &Form1::mscPort_LineFault);
    connect(&m_port, &CommControl::portLost, m_portPanel, &PortPanel::reportLost);
    addShortcuts();

    Form_Load();
}

// The keys every desktop program has, for the whole window; none of them is shown in a caption,
// which stay as the layout has them.
void Form1::addShortcuts()
{
    const auto add = [this](const char *name, QKeyCombination keys, void (Form1::*handler)()) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(QKeySequence(keys));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    add("loadShortcut", Qt::CTRL | Qt::Key_O, &Form1::cmdFileOpen2_Click);
    add("saveShortcut", Qt::CTRL | Qt::Key_S, &Form1::cmdFileOpen_Click);
    add("exitShortcut", Qt::CTRL | Qt::Key_Q, &Form1::cmdEnd_Click);
    add("helpShortcut", QKeyCombination(Qt::Key_F1), &Form1::showHelp);
}

void Form1::showHelp()
{
    HelpWindow::open(this);
}

void Form1::buildLayout()
{
    ControlTable::build(*this, kLayout);
    const auto bind = [this](auto *&control, const char *name) {
        control = findChild<std::remove_reference_t<decltype(control)>>(QLatin1String(name));
    };
    bind(picField, "picField");
    bind(lblImgbyte0, "lblImgbyte0");
    bind(lblMsg, "lblMsg");
    bind(lblData, "lblData");
    bind(framEdit, "framEdit");
    bind(txtCWID, "txtCWID");
    bind(txtImagByte, "txtImagByte");
    bind(cmdUpDate, "cmdUpDate");
    bind(cmdFileOpen, "cmdFileOpen");
    bind(cmdFileOpen2, "cmdFileOpen2");
    bind(txtReceiveData, "txtReceiveData");
    bind(Label2, "Label2");
    bind(Text2, "Text2");
    bind(Command1, "Command1");
    bind(cmdSendData, "cmdSendData");
    bind(cmdEnd, "cmdEnd");

    txtReceiveData->setDialogs(m_dialogs);
    lblMsg->setEnabled(false);
    framEdit->setTitle(DataFile::caption(QString()));
    m_portPanel = new PortPanel(
        m_port, m_dialogs, { *Label2, *Text2, *Command1, *cmdSendData, *txtReceiveData }, this);
    m_view.emplace(
        DocumentView::Controls { *picField, *lblData, *txtImagByte, *txtCWID, *cmdUpDate },
        m_dialogs);
    cmdEnd->setFocus();
}

void Form1::Form_Load()
{
    picField->layOut(*lblImgbyte0);
    InitEditor();
}

void Form1::InitEditor()
{
    m_document.setView(&*m_view);
    m_document.RefreshCells();
    m_document.UpdateDataText();
}

QString Form1::dataText() const
{
    return CodePage::decode(QByteArrayView(m_document.sendData()));
}

void Form1::picField_Click(int index)
{
    m_editor.click(index);
}

// Typing is no undo step of its own: the box undoes its own typing, and the next step keeps
// the text it started from.
void Form1::txtImagByte_Change(const QString &text)
{
    m_document.setWidthText(text.toStdString());
}

void Form1::txtCWID_Change(const QString &text)
{
    m_document.setCallsignText(text.toStdString());
}

void Form1::cmdUpDate_Click()
{
    m_editor.perform(tr("Done"), [this] { m_document.cmdUpDate_Click(); });
}

// The dialog proposes the file last loaded or saved, or a name of the right kind: saving again
// after an edit is Ctrl+S and Enter.
void Form1::cmdFileOpen_Click()
{
    const QString current = QString::fromStdString(m_document.fileName());
    const QString proposed
        = current.isEmpty() ? QStringLiteral("image.txt") : QFileInfo(current).fileName();
    const QString name
        = RecentFolders::choose(m_dialogs, RecentFolders::Group::DataFiles, FileRequest::Mode::Save,
                                DataFile::dialogFilter(), proposed)
              .path;
    if (name.isEmpty())
        return;
    if (const auto error = DataFile::save(name, QByteArrayView(m_document.sendData())))
        return m_dialogs.error(*error);
    m_document.setFileName(name.toStdString());
    framEdit->setTitle(literalCaption(DataFile::caption(name)));
}

void Form1::cmdFileOpen2_Click()
{
    const QString name = RecentFolders::choose(m_dialogs, RecentFolders::Group::DataFiles,
                                               FileRequest::Mode::Open, DataFile::dialogFilter())
                             .path;
    if (!name.isEmpty())
        loadFile(name);
}

void Form1::loadFile(const QString &name)
{
    // The file is read and checked before anything changes: a failed load leaves the text
    // to send as it was, so that "Send" never transmits half a file.
    const auto result = DataFile::load(name);
    if (const auto *error = std::get_if<Error>(&result))
        return m_dialogs.error(*error);
    m_document.setFileName(name.toStdString());
    // A file opened from outside the dialogs moves their folder too: Save proposes it there.
    RecentFolders::remember(RecentFolders::Group::DataFiles, name);
    framEdit->setTitle(literalCaption(DataFile::caption(name)));
    m_editor.perform(tr("Load"), [&] { m_document.load(std::get<LoadedFile>(result).lines); });
}

void Form1::openDropped(const QString &path)
{
    if (isImage(path))
        m_editor.importFile(path);
    else
        loadFile(path);
}

bool Form1::isImage(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return false;
    // The portable bitmaps are known by two letters, "P1" to "P6", which a data file's
    // callsign line may begin with too; such a file is an image only when it has a size.
    const QByteArray format = reader.format();
    if (format == "pbm" || format == "pgm" || format == "ppm")
        return !reader.size().isEmpty();
    return true;
}

void Form1::Command1_Click()
{
    m_portPanel->openOrClose();
}

void Form1::cmdSendData_Click()
{
    m_portPanel->send(QByteArray::fromStdString(m_document.sendData()));
}

void Form1::mscPort_Receive()
{
    txtReceiveData->appendBytes(m_port.inputBytes());
}

void Form1::mscPort_LineFault(LineFault fault)
{
    m_portPanel->showLineFault(fault);
}

void Form1::cmdEnd_Click()
{
    close();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The window never closes by itself: the program ends as a whole or not at all.
    event->ignore();
    requestEnd();
}

bool Form1::requestEnd()
{
    bool cancel = false;
    if (!m_ended)
        Form_QueryUnload(cancel);
    if (!m_ended && !cancel)
        Form_Unload();
    return !cancel;
}

void Form1::Form_QueryUnload(bool &cancel)
{
    cancel = !m_dialogs.ask(QStringLiteral("Image Editor"), QStringLiteral("Do you wnat to END ?"));
}

void Form1::Form_Unload()
{
    m_portPanel->closeAtEnd();
    m_ended = true;
    emit ended();
}

} // namespace qie
