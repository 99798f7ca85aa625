// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"

#include <QUndoCommand>

namespace qie {

// One undo step of any kind (a click, a stroke, "Done", a transform, text, import, paste, a
// load): the whole document before and after it. A snapshot is small (two bits per cell and
// a few short texts), so keeping both is simpler and surer than recording each edit's inverse.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(Document &document, const QString &text, Document::Snapshot before,
                Document::Snapshot after);

    void undo() override;
    void redo() override;

private:
    Document &m_document;
    Document::Snapshot m_before;
    Document::Snapshot m_after;
    // The edit has already happened when the command is pushed; its first redo does nothing.
    bool m_done = true;
};

} // namespace qie
