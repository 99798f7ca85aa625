// SPDX-License-Identifier: MIT
#pragma once

#include "model/TextCodec.h"

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

// decode() and encode() for the document, in UTF-8.
const TextCodec &codec();

} // namespace qie::CodePage
