// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

namespace qie {

class Document;

// One drag of the pointer over the grid. It sets every cell it passes to the opposite of the
// state its first cell had: a stroke that starts on an off cell paints, one that starts on an on
// cell erases. Blocked cells (by the mask of the last "Done" or load) are passed over silently; a
// stroke that starts on a blocked cell gives the one beep of a click there and sets nothing.
//
// The pointer reports positions, not every cell it crossed, and a fast move jumps many cells
// between two reports; each move therefore fills the straight line from the last cell to the new
// one. The line is drawn in grid coordinates (column 0..63, row 0..19), where the pointer
// moves: the two bands are neighbours on screen, so a drag from the upper band into the lower one
// crosses from row 9 to row 10 as it looks.
class Stroke
{
public:
    // Starts the stroke on `cell` (0..1279); the first move includes that cell.
    Stroke(Document &model, int cell);
    Stroke(const Stroke &) = delete;
    Stroke &operator=(const Stroke &) = delete;

    bool active() const { return m_active; }

    // Sets the open cells on the line from the last cell to `cell`, both ends included, and
    // returns whether any cell changed. The data text is left to the caller.
    bool moveTo(int cell);

    // The cells of the line from cell `from` to cell `to` in grid coordinates (Bresenham's
    // line: 8-connected, one cell per step along the longer axis), both ends included.
    static std::vector<int> line(int from, int to);

private:
    Document &m_model;
    int m_last = -1;
    bool m_on = false;
    bool m_active = false;
};

} // namespace qie
