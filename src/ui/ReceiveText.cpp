// SPDX-License-Identifier: MIT
#include "ui/ReceiveText.h"

namespace qie {
namespace {

constexpr char16_t kControlPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

// What a decoded character other than CR and LF shows as.
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

QString ReceiveText::append(QByteArrayView bytes)
{
    const QString decoded = m_decoder.decode(bytes);
    QString shown;
    shown.reserve(decoded.size() + decoded.size() / kBreakChars + 1);
    for (const QChar qc : decoded) {
        const char16_t c = qc.unicode();
        if (c == u'\r' || c == u'\n') {
            // The LF of a CR LF: the CR has ended the line already.
            const bool secondHalf = c == u'\n' && m_pendingCr;
            m_pendingCr = c == u'\r';
            if (!secondHalf) {
                shown += u'\n';
                m_lineLength = 0;
            }
            continue;
        }
        m_pendingCr = false;
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

void ReceiveText::clear()
{
    m_decoder.resetState();
    m_pendingCr = false;
    m_lineLength = 0;
}

} // namespace qie
