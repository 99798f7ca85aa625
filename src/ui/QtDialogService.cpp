// SPDX-License-Identifier: MIT
#include "ui/QtDialogService.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace qie {
namespace {

constexpr int kButtonsMask = 0x0F;
constexpr int kIconMask = 0x70;
constexpr int kCritical = 16;
constexpr int kQuestion = 32;
constexpr int kInformation = 64;

QMessageBox::Icon iconOf(int style)
{
    switch (style & kIconMask) {
    case kCritical:
        return QMessageBox::Critical;
    case kQuestion:
        return QMessageBox::Question;
    case DialogService::Exclamation:
        return QMessageBox::Warning;
    case kInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int QtDialogService::messageBox(const QString &prompt, int style, const QString &title)
{
    QString text = prompt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');

    QMessageBox box(iconOf(style), title, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    // Plain text: a file name or a device's description must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    if ((style & kButtonsMask) == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        // Escape or the close button of the box answers No: nothing ends by accident.
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    default:
        return Ok;
    }
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

// Placeholders until the Text…, Import and Export dialogs are merged: each acts as Cancel.
std::optional<PictureChoice> QtDialogService::chooseText()
{
    return std::nullopt;
}

std::optional<PictureChoice> QtDialogService::chooseImport()
{
    return std::nullopt;
}

std::optional<ExportChoice> QtDialogService::chooseExport()
{
    return std::nullopt;
}

} // namespace qie
