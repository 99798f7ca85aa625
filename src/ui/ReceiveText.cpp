// SPDX-License-Identifier: MIT
#include "ui/ReceiveText.h"

#include "ui/LineBreaks.h"

namespace qie {
namespace {

constexpr char16_t kControlPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

// What a decoded character other than a line end shows as.
char16_t shownAs(char16_t c)
{
    if (c < 0x20)
        return c == u'\t' ? c : char16_t(kControlPictures + c);
    if (c == 0x7F)
        return kDeletePicture;
    switch (c) {
    case QChar::LineSeparator:
    case QChar::ParagraphSeparator:
    case QChar::ObjectReplacementCharacter:
    case 0xFDD0: // a text document's frame marks
    case 0xFDD1:
        return QChar::ReplacementCharacter;
    default:
        return c;
    }
}

} // namespace

QString ReceiveText::append(QByteArrayView bytes, const QString &stamp)
{
    // A chunk of a character's first bytes only decodes to nothing, and the text after it
    // starts with that character: a CR before it can no longer pair with a LF.
    QString text = m_decoder.decode(bytes);
    // The LF of a CR LF whose CR ended the last chunk: that CR has ended the line already.
    if (m_pendingCr && text.startsWith(u'\n'))
        text.remove(0, 1);
    m_pendingCr = text.endsWith(u'\r');
    text = LineBreaks::shown(std::move(text));

    QString shown;
    shown.reserve(text.size() + text.size() / kBreakChars + 1
                  + (stamp.isEmpty() ? 0 : (text.count(u'\n') + 1) * stamp.size()));
    m_firstLineEnd = -1;
    for (const QChar qc : std::as_const(text)) {
        const char16_t c = qc.unicode();
        if (c == u'\n' && std::exchange(m_endedEarly, false))
            continue; // the line was shown as ended already
        m_endedEarly = false;
        if (!m_lineOpen) {
            shown += stamp;
            m_lineOpen = true;
        }
        if (c == u'\n') {
            shown += u'\n';
            m_lineLength = 0; // a line end starts the count afresh
            m_lineOpen = false;
            if (m_firstLineEnd < 0)
                m_firstLineEnd = shown.size();
            continue;
        }
        // The break never splits a surrogate pair: its low half stays with its high half.
        if (m_lineLength >= kBreakChars && !QChar::isLowSurrogate(c)) {
            shown += u'\n';
            m_lineLength = 0;
        }
        shown += shownAs(c);
        ++m_lineLength;
    }
    return shown;
}

QString ReceiveText::endLine()
{
    if (!m_lineOpen)
        return {};
    m_lineOpen = false;
    m_lineLength = 0;
    // The line end the device sends next belongs to the line shown as ended here.
    m_endedEarly = true;
    return QStringLiteral("\n");
}

void ReceiveText::clear()
{
    m_decoder.resetState();
    m_pendingCr = false;
    m_lineLength = 0;
    m_lineOpen = false;
    m_endedEarly = false;
    m_firstLineEnd = -1;
}

} // namespace qie
