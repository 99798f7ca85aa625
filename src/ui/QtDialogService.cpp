// SPDX-License-Identifier: MIT
#include "ui/QtDialogService.h"

#include "ui/LineBreaks.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace qie {
namespace {

// A box over the active window whose text is plain: a file name or a device's description
// must never be read as markup.
int showBox(QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
            QMessageBox::StandardButton escapeButton)
{
    QMessageBox box(icon, title, LineBreaks::shown(text), buttons, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    return box.exec();
}

} // namespace

bool QtDialogService::ask(const QString &title, const QString &question)
{
    return showBox(QMessageBox::NoIcon, title, question, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes, QMessageBox::No)
        == QMessageBox::Yes;
}

void QtDialogService::warn(const QString &title, const QString &text)
{
    showBox(QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogService::error(const Error &error)
{
    showBox(QMessageBox::NoIcon, QStringLiteral("Error"), errorText(error), QMessageBox::Ok,
            QMessageBox::Ok, QMessageBox::Ok);
}

QString QtDialogService::fileDialog(FileMode mode, const QString &filter)
{
    QWidget *parent = QApplication::activeWindow();
    if (mode == FileMode::Save)
        return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

void QtDialogService::beep()
{
    QApplication::beep();
}

} // namespace qie
