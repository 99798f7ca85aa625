// SPDX-License-Identifier: MIT
#include "ui/QtDialogService.h"

#include "images/ImageExport.h"
#include "images/ImageImport.h"
#include "serial/Drain.h"
#include "ui/ImportDialog.h"
#include "ui/LineBreaks.h"
#include "ui/NetworkPortDialog.h"
#include "ui/SendTextDialog.h"
#include "ui/TextDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <limits>

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

QString QtDialogService::defaultSuffix(const QString &filterEntry)
{
    static const QRegularExpression onePattern(QStringLiteral("\\(\\s*\\*\\.(\\w+)\\s*\\)\\s*$"));
    const QRegularExpressionMatch match = onePattern.match(filterEntry);
    return match.hasMatch() ? match.captured(1) : QString();
}

void QtDialogService::prepare(QFileDialog &dialog, const FileRequest &request)
{
    using Mode = FileRequest::Mode;
    dialog.setNameFilter(request.filter);
    dialog.setAcceptMode(request.mode == Mode::Open ? QFileDialog::AcceptOpen
                                                    : QFileDialog::AcceptSave);
    dialog.setFileMode(request.mode == Mode::Open ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, request.mode == Mode::Append);
    if (!request.folder.isEmpty())
        dialog.setDirectory(request.folder);
    if (!request.name.isEmpty())
        dialog.selectFile(request.name);
    // The dialog adds the suffix itself, so that its question about replacing a file names the
    // file that would be written.
    const auto follow
        = [&dialog](const QString &entry) { dialog.setDefaultSuffix(defaultSuffix(entry)); };
    follow(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
}

FileChoice QtDialogService::fileDialog(const FileRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow());
    prepare(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return { dialog.selectedFiles().constFirst(), dialog.selectedNameFilter() };
}

void QtDialogService::beep()
{
    QApplication::beep();
}

void QtDialogService::showDrain(Drain &drain)
{
    const qint64 total = std::max<qint64>(drain.left(), 1);
    QProgressDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Image Editor"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setCancelButtonText(QCoreApplication::translate("Form1", "Discard"));
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    // The bar counts in bytes where they fit, in kibibytes beyond.
    const int unit = total > std::numeric_limits<int>::max() ? 1024 : 1;
    dialog.setRange(0, int(total / unit));
    const auto show = [&] {
        dialog.setLabelText(QCoreApplication::translate("Form1",
                                                        "Sending what was written to the port "
                                                        "before it closes.\n%1 bytes left, about "
                                                        "%2 s left.")
                                .arg(drain.left())
                                .arg((drain.timeLeft().count() + 999) / 1000));
        dialog.setValue(int(std::clamp<qint64>(total - drain.left(), 0, total) / unit));
    };
    show();
    QTimer poll;
    poll.setInterval(Drain::kPollInterval);
    // A modal progress dialog runs the event loop inside setValue(), where the timer may fire
    // again: one look at a time.
    bool looking = false;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (looking)
            return;
        looking = true;
        if (drain.check() != Drain::Outcome::Running)
            dialog.accept();
        else
            show();
        looking = false;
    });
    poll.start();
    dialog.exec();
    // Discard, Escape and the window's close button all close the dialog with the drain still
    // running: each discards.
    if (drain.check() == Drain::Outcome::Running)
        drain.discard();
}

std::optional<PictureChoice> QtDialogService::chooseText()
{
    TextDialog dialog(QApplication::activeWindow());
    dialog.restoreChoices();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    dialog.keepChoices();
    return PictureChoice { dialog.rendered().picture, dialog.rendered().widthBytes };
}

std::optional<PictureChoice> QtDialogService::chooseImport(const QString &path)
{
    ImageImport::Scaled scaled = ImageImport::scaleFile(path);
    if (!scaled.error.isEmpty()) {
        warn(QCoreApplication::translate("qie::QtDialogService", "Import image"), scaled.error);
        return std::nullopt;
    }
    ImportDialog dialog(std::move(scaled), QFileInfo(path).fileName(),
                        QApplication::activeWindow());
    dialog.restoreChoices();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    dialog.keepChoices();
    return PictureChoice { dialog.result().picture, dialog.result().widthBytes };
}

std::optional<ExportChoice> QtDialogService::chooseExport(const QString &folder)
{
    QWidget *parent = QApplication::activeWindow();
    QFileDialog files(parent, QCoreApplication::translate("qie::QtDialogService", "Export image"));
    prepare(files,
            { FileRequest::Mode::Save,
              QCoreApplication::translate("qie::QtDialogService", "PNG image (*.png)"), folder,
              QString() });
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty())
        return std::nullopt;
    bool ok = false;
    const int scale = QInputDialog::getInt(
        parent, QCoreApplication::translate("qie::QtDialogService", "Export image"),
        QCoreApplication::translate("qie::QtDialogService", "Scale (1x to 16x):"), 1,
        ImageExport::kMinScale, ImageExport::kMaxScale, 1, &ok);
    if (!ok)
        return std::nullopt;
    return ExportChoice { files.selectedFiles().constFirst(), scale };
}

std::optional<NetworkAddress> QtDialogService::chooseNetworkPort(int number)
{
    NetworkPortDialog dialog(number, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.address();
}

std::optional<SendLine> QtDialogService::chooseSendLine(const QStringList &history,
                                                        SendLine::End end)
{
    SendTextDialog dialog(history, end, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.line();
}

} // namespace qie
