// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

#include <QDialog>

class QComboBox;

namespace qie {

// The Send text… dialog: one line to type (or pick from the lines sent before) and the line
// end that follows it.
class SendTextDialog : public QDialog
{
    Q_OBJECT
public:
    SendTextDialog(const QStringList &history, SendLine::End end, QWidget *parent = nullptr);

    SendLine line() const;

private:
    QComboBox *m_text = nullptr;
    QComboBox *m_end = nullptr;
};

} // namespace qie
