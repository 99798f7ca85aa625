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
// This is display only: the bytes themselves are kept elsewhere, untouched.
class ReceiveText
{
public:
    static constexpr qsizetype kBreakChars = 1024;

    QString append(QByteArrayView bytes);
    // Forgets a half-received character and line: the next bytes start afresh.
    void clear();

private:
    QStringDecoder m_decoder { QStringDecoder::System };
    bool m_pendingCr = false;
    qsizetype m_lineLength = 0;
};

} // namespace qie
