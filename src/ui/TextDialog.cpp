// SPDX-License-Identifier: MIT
#include "ui/TextDialog.h"

#include "common/Settings.h"
#include "ui/PicturePreview.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qie {
namespace {

const QString kTextKey = QStringLiteral("textDialog/text");
const QString kFontKey = QStringLiteral("textDialog/font");

} // namespace

TextDialog::TextDialog(QWidget *parent)
    : QDialog(parent), m_text(new QLineEdit(this)), m_font(new QComboBox(this)),
      m_preview(new QLabel(this)), m_status(new QLabel(this))
{
    setWindowTitle(tr("Text"));
    m_font->addItems(TextRenderer::fontNames());
    auto *form = new QFormLayout;
    form->addRow(tr("&Text:"), m_text);
    form->addRow(tr("&Font:"), m_font);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_preview);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(m_text, &QLineEdit::textChanged, this, &TextDialog::renderText);
    connect(m_font, &QComboBox::currentTextChanged, this, &TextDialog::renderText);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    renderText();
}

void TextDialog::renderText()
{
    m_rendered = TextRenderer::render(m_text->text(), m_font->currentText());
    m_preview->setPixmap(PicturePreview::pixmap(m_rendered.picture, m_rendered.widthBytes));
    const bool fits = m_rendered.columns <= Picture::kWidth;
    m_ok->setEnabled(fits);
    m_status->setText(
        fits ? tr("%1 columns, width %2 bytes.").arg(m_rendered.columns).arg(m_rendered.widthBytes)
             : tr("Too wide: the text needs %1 columns, the picture "
                  "has %2.")
                   .arg(m_rendered.columns)
                   .arg(Picture::kWidth));
}

void TextDialog::restoreChoices()
{
    m_text->setText(Settings::value(kTextKey).toString());
    const int font = m_font->findText(Settings::value(kFontKey).toString());
    if (font >= 0)
        m_font->setCurrentIndex(font);
}

void TextDialog::keepChoices() const
{
    Settings::setValue(kTextKey, m_text->text());
    Settings::setValue(kFontKey, m_font->currentText());
}

} // namespace qie
