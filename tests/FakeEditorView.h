// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"

namespace qie {

// The editor window as plain members, Qt-free so that the fuzzers can use it too. The width
// box keeps 2 characters like the real one; the write counts tell whether a rule touched the
// screen at all.
struct FakeEditorView : EditorView
{
    std::string width = "16", callsign, data;
    std::array<CellPicture, Document::kCellCount> pictures {};
    int beeps = 0, dataWrites = 0, pictureWrites = 0;

    std::string widthText() const override { return width; }
    void setWidthText(const std::string &text) override { width = text.substr(0, 2); }
    std::string callsignText() const override { return callsign; }
    void setCellPicture(int n, CellPicture p) override { pictures.at(n) = p, ++pictureWrites; }
    void beep() override { ++beeps; }
    void setDataText(const std::string &text) override { data = text, ++dataWrites; }
};

} // namespace qie
