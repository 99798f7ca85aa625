// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

// The two Japanese fonts of the layout and the window font. Their families are the ones the
// layout names; substitutions map them onto fonts that this system has, so that Japanese text
// never falls back to boxes.
namespace qie::Fonts {

// Registers the substitutions once; every accessor calls it.
void install();

// Fixed-pitch, 11.25 pt, regular: the data text and the received data.
QFont data();
// Proportional, 9 pt, bold: the four headings and the serial-link frame.
QFont heading();
// Proportional, 8.25 pt, regular: every control without a font of its own.
QFont window();

} // namespace qie::Fonts
