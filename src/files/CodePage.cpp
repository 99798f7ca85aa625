// SPDX-License-Identifier: MIT
#include "files/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qie::CodePage {
namespace {

// No code page in use spends more than this many bytes on one UTF-16 unit, and a byte-order
// mark is at most 4 bytes: a start of `kept` longer than this cannot show as the text.
constexpr qsizetype kMaxBytesPerUnit = 4;
constexpr qsizetype kMaxMarkBytes = 4;

} // namespace

QString decode(QByteArrayView bytes)
{
    // Stateless: a sequence broken off at the end shows too, rather than waiting for bytes
    // that never come; nothing carries over from one call to the next.
    QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    return decoder(bytes);
}

QByteArray encode(QStringView text)
{
    QStringEncoder encoder(QStringEncoder::System);
    return encoder(text);
}

QByteArray bytesShowing(QByteArrayView kept, const QString &text)
{
    const qsizetype longest
        = std::min(kept.size(), kMaxMarkBytes + kMaxBytesPerUnit * (text.size() + 1));
    // Longest first, should a code page show a broken sequence cut short as the same text as
    // the whole of it: the whole is what the file had.
    for (qsizetype length = longest; length >= 0; --length) {
        const QByteArrayView start = kept.first(length);
        if (decode(start) == text)
            return start.toByteArray();
    }
    return encode(text);
}

} // namespace qie::CodePage
