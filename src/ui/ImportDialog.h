// SPDX-License-Identifier: MIT
#pragma once

#include "images/ImageImport.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QSpinBox;

namespace qie {

// The Import image… dialog over an image already read and brought to 10 rows: the threshold
// (0-255), Invert and Dither, a preview of the 128 x 10 result, and whether columns were cut.
// A change of setting never reads the file again.
class ImportDialog : public QDialog
{
    Q_OBJECT
public:
    ImportDialog(ImageImport::Scaled scaled, const QString &fileName, QWidget *parent = nullptr);

    const ImportResult &result() const { return m_result; }

    QSpinBox *thresholdBox() const { return m_threshold; }
    QCheckBox *invertBox() const { return m_invert; }
    QCheckBox *ditherBox() const { return m_dither; }
    QLabel *statusLabel() const { return m_status; }
    // What the import left out of the image (references of a drawing); hidden when nothing.
    QLabel *notesLabel() const { return m_notes; }

    // The threshold, Invert and Dither last accepted, in this run or an earlier one: settings
    // that suited one image usually suit the next one of a series.
    void restoreChoices();
    void keepChoices() const;

private:
    void decide();

    ImageImport::Scaled m_scaled;
    QSpinBox *m_threshold = nullptr;
    QCheckBox *m_invert = nullptr;
    QCheckBox *m_dither = nullptr;
    QLabel *m_preview = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_notes = nullptr;
    ImportResult m_result;
};

} // namespace qie
