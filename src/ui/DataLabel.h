// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

namespace qie {

// A plain-text label whose lines follow each other at the font's em size. The layout gives
// the data text 2535 twips for its 11 lines, which fits a font whose line is one em high;
// substitute fonts add leading, and the last line would be cut off.
class DataLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    int linePitch() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace qie
