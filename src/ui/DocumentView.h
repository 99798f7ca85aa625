// SPDX-License-Identifier: MIT
#pragma once

#include "model/EditorView.h"

class QLineEdit;
class QPushButton;

namespace qie {

class CellGrid;
class DataLabel;
class DialogService;

// The document as the editor window shows it: the cells on the grid, the data text in its
// label, the width and callsign in their boxes, whether "Done" would change the data text, the
// beep through the dialog service. It keeps
// nothing of its own; the controls belong to the window.
class DocumentView : public EditorView
{
public:
    struct Controls
    {
        CellGrid &cells;
        DataLabel &data;
        QLineEdit &width;
        QLineEdit &callsign;
        QPushButton &done;
    };

    DocumentView(const Controls &controls, DialogService &dialogs);

    void setCellPicture(int cell, CellPicture picture) override;
    void setDataText(const std::string &bytes) override;
    void setWidthText(const std::string &text) override;
    void setCallsignText(const std::string &text) override;
    void beep() override;
    // "Done" drawn as the default button, and both boxes telling how to apply their text.
    void setTextsPending(bool pending) override;

private:
    Controls m_controls;
    DialogService &m_dialogs;
};

} // namespace qie
