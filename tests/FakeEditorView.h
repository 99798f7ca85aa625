// SPDX-License-Identifier: MIT
#pragma once

#include "model/EditorView.h"
#include "model/ImageModel.h"

#include <array>
#include <string>

namespace qie {

// The editor window as plain members, Qt-free so that the fuzzers can use it too. The width
// box keeps 2 characters like the real one; `dataWrites` and `pictureWrites` tell whether a
// rule touched the screen at all.
class FakeEditorView : public EditorView
{
public:
    std::string width = "16";
    std::string callsign;
    std::string data;
    std::array<CellPicture, ImageModel::kCellCount> pictures {};
    int beeps = 0;
    int dataWrites = 0;
    int pictureWrites = 0;

    std::string widthText() const override { return width; }
    void setWidthText(const std::string &text) override { width = text.substr(0, 2); }
    std::string callsignText() const override { return callsign; }
    void setCellPicture(int cell, CellPicture picture) override
    {
        pictures.at(cell) = picture;
        ++pictureWrites;
    }
    void beep() override { ++beeps; }
    void setDataText(const std::string &text) override
    {
        data = text;
        ++dataWrites;
    }
};

} // namespace qie
