// SPDX-License-Identifier: MIT
#include "ui/EditCommand.h"

#include <utility>

namespace qie {

EditCommand::EditCommand(Document &document, const QString &text, Document::Snapshot before,
                         Document::Snapshot after)
    : QUndoCommand(text), m_document(document), m_before(std::move(before)),
      m_after(std::move(after))
{ }

void EditCommand::undo()
{
    m_document.restore(m_before);
}

void EditCommand::redo()
{
    if (std::exchange(m_done, false))
        return;
    m_document.restore(m_after);
}

} // namespace qie
