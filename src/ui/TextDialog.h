// SPDX-License-Identifier: MIT
#pragma once

#include "images/TextRenderer.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qie {

// The Text… dialog: a line for the text, the font, and a live preview of the 128 x 10
// picture it makes. A text wider than the picture says how many columns it needs, and OK
// stays disabled until it fits.
class TextDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TextDialog(QWidget *parent = nullptr);

    // The picture and the fewest bytes that hold the text.
    const TextRenderer::Rendered &rendered() const { return m_rendered; }

    QLineEdit *textBox() const { return m_text; }
    QComboBox *fontBox() const { return m_font; }
    QLabel *statusLabel() const { return m_status; }
    QPushButton *okButton() const { return m_ok; }

    // The text and font last accepted, in this run or an earlier one, so that a small change
    // is quick; a font no longer offered leaves the built-in one.
    void restoreChoices();
    // Keeps the text and font for the next time.
    void keepChoices() const;

private:
    void renderText();

    QLineEdit *m_text = nullptr;
    QComboBox *m_font = nullptr;
    QLabel *m_preview = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_ok = nullptr;
    TextRenderer::Rendered m_rendered;
};

} // namespace qie
