// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// Text the operator or a file supplied, as a message quotes it back. A message goes to a
// terminal or a box, where a control character would act instead of showing, and a text of
// any length would bury the message, so each character that acts is written out and the
// length is bounded:
// - C0 (U+0000..U+001F), DEL and C1 (U+0080..U+009F) show as \xNN;
// - U+2028 and U+2029 and a lone UTF-16 surrogate show as \u{NNNN};
// - U+DC80..U+DCFF stand for the bytes 0x80..0xFF of an argument that was no valid UTF-8
//   (decodeArgument()), and show as \xNN, the byte itself.
// Everything else, non-ASCII letters included, shows as it is.
namespace qie::Quoted {

// At most this many characters of an input are shown; "…" marks that more followed.
constexpr qsizetype kMaxTextCharacters = 80;
// A path keeps up to this many characters, its start and its end (the file name) with "…"
// in their middle.
constexpr qsizetype kMaxPathCharacters = 255;

// `text` cut to kMaxTextCharacters characters (code points) and escaped.
QString text(QStringView text);

// `path` with its middle cut to kMaxPathCharacters characters and escaped.
QString path(QStringView path);

// The bytes of a command-line argument as UTF-8; each byte that is not part of a valid UTF-8
// sequence becomes U+DC00 plus the byte, so that a check can tell it from a real U+FFFD and a
// message can show it as the byte it was.
QString decodeArgument(QByteArrayView bytes);

// True for a character that decodeArgument() made from a byte of broken UTF-8.
constexpr bool isEscapedByte(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

} // namespace qie::Quoted
