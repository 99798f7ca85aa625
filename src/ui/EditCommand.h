// SPDX-License-Identifier: MIT
#pragma once

#include "ui/EditorSession.h"

#include <QUndoCommand>

namespace qie {

// One undo step of any kind (a click, a stroke, "Done", a transform, text, import, paste, a
// load): the whole editor state before and after it. States are small (two bits per cell and
// three short texts), so keeping both is simpler and surer than recording each edit's inverse.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(EditorSession &session, const QString &text, EditorSession::State before,
                EditorSession::State after);

    void undo() override;
    void redo() override;

private:
    EditorSession &m_session;
    EditorSession::State m_before;
    EditorSession::State m_after;
    // The edit has already happened when the command is pushed; its first redo does nothing.
    bool m_done = true;
};

} // namespace qie
