// SPDX-License-Identifier: MIT
#include "ui/EditCommand.h"

#include <utility>

namespace qie {

EditCommand::EditCommand(EditorSession &session, const QString &text, EditorSession::State before,
                         EditorSession::State after)
    : QUndoCommand(text), m_session(session), m_before(std::move(before)), m_after(std::move(after))
{ }

void EditCommand::undo()
{
    m_session.restore(m_before);
}

void EditCommand::redo()
{
    if (std::exchange(m_done, false))
        return;
    m_session.restore(m_after);
}

} // namespace qie
