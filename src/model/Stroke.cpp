// SPDX-License-Identifier: MIT
#include "model/Stroke.h"

#include "model/Document.h"

#include <algorithm>
#include <cstdlib>

namespace qie {

Stroke::Stroke(Document &model, int cell) : m_model(model), m_last(cell)
{
    if (cell < 0 || cell >= Document::kCellCount)
        return;
    if (m_model.blocked(cell)) {
        // Exactly what a click on a blocked cell does: the beep, and nothing else.
        m_model.picField_Click(cell);
        return;
    }
    m_on = m_model.cell(cell % Document::kColumns, cell / Document::kColumns) == 0;
    m_active = true;
}

bool Stroke::moveTo(int cell)
{
    if (!m_active || cell < 0 || cell >= Document::kCellCount)
        return false;
    bool changed = false;
    for (const int n : line(m_last, cell))
        changed = m_model.setCell(n, m_on) || changed;
    m_last = cell;
    return changed;
}

std::vector<int> Stroke::line(int from, int to)
{
    constexpr int columns = Document::kColumns;
    int x = from % columns;
    int y = from / columns;
    const int toX = to % columns;
    const int toY = to / columns;
    const int dx = std::abs(toX - x);
    const int dy = -std::abs(toY - y);
    const int stepX = x < toX ? 1 : -1;
    const int stepY = y < toY ? 1 : -1;
    std::vector<int> cells;
    cells.reserve(static_cast<std::size_t>(std::max(dx, -dy)) + 1);
    int error = dx + dy;
    while (true) {
        cells.push_back(y * columns + x);
        if (x == toX && y == toY)
            break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
    return cells;
}

} // namespace qie
