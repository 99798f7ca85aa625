// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"

#include <array>
#include <string>

namespace qie {

// The editor window as plain members, Qt-free so that the fuzzers and benchmarks can use it too.
// The write counts tell whether a rule touched the screen at all.
struct FakeEditorView : EditorView
{
    std::string width;
    std::string callsign;
    std::string data;
    std::array<CellPicture, Document::kCellCount> pictures {};
    int beeps = 0;
    bool pending = false;
    int dataWrites = 0;
    int pictureWrites = 0;

    void setCellPicture(int n, CellPicture p) override
    {
        pictures.at(n) = p;
        ++pictureWrites;
    }
    void setDataText(const std::string &text) override
    {
        data = text;
        ++dataWrites;
    }
    void setWidthText(const std::string &text) override { width = text; }
    void setCallsignText(const std::string &text) override { callsign = text; }
    void beep() override { ++beeps; }
    void setTextsPending(bool p) override { pending = p; }
};

// A code page that reads ASCII only: every other byte shows as U+FFFD, and a character it has
// no byte for is written as '?'. So a test can tell bytes that travelled unread from bytes
// that were decoded and encoded again, whatever the system's code page is.
struct AsciiCodePage : TextCodec
{
    std::string decode(std::string_view bytes) const override
    {
        std::string text;
        for (const char c : bytes)
            text += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
        return text;
    }
    std::string encode(std::string_view text) const override
    {
        std::string bytes;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (static_cast<unsigned char>(text[i]) < 0x80) {
                bytes += text[i];
                continue;
            }
            bytes += '?';
            while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
        return bytes;
    }
};

} // namespace qie
