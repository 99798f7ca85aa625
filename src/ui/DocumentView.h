// SPDX-License-Identifier: MIT
#pragma once

#include "model/EditorView.h"

class QLineEdit;

namespace qie {

class CellGrid;
class DataLabel;
class DialogService;

// The document as the editor window shows it: the cells on the grid, the data text in its
// label, the width and callsign in their boxes, the beep through the dialog service. It keeps
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
    };

    DocumentView(const Controls &controls, DialogService &dialogs);

    void setCellPicture(int cell, CellPicture picture) override;
    void setDataText(const std::string &bytes) override;
    void setWidthText(const std::string &text) override;
    void setCallsignText(const std::string &text) override;
    void beep() override;

private:
    Controls m_controls;
    DialogService &m_dialogs;
};

} // namespace qie
