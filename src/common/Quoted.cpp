// SPDX-License-Identifier: MIT
#include "common/Quoted.h"

namespace qie::Quoted {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendHex(QString &shown, char32_t value, int digits)
{
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        shown += QLatin1Char(kHexDigits[(value >> shift) & 0xF]);
}

// One code point as a message shows it.
void append(QString &shown, char32_t c)
{
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    if (control || (c <= 0xFFFF && isEscapedByte(char16_t(c)))) {
        shown += QLatin1String("\\x");
        appendHex(shown, c & 0xFF, 2);
    } else if (c == 0x2028 || c == 0x2029 || (c >= 0xD800 && c <= 0xDFFF)) {
        shown += QLatin1String("\\u{");
        appendHex(shown, c, 4);
        shown += QLatin1Char('}');
    } else {
        shown += QString::fromUcs4(&c, 1);
    }
}

// The code points of `text`; a surrogate without its partner is one code point of its own.
template<class Visit> void forEachCodePoint(QStringView text, Visit visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(unit, text[i + 1]), i);
            ++i;
        } else {
            visit(char32_t(unit.unicode()), i);
        }
    }
}

qsizetype codePoints(QStringView text)
{
    qsizetype count = 0;
    forEachCodePoint(text, [&](char32_t, qsizetype) { ++count; });
    return count;
}

// Where the code point numbered `index` starts, in UTF-16 units.
qsizetype unitOf(QStringView text, qsizetype index)
{
    qsizetype count = 0;
    qsizetype found = text.size();
    forEachCodePoint(text, [&](char32_t, qsizetype unit) {
        if (count++ == index && found == text.size())
            found = unit;
    });
    return found;
}

QString escaped(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, qsizetype) { append(shown, c); });
    return shown;
}

} // namespace

QString text(QStringView text)
{
    if (codePoints(text) <= kMaxTextCharacters)
        return escaped(text);
    return escaped(text.first(unitOf(text, kMaxTextCharacters))) + QChar(0x2026);
}

QString path(QStringView path)
{
    const qsizetype count = codePoints(path);
    if (count <= kMaxPathCharacters)
        return escaped(path);
    // The end holds the file name, so it keeps the odd character when there is one.
    const qsizetype head = (kMaxPathCharacters - 1) / 2;
    const qsizetype tail = kMaxPathCharacters - 1 - head;
    return escaped(path.first(unitOf(path, head))) + QChar(0x2026)
        + escaped(path.sliced(unitOf(path, count - tail)));
}

QString decodeArgument(QByteArrayView bytes)
{
    QString decoded;
    decoded.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        // The length a lead byte announces, and the least code point of that length: anything
        // less is an overlong form, which is no valid UTF-8.
        int length = 1;
        char32_t least = 0;
        char32_t c = lead;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            least = 0x80;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            least = 0x800;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            least = 0x10000;
            c = lead & 0x07;
        } else if (lead >= 0x80) {
            length = 0;
        }
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        valid = valid && c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (!valid) {
            decoded += QChar(char16_t(0xDC00 + lead));
            ++i;
            continue;
        }
        decoded += QString::fromUcs4(&c, 1);
        i += length;
    }
    return decoded;
}

} // namespace qie::Quoted
