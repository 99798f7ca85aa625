// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

namespace qie {

// One pass over an SVG document before the renderer sees it, so that a drawing is drawn from
// its own content only and costs no more than any other image. The renderer has no switch
// for either: it opens any file a reference names, and inflates compressed input without a
// cap.
//
// 1. At most `maxBytes` are read. Gzip data (svgz, told by its first bytes, not by the name)
//    is inflated here with the same cap.
// 2. The document is read with QXmlStreamReader and written out again, and the renderer gets
//    that copy, never the original. Left out on the way: the DTD (its entities are expanded
//    in the copy), comments and processing instructions (xml-stylesheet makes the renderer
//    read a file), and every href, with any prefix, that could reach outside the document.
//    Only "#..." and "data:..." stay; "#..." not on an image (there the renderer takes it for
//    a file name), and no "data:" that holds another SVG document (it would be rendered
//    without this pass). Each reference left out gives a note.
// 3. Refused: elements nested deeper than kMaxDepth; entities that could add more than
//    kMaxEntityCharacters to the document in all, which is worked out from their declarations
//    before any of them is expanded; a copy larger than `maxBytes`.
namespace SvgGuard {

constexpr int kMaxDepth = 256;
constexpr qint64 kMaxEntityCharacters = qint64(1) << 20;
// Notes beyond these are counted in one last note, so that a document with thousands of
// references does not bury the window under them.
constexpr int kMaxNotes = 8;

struct Result
{
    QByteArray svg; // the copy for the renderer; empty when refused
    QStringList notes; // one sentence for each reference left out
    QString error; // why the document was refused, to follow "cannot be imported: "
    qint64 bytesRead = 0; // of the input: at most maxBytes + 1
    qint64 inflated = 0; // of compressed input: at most maxBytes + 1
};

// Reads the document from `device`, from where it stands.
Result read(QIODevice &device, qint64 maxBytes);
Result clean(const QByteArray &document, qint64 maxBytes);

} // namespace SvgGuard
} // namespace qie
