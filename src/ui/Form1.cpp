// SPDX-License-Identifier: MIT
#include "ui/Form1.h"

#include "files/DataFile.h"
#include "model/Numbers.h"
#include "serial/CommControl.h"
#include "ui/CellGrid.h"
#include "ui/DataLabel.h"
#include "ui/DialogService.h"
#include "ui/Fonts.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <algorithm>

namespace qie {
namespace {

constexpr int kErrOverflow = 6;
const QString kPortFaultTitle = QStringLiteral("通信エラー");

// Cuts a text to the length a text box keeps. A character outside the basic plane is kept
// whole or dropped whole, never split into half a surrogate pair.
QString cutTo(const QString &text, int maxLength)
{
    QString cut = text.left(maxLength);
    if (cut.size() == maxLength && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

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
    connect(cmdUpDate, &QPushButton::clicked, this, &Form1::cmdUpDate_Click);
    connect(cmdFileOpen, &QPushButton::clicked, this, &Form1::cmdFileOpen_Click);
    connect(cmdFileOpen2, &QPushButton::clicked, this, &Form1::cmdFileOpen2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(cmdSendData, &QPushButton::clicked, this, &Form1::cmdSendData_Click);
    connect(cmdEnd, &QPushButton::clicked, this, &Form1::cmdEnd_Click);
    connect(&m_port, &CommControl::OnComm, this, &Form1::mscPort_OnComm);
    connect(&m_port, &CommControl::portLost, this, &Form1::portLost);

    Form_Load();
}

Form1::~Form1() = default;

void Form1::buildLayout()
{
    const auto place = [this](QWidget *widget, const char *name, const QRect &twips, int tabIndex) {
        widget->setObjectName(QLatin1String(name));
        widget->setProperty("twips", twips);
        widget->setGeometry(Twips::toPixels(twips));
        m_tabIndexes.emplace_back(tabIndex, widget);
    };
    const auto label = [&](QWidget *parent, const char *name, const QString &caption,
                           const QRect &twips, int tabIndex, bool autoSize) {
        auto *l = new QLabel(caption, parent);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        place(l, name, twips, tabIndex);
        if (autoSize)
            l->adjustSize();
        return l;
    };
    const auto button = [&](QWidget *parent, const char *name, const QString &caption,
                            const QRect &twips, int tabIndex) {
        auto *b = new QPushButton(caption, parent);
        // Enter presses the button that has the focus, as on the platform the layout was
        // made for; Qt does that only for auto-default buttons.
        b->setAutoDefault(true);
        place(b, name, twips, tabIndex);
        return b;
    };
    const auto textBox = [&](QWidget *parent, const char *name, const QString &text,
                             const QRect &twips, int tabIndex, int maxLength) {
        auto *t = new QLineEdit(parent);
        t->setMaxLength(maxLength);
        t->setText(text);
        place(t, name, twips, tabIndex);
        return t;
    };

    // Labels come first: they lie beneath every windowed control, so the cells hide the two
    // templates that sit inside the grid.
    lblImgbyte0 = label(this, "lblImgbyte0", QStringLiteral("lblImgbyte"), { 3720, 240, 780, 180 },
                        20, true);
    lblMsg = label(this, "lblMsg", QStringLiteral("lblMsg"), { 3720, 600, 495, 180 }, 6, true);
    lblMsg->setEnabled(false);
    const struct
    {
        const char *name;
        const char *caption;
        QRect twips;
        int tabIndex;
    } headings[] = {
        { "lblMsg1", "Content of Data", { 1200, 5760, 1455, 180 }, 5 },
        { "Label3", "Edit Image", { 5400, 5760, 960, 180 }, 27 },
        { "lblMsg2", "EIA232E received", { 9000, 5760, 1590, 180 }, 4 },
        { "Label1", "Send Data", { 13080, 5760, 930, 180 }, 26 },
    };
    for (const auto &h : headings) {
        QLabel *l = label(this, h.name, QString::fromLatin1(h.caption), h.twips, h.tabIndex, false);
        l->setFont(Fonts::heading());
        l->adjustSize();
    }
    lblData = new DataLabel(this);
    lblData->setTextFormat(Qt::PlainText);
    place(lblData, "lblData", { 120, 6120, 3975, 2535 }, 7);
    lblData->setFont(Fonts::data());

    picField = new CellGrid(this);
    picField->setProperty("twips", QRect(0, 0, 235, 235));
    m_tabIndexes.emplace_back(3, picField);

    framEdit = new QGroupBox(QStringLiteral("file name = "), this);
    place(framEdit, "framEdit", { 4200, 6000, 3375, 2655 }, 9);
    label(framEdit, "lblCWID", QStringLiteral("Enter Callsign (max.12)"), { 120, 360, 1815, 255 },
          10, false);
    txtCWID
        = textBox(framEdit, "txtCWID", QString(), { 120, 720, 1575, 375 }, 11, kCallsignMaxLength);
    txtCWID->setFont(Fonts::data());
    label(framEdit, "lblByte", QStringLiteral("Entert byte (max.16)"), { 120, 1320, 1695, 255 }, 21,
          false);
    txtImagByte = textBox(framEdit, "txtImagByte", QStringLiteral("16"), { 600, 1560, 375, 330 },
                          12, kWidthMaxLength);
    txtImagByte->setFont(Fonts::data());
    cmdUpDate = button(framEdit, "cmdUpDate", QStringLiteral("Done"), { 240, 2040, 1215, 495 }, 13);
    auto *frame1 = new QGroupBox(QStringLiteral("File"), framEdit);
    place(frame1, "Frame1", { 1920, 600, 1335, 1935 }, 22);
    cmdFileOpen2
        = button(frame1, "cmdFileOpen2", QStringLiteral("Load file"), { 120, 480, 1095, 375 }, 24);
    cmdFileOpen
        = button(frame1, "cmdFileOpen", QStringLiteral("Save file"), { 120, 1320, 1095, 375 }, 23);

    txtReceiveData = new QPlainTextEdit(this);
    place(txtReceiveData, "txtReceiveData", { 7680, 6120, 4335, 2535 }, 8);
    txtReceiveData->setFont(Fonts::data());
    // Read-only keeps selecting and copying; the operator cannot type.
    txtReceiveData->setReadOnly(true);
    txtReceiveData->setTextInteractionFlags(Qt::TextSelectableByMouse
                                            | Qt::TextSelectableByKeyboard);
    txtReceiveData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtReceiveData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtReceiveData->setFocusPolicy(Qt::StrongFocus);

    auto *fram232 = new QGroupBox(this);
    place(fram232, "fram232", { 12120, 6000, 3015, 2175 }, 14);
    fram232->setFont(Fonts::heading());
    // The controls inside keep the window font rather than inheriting the frame's.
    Label2
        = label(fram232, "Label2", QStringLiteral("Com No, ="), { 120, 360, 1335, 255 }, 19, false);
    Text2 = textBox(fram232, "Text2", QStringLiteral("1"), { 1560, 360, 375, 375 }, 15,
                    kPortMaxLength);
    Command1 = button(fram232, "Command1", QStringLiteral("Open"), { 2040, 240, 615, 495 }, 16);
    cmdSendData
        = button(fram232, "cmdSendData", QStringLiteral("Send"), { 840, 1080, 1095, 555 }, 17);
    QLabel *parameters
        = label(fram232, "lblRecieveData", QStringLiteral("Com. parameters = 9600 , n , 8 , 1"),
                { 240, 1800, 2655, 255 }, 18, false);
    for (QWidget *w : { static_cast<QWidget *>(Label2), static_cast<QWidget *>(Text2),
                        static_cast<QWidget *>(Command1), static_cast<QWidget *>(cmdSendData),
                        static_cast<QWidget *>(parameters) })
        w->setFont(Fonts::window());
    showPortState(false);
    // The port list is asked for when a tooltip is about to show: it stays current when an
    // adapter is plugged in later, and scanning the devices does not slow the start.
    Label2->installEventFilter(this);
    Text2->installEventFilter(this);

    cmdEnd = button(this, "cmdEnd", QStringLiteral("Exit"), { 13080, 8280, 1215, 375 }, 0);

    setTabOrder();
    cmdEnd->setFocus();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip && (watched == Label2 || watched == Text2))
        static_cast<QWidget *>(watched)->setToolTip(m_port.describePorts());
    return QWidget::eventFilter(watched, event);
}

void Form1::setTabOrder()
{
    std::sort(m_tabIndexes.begin(), m_tabIndexes.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    QWidget *previous = nullptr;
    for (const auto &[index, widget] : m_tabIndexes) {
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void Form1::Form_Load()
{
    BuildCellGrid();
    InitEditor();
}

void Form1::BuildCellGrid()
{
    const QRect field0 = picField->property("twips").toRect();
    picField->placeCell(0, QRect(120, 120, field0.width(), field0.height()));
    for (int n = 1; n < CellGrid::kCellCount; ++n) {
        // W, H, L and T come from cell 0 each time, as the layout's template.
        const QRect cell0 = picField->cellTwips(0);
        const int left = (n % ImageModel::kColumns) * cell0.width() + cell0.left();
        int top = (n / ImageModel::kColumns) * cell0.height() + cell0.top();
        if (n >= ImageModel::kColumns * ImageModel::kBandRows)
            top += 200;
        picField->placeCell(n, QRect(left, top, cell0.width(), cell0.height()));
    }
    picField->fitToCells();
}

void Form1::InitEditor()
{
    m_model.RefreshCells();
    m_model.UpdateDataText();
    for (int i = 1; i <= 16; ++i) {
        const bool upper = i <= 8;
        const QRect rowCell = picField->cellTwips(upper ? 600 : 1270);
        const QRect columnCell = picField->cellTwips(8 * (upper ? i : i - 8) - 1);
        auto *label = new QLabel(QString::number(i), this);
        label->setObjectName(QStringLiteral("lblImgbyte%1").arg(i));
        label->setFont(lblImgbyte0->font());
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(lblImgbyte0->alignment());
        const QRect twips(columnCell.left() + 50, rowCell.top() + rowCell.height(),
                          lblImgbyte0->property("twips").toRect().width(),
                          lblImgbyte0->property("twips").toRect().height());
        label->setProperty("twips", twips);
        label->setGeometry(Twips::toPixels(twips));
        label->adjustSize();
        // Beneath the cells, like every label.
        label->stackUnder(picField);
        label->show();
    }
    lblMsg->setText(QStringLiteral("xy=      x=     y=     "));
    lblMsg->adjustSize();
    cmdSendData->setEnabled(false);
}

// --- EditorView -------------------------------------------------------------------------

std::string Form1::widthText() const
{
    return txtImagByte->text().toStdString();
}

void Form1::setWidthText(const std::string &text)
{
    txtImagByte->setText(cutTo(QString::fromStdString(text), kWidthMaxLength));
}

std::string Form1::callsignText() const
{
    return txtCWID->text().toStdString();
}

void Form1::setCellPicture(int cell, CellPicture picture)
{
    picField->setPicture(cell, picture);
}

void Form1::beep()
{
    m_dialogs.beep();
}

void Form1::setDataText(const std::string &text)
{
    setDataCaption(QString::fromStdString(text));
}

void Form1::setDataCaption(const QString &text)
{
    m_dataText = text;
    // The label shows the line ends as breaks; the text itself keeps them for saving.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(u'\r', u'\n');
    lblData->setText(shown);
}

// --- Handlers ---------------------------------------------------------------------------

void Form1::picField_Click(int index)
{
    m_model.picField_Click(index);
}

void Form1::cmdUpDate_Click()
{
    m_model.cmdUpDate_Click();
}

void Form1::cmdFileOpen_Click()
{
    const QString name
        = m_dialogs.fileDialog(DialogService::FileMode::Save, DataFile::dialogFilter());
    if (!name.isEmpty()) {
        if (const auto error = DataFile::save(name, m_dataText))
            m_dialogs.errorBox(error->number, error->description);
    }
    framEdit->setTitle(QStringLiteral("file name = ") + DataFile::tail(name));
}

void Form1::cmdFileOpen2_Click()
{
    const QString name
        = m_dialogs.fileDialog(DialogService::FileMode::Open, DataFile::dialogFilter());
    if (name.isEmpty())
        return;
    // The file is read and checked before anything changes: a failed load leaves the text
    // to send as it was, so that "Send" never transmits half a file.
    const auto result = DataFile::load(name);
    if (const auto *error = std::get_if<FileError>(&result)) {
        m_dialogs.errorBox(error->number, error->description);
        return;
    }
    const LoadedFile &loaded = std::get<LoadedFile>(result);
    m_model.setSendData(loaded.sendData.toStdString());
    txtImagByte->setText(cutTo(DataFile::widthTextFor(loaded.lines[10]), kWidthMaxLength));
    setDataCaption(loaded.sendData);
    framEdit->setTitle(QStringLiteral("file name = ") + DataFile::tail(name));
    txtCWID->setText(cutTo(loaded.lines[0], kCallsignMaxLength));
    ImageModel::Lines lines;
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i] = loaded.lines[i].toStdString();
    m_model.DecodeDataText(lines);
    m_model.RefreshCells();
}

void Form1::Command1_Click()
{
    const auto fail
        = [this](const CommError &error) { m_dialogs.errorBox(error.number, error.description); };
    if (!m_port.portOpen()) {
        const auto port = RoundHalfEven(LenientNumber(Text2->text().toStdString()));
        if (!port) {
            m_dialogs.errorBox(kErrOverflow,
                               QStringLiteral("Overflow: the port number is too large."));
            return;
        }
        if (const auto error = m_port.setCommPort(*port))
            return fail(*error);
        Label2->setText(QStringLiteral("Com No, = ") + Text2->text());
        // One step at a time: a refused setting stops before the next one is tried.
        if (const auto error = m_port.setSettings(QStringLiteral("9600,n,8,1")))
            return fail(*error);
        if (const auto error = m_port.setHandshaking(0))
            return fail(*error);
        if (const auto error = m_port.setSThreshold(1))
            return fail(*error);
        if (const auto error = m_port.setRThreshold(1))
            return fail(*error);
        if (const auto error = m_port.setPortOpen(true))
            return fail(*error);
        showPortState(true);
    } else {
        if (const auto error = m_port.setPortOpen(false))
            return fail(*error);
        showPortState(false);
    }
}

void Form1::cmdSendData_Click()
{
    if (const auto error = m_port.setOutput(QString::fromStdString(m_model.sendData())))
        reportPortFault(*error);
}

void Form1::mscPort_OnComm()
{
    QString message;
    switch (m_port.commEvent()) {
    case CommControl::comEvReceive:
        appendReceived(m_port.input());
        return;
    case CommControl::comEvSend:
    case CommControl::comEvCTS:
    case CommControl::comEvDSR:
    case CommControl::comEvCD:
    case CommControl::comEvRing:
    case CommControl::comEvEOF:
        return;
    case CommControl::comEventBreak:
        message = QStringLiteral("中断信号が受信されました。");
        break;
    case CommControl::comEventFrame:
        message = QStringLiteral("フレーム エラーです。");
        break;
    case CommControl::comEventOverrun:
        message = QStringLiteral("データが失われました。");
        break;
    case CommControl::comEventRxOver:
        message = QStringLiteral("受信バッファがオーバーフローしました。");
        break;
    case CommControl::comEventRxParity:
        message = QStringLiteral("中パリティ エラーです。");
        break;
    case CommControl::comEventTxFull:
        message = QStringLiteral("送信バッファがいっぱいです。");
        break;
    case CommControl::comEventDCB:
        message = QStringLiteral(
            "デバイス コントロール ブロック (DCB) が取得される予期しないエラーです。");
        break;
    default:
        message = QStringLiteral("未定義のエラーが発生しました。");
        break;
    }
    m_dialogs.messageBox(message, DialogService::Exclamation, kPortFaultTitle);
}

void Form1::appendReceived(const QString &chunk)
{
    if (chunk.isEmpty())
        return;
    // CR LF is one line break even when the two arrive in different chunks; a lone CR or LF
    // is a break too. The area keeps plain lines, so this is all the conversion it needs.
    QString text = chunk;
    if (m_receivedCr && text.front() == u'\n')
        text.remove(0, 1);
    m_receivedCr = chunk.back() == u'\r';
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');

    QTextCursor cursor(txtReceiveData->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    txtReceiveData->setTextCursor(cursor);
    txtReceiveData->ensureCursorVisible();
}

void Form1::showPortState(bool open)
{
    Command1->setText(open ? QStringLiteral("Close") : QStringLiteral("Open"));
    cmdSendData->setEnabled(open);
    QPalette colours = txtReceiveData->palette();
    colours.setColor(QPalette::Base, palette().color(open ? QPalette::Button : QPalette::Dark));
    txtReceiveData->setPalette(colours);
    if (!open)
        Label2->setText(QStringLiteral("Com No, ="));
}

void Form1::reportPortFault(const CommError &error)
{
    // A lost port can be reported twice, by a failed write and by the control's own signal;
    // the display still showing the port open tells whether this is the first report.
    const bool first = cmdSendData->isEnabled();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    showPortState(m_port.portOpen());
    if (first)
        m_dialogs.messageBox(error.description, DialogService::Exclamation, kPortFaultTitle);
}

void Form1::portLost(const CommError &error)
{
    reportPortFault(error);
}

// --- The end ----------------------------------------------------------------------------

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
    if (m_ended)
        return true;
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel)
        return false;
    Form_Unload();
    return true;
}

void Form1::Form_QueryUnload(bool &cancel)
{
    const int answer = m_dialogs.messageBox(QStringLiteral("Do you wnat to END ?"),
                                            DialogService::YesNo, QStringLiteral("Image Editor"));
    cancel = answer == DialogService::No;
}

void Form1::Form_Unload()
{
    // A port that refuses to close is released by the system when the process ends; there
    // is nobody left to tell.
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_ended = true;
    emit ended();
}

} // namespace qie
