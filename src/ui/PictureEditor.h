// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"
#include "model/PictureEdit.h"
#include "model/Stroke.h"

#include <QObject>
#include <QUndoStack>
#include <functional>
#include <optional>

namespace qie {

class DialogService;
struct PictureChoice;

// Every change of the document as one undo step: clicks, strokes, "Done", loads, the menu's
// transforms, text, import and paste. Each step takes the document's snapshot before and after
// the edit and is pushed only when something changed, so a beep on a blocked cell or a
// cancelled dialog leaves no empty step behind. Every edit ends in the data text update of a
// click or a "Done" (a paste, in that of a load).
class PictureEditor : public QObject
{
    Q_OBJECT

public:
    PictureEditor(Document &document, DialogService &dialogs, QObject *parent = nullptr);

    // Steps kept for undo; the oldest go first. A snapshot is a few hundred bytes.
    static constexpr int kUndoLimit = 1000;

    QUndoStack &undoStack() { return m_undo; }
    // Undo and redo end a stroke under way first, so that it is one step of its own.
    void undo();
    void redo();

    // Runs `edit` as one undo step named `text`, after ending a stroke under way.
    void perform(const QString &text, const std::function<void()> &edit);

    void click(int cell);
    void beginStroke(int cell);
    void moveStroke(int cell);
    void endStroke();

    void transform(PictureEdit::Transform transform);

    // The data text as plain text and the picture as an image (1:1, white on).
    void copy();
    // A data text from the clipboard, else its image; anything else is refused with a message.
    void paste();

    void chooseText();
    // The file dialog in the images' folder, then the import dialog for the file chosen.
    void chooseImport();
    // The import dialog for an image file already chosen (dropped on the window).
    void importFile(const QString &path);
    void exportImage();

private:
    // One step from `before` to the document as it is now, unless nothing changed.
    void pushStep(const QString &text, Document::Snapshot before);
    void applyChoice(const QString &text, const std::optional<PictureChoice> &choice);

    Document &m_document;
    DialogService &m_dialogs;
    QUndoStack m_undo;
    std::optional<Stroke> m_stroke;
    std::optional<Document::Snapshot> m_strokeBefore;
};

} // namespace qie
