// SPDX-License-Identifier: MIT
#include "ui/ReceiveArea.h"

#include "files/DataFile.h"
#include "model/HexDump.h"
#include "ui/DialogService.h"
#include "ui/RecentFolders.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>

namespace qie {
namespace {

// Lines are joined into one paragraph of the document until it holds this many characters:
// the document pays for each paragraph (a block with its layout), so a flood of "OK" lines
// would otherwise cost many times what long lines cost; within a paragraph a line break
// costs a character. Small enough that re-laying out the last paragraph on every append
// stays cheap.
constexpr qsizetype kParagraphChars = 128;

const QString kFilter = QStringLiteral("全てのﾌｧｲﾙ (*)");

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

ReceiveArea::ReceiveArea(QWidget *parent) : QPlainTextEdit(parent)
{
    // Read-only keeps selecting and copying; the operator cannot type.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    // Nothing here is ever undone, and an undo stack would keep every dropped line.
    document()->setUndoRedoEnabled(false);
    useUnshapedFont();

    m_clearAction = new QAction(QStringLiteral("Cl&ear"), this);
    m_saveAction = new QAction(QStringLiteral("&Save received as…"), this);
    m_hexAction = new QAction(QStringLiteral("Show as &hex"), this);
    m_hexAction->setCheckable(true);
    m_logAction = new QAction(QStringLiteral("&Log to file…"), this);
    m_logAction->setCheckable(true);
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
        appendShown(m_text.append(bytes));
    moveCaretToEnd();
    if (logError) {
        m_logAction->setChecked(false);
        if (m_dialogs)
            m_dialogs->postError(*logError);
    }
}

void ReceiveArea::appendShown(const QString &shown)
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
    cursor.insertText(text);
    if (const std::size_t drop = m_history.append(view(shown))) {
        cursor.setPosition(0);
        cursor.setPosition(int(drop), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void ReceiveArea::appendHex()
{
    constexpr std::uint64_t kLine = HexDump::kBytesPerLine;
    const std::uint64_t total = m_bytes.total();
    // Bytes older than a full history of lines are not formatted: they could not stay.
    const auto lineChars = std::uint64_t(HexDump::line(total, std::string(kLine, ' ')).size() + 1);
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
    const QString shown = QString::fromLatin1(HexDump::lines(from, m_bytes.bytesFrom(from)));
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
    if (isHexView())
        appendHex();
    else
        appendShown(lastLines(m_text.append(receivedBytes()), kHistoryChars));
    moveCaretToEnd();
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

} // namespace qie
