// SPDX-License-Identifier: MIT
#include "ui/SendTextDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace qie {

SendTextDialog::SendTextDialog(const QStringList &history, SendLine::End end, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Send text"));
    m_text = new QComboBox(this);
    m_text->setEditable(true);
    // The history is offered as it is: a line sent again moves up, not in here but when sent.
    m_text->setInsertPolicy(QComboBox::NoInsert);
    m_text->addItems(history);
    m_text->setCurrentIndex(-1);
    m_text->setMinimumContentsLength(40);
    m_end = new QComboBox(this);
    // In the order of SendLine::End.
    m_end->addItems({ tr("CR LF"), tr("CR"), tr("LF"), tr("None") });
    m_end->setCurrentIndex(int(end));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Send"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout(this);
    form->addRow(tr("&Text:"), m_text);
    form->addRow(tr("&Line end:"), m_end);
    form->addRow(buttons);
    m_text->setFocus();
}

SendLine SendTextDialog::line() const
{
    return { m_text->currentText(), SendLine::End(m_end->currentIndex()) };
}

} // namespace qie
