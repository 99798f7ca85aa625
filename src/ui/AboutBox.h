// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

namespace qie {

// The program's name, version, licence and the Qt it runs on. Not modal, like the help window
// it is opened from.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit AboutBox(QWidget *parent = nullptr);

    // The text the box shows, rich text.
    static QString text();
};

} // namespace qie
