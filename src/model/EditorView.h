// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace qie {

// The pictures a cell can show; the numbers are the indexes of the three image holders.
enum class CellPicture { Off = 0, On = 1, Blocked = 2 };

// Where the document shows itself. It is only ever told: it holds nothing the document reads
// back. The window implements it with its grid, data label, text boxes and beep; tests with
// plain members.
class EditorView
{
public:
    virtual ~EditorView() = default;

    virtual void setCellPicture(int cell, CellPicture picture) = 0;
    // The data text's bytes exactly as Save writes them and Send transmits them, CR LF
    // included, in the system's code page.
    virtual void setDataText(const std::string &bytes) = 0;
    // The texts of the width and callsign boxes, UTF-8, already cut to what the boxes hold.
    virtual void setWidthText(const std::string &text) = 0;
    virtual void setCallsignText(const std::string &text) = 0;
    virtual void beep() = 0;
    // Whether the width or callsign text differs from what it was when the data text was last
    // written (Document::textsPending), told at every change of either.
    virtual void setTextsPending(bool pending) = 0;
};

} // namespace qie
