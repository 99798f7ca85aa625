// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace qie {

// The pictures a cell can show; the numbers are the indexes of the three image holders.
enum class CellPicture { Off = 0, On = 1, Blocked = 2 };

// What the image rules need from the editor window, and nothing more. The editor window
// implements it; tests implement it with plain members, so every rule runs without widgets.
// The callsign and the data text are bytes as files and the port carry them (the system's
// code page); the rules copy the callsign's bytes without looking into them, so bytes that
// code page cannot read pass through unchanged. The width text is UTF-8.
class EditorView
{
public:
    virtual ~EditorView() = default;

    // The width text box. Setting it keeps at most its first 2 characters, as typing does.
    virtual std::string widthText() const = 0;
    virtual void setWidthText(const std::string &text) = 0;

    // The callsign text box, read as it stands: no trimming, no change of case. While it shows
    // a loaded file's callsign unchanged, these are that line's own bytes.
    virtual std::string callsignText() const = 0;

    virtual void setCellPicture(int cell, CellPicture picture) = 0;
    virtual void beep() = 0;

    // Shows the data text beside the grid; the view keeps it exactly, CR LF included.
    virtual void setDataText(const std::string &text) = 0;
};

} // namespace qie
