// SPDX-License-Identifier: MIT
#include "ui/AboutBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace qie {

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("About Quernel Image Editor"));
    auto *label = new QLabel(text(), this);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(buttons);
}

QString AboutBox::text()
{
    // The Qt version is the one the program runs on, which the system may have updated since
    // the build; that is the one a report of a fault needs.
    return tr("<h3>Quernel Image Editor %1</h3>"
              "<p>Draws a small monochrome bitmap and sends it to a device on a serial port.</p>"
              "<p>Licence: MIT. The program comes with no warranty.</p>"
              "<p>Qt %2</p>")
        .arg(QStringLiteral(QIE_VERSION), QString::fromLatin1(qVersion()));
}

} // namespace qie
