// SPDX-License-Identifier: MIT
#include "ui/ReceiveArea.h"

#include "common/Settings.h"
#include "files/CodePage.h"
#include "files/DataFile.h"
#include "model/HexDump.h"
#include "ui/DialogService.h"
#include "ui/RecentFolders.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

namespace qie {
namespace {

// Lines are joined into one paragraph of the document until it holds this many characters:
// the document pays for each paragraph (a block with its layout), so a flood of "OK" lines
// would otherwise cost many times what long lines cost; within a paragraph a line break
// costs a character. Small enough that re-laying out the last paragraph on every append
// stays cheap.
constexpr qsizetype kParagraphChars = 128;

const QString kFilter = QStringLiteral("全てのﾌｧｲﾙ (*)");
const QString kTimestampsKey = QStringLiteral("receive/timestamps");
const QString kShowSentKey = QStringLiteral("receive/showSent");
const QString kLineEndKey = QStringLiteral("sendText/lineEnd");
const QString kHistoryKey = QStringLiteral("sendText/history");
// A marker waits this long after the last bytes for the line's end.
constexpr std::chrono::milliseconds kMarkerWait { 1000 };
constexpr qsizetype kSendHistoryLines = 20;

// The widest layout first: as many bytes as fit, and the characters where they fit too.
constexpr ReceiveArea::HexLayout kHexLayouts[]
    = { { 16, true }, { 16, false }, { 8, true }, { 8, false }, { 4, true }, { 4, false } };

QByteArray lineEndBytes(SendLine::End end)
{
    switch (end) {
    case SendLine::End::CrLf:
        return QByteArrayLiteral("\r\n");
    case SendLine::End::Cr:
        return QByteArrayLiteral("\r");
    case SendLine::End::Lf:
        return QByteArrayLiteral("\n");
    case SendLine::End::None:
        break;
    }
    return {};
}

// A remembered line end, CR LF when nothing (or nothing valid) is remembered.
SendLine::End rememberedLineEnd()
{
    const int stored = Settings::value(kLineEndKey, int(SendLine::End::CrLf)).toInt();
    if (stored < int(SendLine::End::CrLf) || stored > int(SendLine::End::None))
        return SendLine::End::CrLf;
    return SendLine::End(stored);
}

std::u16string_view view(const QString &text)
{
    return { reinterpret_cast<const char16_t *>(text.utf16()), std::size_t(text.size()) };
}

// The last whole lines of a text that fit in `limit` characters (the last line whole in any
// case): what a history of that bound would keep of it.
QString lastLines(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    const qsizetype lineEnd = text.indexOf(u'\n', text.size() - limit - 1);
    return lineEnd < 0 ? text.mid(text.lastIndexOf(u'\n') + 1) : text.mid(lineEnd + 1);
}

} // namespace

ReceiveArea::ReceiveArea(QWidget *parent)
    : QPlainTextEdit(parent), m_bytes(kKeptBytes), m_history(std::size_t(kHistoryChars))
{
    // Read-only keeps selecting and copying; the operator cannot type.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    // Nothing here is ever undone, and an undo stack would keep every dropped line.
    document()->setUndoRedoEnabled(false);

    m_clearAction = new QAction(QStringLiteral("Cl&ear"), this);
    m_saveAction = new QAction(QStringLiteral("&Save received as…"), this);
    m_hexAction = new QAction(QStringLiteral("Show as &hex"), this);
    m_hexAction->setCheckable(true);
    m_logAction = new QAction(QStringLiteral("&Log to file…"), this);
    m_logAction->setCheckable(true);
    m_stampAction = new QAction(tr("Show &timestamps"), this);
    m_stampAction->setCheckable(true);
    m_stampAction->setChecked(Settings::value(kTimestampsKey, false).toBool());
    m_sentAction = new QAction(tr("Show se&nt data"), this);
    m_sentAction->setCheckable(true);
    m_sentAction->setChecked(Settings::value(kShowSentKey, false).toBool());
    m_sendTextAction = new QAction(tr("Send te&xt…"), this);
    m_sendTextAction->setEnabled(false);
    m_time = { [] { return QDateTime::currentDateTime(); },
               [this](std::chrono::milliseconds delay, std::function<void()> call) {
                   QTimer::singleShot(delay, this, std::move(call));
               } };
    connect(m_stampAction, &QAction::triggered, this, &ReceiveArea::setTimestamps);
    connect(m_sentAction, &QAction::triggered, this, &ReceiveArea::setShowSent);
    connect(m_sendTextAction, &QAction::triggered, this, &ReceiveArea::sendText);
    connect(m_clearAction, &QAction::triggered, this, &ReceiveArea::clearReceived);
    connect(m_saveAction, &QAction::triggered, this, &ReceiveArea::saveReceivedAs);
    connect(m_hexAction, &QAction::triggered, this, &ReceiveArea::setHexView);
    connect(m_logAction, &QAction::triggered, this, &ReceiveArea::setLogging);
}

ReceiveArea::~ReceiveArea() = default;

void ReceiveArea::appendBytes(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    m_bytes.append(std::string_view(bytes.data(), std::size_t(bytes.size())));
    // The log is written before anything is shown, so that it has every byte in order.
    const auto logError = m_log.write(bytes);
    if (isHexView())
        appendHex();
    else
        appendText(bytes);
    moveCaretToEnd();
    if (logError) {
        m_logAction->setChecked(false);
        if (m_dialogs)
            m_dialogs->postError(*logError);
    }
}

void ReceiveArea::appendText(QByteArrayView bytes)
{
    const QDateTime now = m_time.now();
    m_lastArrival = now;
    const QString stamp
        = m_stampAction->isChecked() ? now.toString(QStringLiteral("HH:mm:ss.zzz ")) : QString();
    const QString shown = m_text.append(bytes, stamp);
    const qsizetype lineEnd = m_text.firstLineEnd();
    if (m_markers.isEmpty() || lineEnd < 0)
        return appendShown(shown);
    // The markers that waited go after the line they waited for, before the next one.
    appendShown(shown.left(lineEnd));
    showMarkers();
    appendShown(shown.mid(lineEnd));
}

void ReceiveArea::addMarker(const QString &what)
{
    if (isHexView())
        return;
    m_markers << QStringLiteral("--- %1 %2 ---")
                     .arg(what, m_time.now().toString(QStringLiteral("HH:mm:ss")));
    if (!m_text.midLine())
        return showMarkers();
    waitForSilence();
}

void ReceiveArea::noteSent(qsizetype count)
{
    if (m_sentAction->isChecked())
        addMarker(QStringLiteral("sent %1 bytes").arg(count));
}

void ReceiveArea::showMarkers()
{
    for (const QString &marker : std::as_const(m_markers))
        appendShown(marker + u'\n', true);
    m_markers.clear();
    moveCaretToEnd();
}

// One wake-up at a time, for the moment the line will have been silent for kMarkerWait.
void ReceiveArea::waitForSilence()
{
    if (m_wakeAsked)
        return;
    m_wakeAsked = true;
    const auto silent = std::chrono::milliseconds(m_lastArrival.msecsTo(m_time.now()));
    m_time.after(std::max(kMarkerWait - silent, std::chrono::milliseconds(0)), [this] {
        m_wakeAsked = false;
        endLineAfterSilence();
    });
}

void ReceiveArea::endLineAfterSilence()
{
    if (m_markers.isEmpty())
        return;
    if (m_text.midLine()
        && std::chrono::milliseconds(m_lastArrival.msecsTo(m_time.now())) < kMarkerWait)
        return waitForSilence();
    appendShown(m_text.endLine());
    showMarkers();
}

void ReceiveArea::appendShown(const QString &shown, bool marker)
{
    if (shown.isEmpty())
        return;
    // Each line end becomes a line break inside the paragraph, or a new paragraph once the
    // current one is full; either is one character, so positions stay those of the text.
    QString text = shown;
    for (QChar &c : text) {
        if (c != u'\n') {
            ++m_paragraphChars;
        } else if (m_paragraphChars >= kParagraphChars) {
            c = QChar::ParagraphSeparator;
            m_paragraphChars = 0;
        } else {
            c = QChar::LineSeparator;
            ++m_paragraphChars;
        }
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // Received text never takes the colour of a marker before it.
    QTextCharFormat format;
    if (marker)
        format.setForeground(palette().color(QPalette::Link));
    cursor.insertText(text, format);
    if (const std::size_t drop = m_history.append(view(shown))) {
        cursor.setPosition(0);
        cursor.setPosition(int(drop), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void ReceiveArea::appendHex()
{
    const auto kLine = std::uint64_t(m_hexLayout.bytesPerRow);
    const std::uint64_t total = m_bytes.total();
    // Bytes older than a full history of lines are not formatted: they could not stay.
    const auto lineChars
        = std::uint64_t(HexDump::line(total, std::string(kLine, ' '), m_hexLayout.bytesPerRow,
                                      m_hexLayout.characters)
                            .size()
                        + 1);
    const std::uint64_t shownBytes = (std::uint64_t(kHistoryChars) / lineChars + 1) * kLine;
    std::uint64_t oldest
        = std::max(m_bytes.firstOffset(), total > shownBytes ? total - shownBytes : 0);
    oldest = std::min((oldest + kLine - 1) / kLine * kLine, total);

    std::uint64_t from = m_hexNext;
    if (from < oldest) {
        clearDisplay();
        from = oldest;
    } else if (m_openHexChars > 0) {
        // The open last line is written again with its new bytes.
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor,
                            int(m_openHexChars));
        cursor.removeSelectedText();
        m_history.chop(std::size_t(m_openHexChars));
        m_paragraphChars = std::max<qsizetype>(m_paragraphChars - m_openHexChars, 0);
    }
    const QString shown = QString::fromLatin1(HexDump::lines(
        from, m_bytes.bytesFrom(from), m_hexLayout.bytesPerRow, m_hexLayout.characters));
    m_hexNext = total - total % kLine;
    m_openHexChars = shown.size() - (shown.lastIndexOf(u'\n') + 1);
    appendShown(shown);
}

void ReceiveArea::clearDisplay()
{
    clear();
    m_history.clear();
    m_paragraphChars = 0;
    m_openHexChars = 0;
    m_hexNext = 0;
}

void ReceiveArea::rebuild()
{
    clearDisplay();
    m_text.clear();
    if (isHexView()) {
        // Markers belong to the text view; the hex view shows the bytes alone.
        m_markers.clear();
        m_hexLayout = fittingHexLayout();
        appendHex();
    } else {
        // The times of the bytes were not kept: the text comes back without stamps.
        appendShown(lastLines(m_text.append(receivedBytes()), kHistoryChars));
    }
    moveCaretToEnd();
}

ReceiveArea::HexLayout ReceiveArea::fittingHexLayout() const
{
    // The room a line has before the area would wrap it, measured on a line of the widest
    // letter, so that no byte makes a row wider than measured.
    const QFontMetricsF metrics(font());
    const qreal room = viewport()->width() - 2 * document()->documentMargin() - cursorWidth();
    for (const HexLayout &layout : kHexLayouts) {
        const std::string sample
            = HexDump::line(0, std::string(std::size_t(layout.bytesPerRow), 'W'),
                            layout.bytesPerRow, layout.characters);
        if (metrics.horizontalAdvance(QString::fromLatin1(sample)) <= room)
            return layout;
    }
    return std::end(kHexLayouts)[-1];
}

void ReceiveArea::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    if (isHexView() && fittingHexLayout() != m_hexLayout)
        rebuild();
}

void ReceiveArea::moveCaretToEnd()
{
    QTextCursor end = textCursor();
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
    ensureCursorVisible();
}

void ReceiveArea::showPortOpen(bool open)
{
    m_portOpen = open;
    m_sendTextAction->setEnabled(open);
    const QWidget *window = parentWidget() ? parentWidget() : this;
    QPalette colours = palette();
    colours.setColor(QPalette::Base,
                     window->palette().color(open ? QPalette::Button : QPalette::Dark));
    setPalette(colours);
}

QByteArray ReceiveArea::receivedBytes() const
{
    return QByteArray::fromStdString(m_bytes.bytes());
}

bool ReceiveArea::isHexView() const
{
    return m_hexAction->isChecked();
}

void ReceiveArea::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        useUnshapedFont();
    QPlainTextEdit::changeEvent(event);
}

// The font is made unshaped when the area is first polished, not when it is made: the window
// gives it its own font right after, and the font it was made with would be loaded for
// nothing while the editor starts.
bool ReceiveArea::event(QEvent *event)
{
    if (event->type() == QEvent::Polish)
        useUnshapedFont();
    return QPlainTextEdit::event(event);
}

// Whatever font the window gives the area, its glyphs are looked up without shaping and
// kerning: a device sends plain characters, and laying out a long line is then about half as
// dear, which is what keeps a stream without line ends from costing more than short lines.
void ReceiveArea::useUnshapedFont()
{
    QFont plain = font();
    if (plain.styleStrategy() & QFont::PreferNoShaping)
        return;
    plain.setStyleStrategy(QFont::StyleStrategy(plain.styleStrategy() | QFont::PreferNoShaping));
    plain.setKerning(false);
    setFont(plain);
}

// --- The menu ---------------------------------------------------------------------------

QMenu *ReceiveArea::createContextMenu()
{
    QMenu *menu = createStandardContextMenu();
    menu->addSeparator();
    menu->addAction(m_clearAction);
    menu->addAction(m_saveAction);
    menu->addAction(m_hexAction);
    menu->addAction(m_logAction);
    menu->addSeparator();
    menu->addAction(m_stampAction);
    menu->addAction(m_sentAction);
    menu->addAction(m_sendTextAction);
    return menu;
}

void ReceiveArea::contextMenuEvent(QContextMenuEvent *event)
{
    popUpMenu(event->globalPos());
}

void ReceiveArea::keyPressEvent(QKeyEvent *event)
{
    // Shift+F10 is the menu key's twin on keyboards without one.
    if (event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        popUpMenu(viewport()->mapToGlobal(cursorRect().bottomLeft()));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ReceiveArea::popUpMenu(const QPoint &globalPos)
{
    // Not exec(): the menu must not hold up reception in a loop of its own, and a test can
    // find it open and work it from the keyboard.
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void ReceiveArea::clearReceived()
{
    m_bytes.clear();
    m_text.clear();
    clearDisplay();
    // No line is open any more: markers that waited for one show now.
    showMarkers();
}

void ReceiveArea::saveReceivedAs()
{
    // The bytes are taken before the dialog: what was received up to the choice is saved.
    if (!m_dialogs)
        return;
    const QByteArray bytes = receivedBytes();
    const QString name = RecentFolders::choose(*m_dialogs, RecentFolders::Group::ReceivedData,
                                               FileRequest::Mode::Save, kFilter)
                             .path;
    if (name.isEmpty())
        return;
    if (const auto error = DataFile::saveBytes(name, bytes))
        m_dialogs->error(*error);
}

void ReceiveArea::setHexView(bool hex)
{
    m_hexAction->setChecked(hex);
    rebuild();
}

void ReceiveArea::setLogging(bool on)
{
    m_logAction->setChecked(false);
    if (!on || !m_dialogs) {
        m_log.close();
        return;
    }
    const QString name = RecentFolders::choose(*m_dialogs, RecentFolders::Group::ReceivedData,
                                               FileRequest::Mode::Append, kFilter)
                             .path;
    if (name.isEmpty())
        return;
    if (const auto error = m_log.open(name)) {
        m_dialogs->error(*error);
        return;
    }
    m_logAction->setChecked(true);
}

bool ReceiveArea::showsTimestamps() const
{
    return m_stampAction->isChecked();
}

bool ReceiveArea::showsSent() const
{
    return m_sentAction->isChecked();
}

// A line already begun keeps going without a stamp; the next one has it.
void ReceiveArea::setTimestamps(bool on)
{
    m_stampAction->setChecked(on);
    Settings::setValue(kTimestampsKey, on);
}

void ReceiveArea::setShowSent(bool on)
{
    m_sentAction->setChecked(on);
    Settings::setValue(kShowSentKey, on);
}

void ReceiveArea::sendText()
{
    if (!m_dialogs || !m_portOpen)
        return;
    QStringList history = Settings::value(kHistoryKey).toStringList();
    const std::optional<SendLine> line = m_dialogs->chooseSendLine(history, rememberedLineEnd());
    if (!line)
        return;
    Settings::setValue(kLineEndKey, int(line->end));
    if (!line->text.isEmpty()) {
        history.removeAll(line->text);
        history.prepend(line->text);
        Settings::setValue(kHistoryKey, QStringList(history.mid(0, kSendHistoryLines)));
    }
    emit sendRequested(CodePage::encode(line->text) + lineEndBytes(line->end));
}

} // namespace qie
