// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The system's code page, as data files and the port carry text. Bytes read from a file travel
// on unchanged; only what the operator types is encoded. Each byte that the code page cannot
// read shows as one U+FFFD, and a byte-order mark at the start of a line is not shown: the
// operator sees where such bytes are, and they are never rewritten.
namespace qie::CodePage {

// For showing: bytes read with the system's code page.
QString decode(QByteArrayView bytes);

// What the operator typed, in the system's code page.
QByteArray encode(QStringView text);

// The bytes that show as `text`: the longest start of `kept` that decode() turns into exactly
// `text`, or `text` encoded when none does. So a text box filled from a file line and cut to
// its length gives back the line's own bytes for the characters it kept, until the operator
// changes it.
QByteArray bytesShowing(QByteArrayView kept, const QString &text);

} // namespace qie::CodePage
