// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QString>
#include <span>

class QWidget;

// A window of fixed controls read from one table: each row describes a control, and one loop
// makes them all, in table order, so that earlier controls lie beneath later ones.
namespace qie::ControlTable {

enum class Kind {
    Label,
    AutoSizeLabel, // sized to its caption in its font
    DataLabel,
    Grid, // the cell grid; it lays its cells out itself
    Frame,
    TextBox,
    Button, // pressed by Enter while it has the focus
    ReceiveArea,
};
enum class FontOf { Container, Window, Heading, Data };

// NOLINTNEXTLINE(clang-analyzer-optin.performance.Padding): fields in reading order
struct Control
{
    const char *name; // the object name
    Kind kind;
    const char *caption; // UTF-8: a label's or button's caption, a frame's title, a box's text
    const char *container; // the object name of a frame made earlier; nullptr: the window
    QRect twips; // relative to the container, also kept in the property "twips"
    FontOf font;
    int tabIndex; // the focus moves by ascending tab index; equal ones keep table order
    int maxLength = 0; // text boxes only
};

// Makes the controls of `table` in `window` and sets the tab order among those that take
// the focus by tab.
void build(QWidget &window, std::span<const Control> table);

} // namespace qie::ControlTable
