// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace qie {

// Turns received bytes into the text the received-data area shows, chunk by chunk, at a cost
// that depends on the chunk only:
//
// - bytes are decoded in the system's code page; a character whose bytes arrive in two chunks
//   comes whole with the second, an undecodable byte shows as U+FFFD;
// - CR LF, a lone CR and a lone LF each end a line, written '\n'; a CR LF split between two
//   chunks is one line end;
// - a run without a line end continues on a new line after kBreakChars characters, so that
//   no line ever grows long enough to make each append slower;
// - control characters show as their visible symbols (U+2400 onwards), and the characters a
//   text document gives a meaning of its own as U+FFFD, so that no byte can disturb the
//   display.
//
// - with a stamp given, every line starts with it (an empty line too); the display break
//   continues a line and gets none;
// - a line can be ended early for a line of the area's own (endLine()): the received line
//   then continues on a new line, and a line end that comes next ends that one instead of
//   making an empty line.
//
// This is display only: the bytes themselves are kept elsewhere, untouched.
class ReceiveText
{
public:
    static constexpr qsizetype kBreakChars = 1024;

    // `stamp` starts each line that begins in these bytes; the empty text adds nothing.
    QString append(QByteArrayView bytes, const QString &stamp = {});
    // Forgets a half-received character and line: the next bytes start afresh.
    void clear();

    // Whether a line has begun and not ended yet.
    bool midLine() const { return m_lineOpen; }
    // In the text of the last append, the position just after its first line end; -1 when it
    // has none.
    qsizetype firstLineEnd() const { return m_firstLineEnd; }
    // Ends the current line for display: the line end to show, or the empty text when no line
    // is open.
    QString endLine();

private:
    QStringDecoder m_decoder { QStringDecoder::System };
    bool m_pendingCr = false;
    qsizetype m_lineLength = 0;
    bool m_lineOpen = false;
    // The line was ended by endLine() and nothing has come since.
    bool m_endedEarly = false;
    qsizetype m_firstLineEnd = -1;
};

} // namespace qie
