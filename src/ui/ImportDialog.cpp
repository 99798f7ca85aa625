// SPDX-License-Identifier: MIT
#include "ui/ImportDialog.h"

#include "common/Settings.h"
#include "ui/PicturePreview.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qie {
namespace {

const QString kThresholdKey = QStringLiteral("importDialog/threshold");
const QString kInvertKey = QStringLiteral("importDialog/invert");
const QString kDitherKey = QStringLiteral("importDialog/dither");

} // namespace

ImportDialog::ImportDialog(ImageImport::Scaled scaled, const QString &fileName, QWidget *parent)
    : QDialog(parent), m_scaled(std::move(scaled)), m_threshold(new QSpinBox(this)),
      m_invert(new QCheckBox(tr("Invert"), this)), m_dither(new QCheckBox(tr("Dither"), this)),
      m_preview(new QLabel(this)), m_status(new QLabel(this)), m_notes(new QLabel(this))
{
    setWindowTitle(tr("Import image"));
    const ImportOptions defaults;
    m_threshold->setRange(0, 255);
    m_threshold->setValue(defaults.threshold);
    auto *slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(0, 255);
    slider->setValue(defaults.threshold);
    auto *thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(slider);
    thresholdRow->addWidget(m_threshold);

    auto *form = new QFormLayout;
    // A file's name is never markup.
    auto *name = new QLabel(fileName, this);
    name->setTextFormat(Qt::PlainText);
    form->addRow(tr("File:"), name);
    // A row of a layout has no widget to take the label's mnemonic: the label gets the box as
    // its buddy, so that it shows no ampersand and Alt+T reaches the box.
    auto *thresholdLabel = new QLabel(tr("&Threshold:"), this);
    thresholdLabel->setBuddy(m_threshold);
    form->addRow(thresholdLabel, thresholdRow);
    form->addRow(QString(), m_invert);
    form->addRow(QString(), m_dither);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_preview);
    layout->addWidget(m_status);
    m_notes->setText(m_scaled.notes.join(u'\n'));
    m_notes->setTextFormat(Qt::PlainText);
    m_notes->setWordWrap(true);
    m_notes->setVisible(!m_scaled.notes.isEmpty());
    layout->addWidget(m_notes);
    layout->addWidget(buttons);

    connect(slider, &QSlider::valueChanged, m_threshold, &QSpinBox::setValue);
    connect(m_threshold, &QSpinBox::valueChanged, slider, &QSlider::setValue);
    connect(m_threshold, &QSpinBox::valueChanged, this, &ImportDialog::decide);
    connect(m_invert, &QCheckBox::toggled, this, &ImportDialog::decide);
    connect(m_dither, &QCheckBox::toggled, this, &ImportDialog::decide);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    decide();
}

void ImportDialog::decide()
{
    m_result = ImageImport::decide(
        m_scaled, { m_threshold->value(), m_invert->isChecked(), m_dither->isChecked() });
    m_preview->setPixmap(PicturePreview::pixmap(m_result.picture, m_result.widthBytes));
    QString status = tr("%1 columns, width %2 bytes.")
                         .arg(std::min(m_result.columns, Picture::kWidth))
                         .arg(m_result.widthBytes);
    if (m_result.cut)
        status = tr("The image is %1 columns wide at 10 rows: the columns beyond "
                    "128 are cut.")
                     .arg(m_result.columns);
    m_status->setText(status);
}

void ImportDialog::restoreChoices()
{
    const ImportOptions defaults;
    m_threshold->setValue(Settings::value(kThresholdKey, defaults.threshold).toInt());
    m_invert->setChecked(Settings::value(kInvertKey, defaults.invert).toBool());
    m_dither->setChecked(Settings::value(kDitherKey, defaults.dither).toBool());
}

void ImportDialog::keepChoices() const
{
    Settings::setValue(kThresholdKey, m_threshold->value());
    Settings::setValue(kInvertKey, m_invert->isChecked());
    Settings::setValue(kDitherKey, m_dither->isChecked());
}

} // namespace qie
