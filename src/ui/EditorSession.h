// SPDX-License-Identifier: MIT
#pragma once

#include "files/DataFile.h"
#include "model/Document.h"

#include <QByteArray>
#include <QString>

namespace qie {

// What editing the picture needs from the editor window beyond the image rules: the window's
// texts together with the cells, to keep and put back as one undo state, and the way a load
// applies the lines of a data text. The editor window implements it.
class EditorSession
{
public:
    // Everything an undo step restores: cells and mask, the width and callsign texts (with the
    // bytes of a loaded callsign line behind the latter), and the data text's bytes, shown and
    // sent alike.
    struct State
    {
        Document::Snapshot cells;
        QString width;
        QString callsign;
        QByteArray fileCallsign;
        QByteArray data;
        bool operator==(const State &) const = default;
    };

    virtual ~EditorSession() = default;

    virtual Document &imageModel() = 0;
    virtual State state() const = 0;
    virtual void restore(const State &state) = 0;
    // Callsign, width, data text and cells from 11 lines, exactly as "Load file" sets them
    // from a file's lines (the file name caption aside).
    virtual void applyLines(const LoadedFile &lines) = 0;
};

} // namespace qie
