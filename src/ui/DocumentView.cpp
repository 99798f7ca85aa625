// SPDX-License-Identifier: MIT
#include "ui/DocumentView.h"

#include "files/CodePage.h"
#include "ui/CellGrid.h"
#include "ui/DataLabel.h"
#include "ui/DialogService.h"
#include "ui/LineBreaks.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

namespace qie {
namespace {

void setBoxText(QLineEdit &box, const std::string &text)
{
    // Setting a box's text wipes its own undo history and moves its cursor, so a text the box
    // already shows (the one just typed, handed back) is left alone.
    const QString shown = QString::fromStdString(text);
    if (box.text() != shown)
        box.setText(shown);
}

} // namespace

DocumentView::DocumentView(const Controls &controls, DialogService &dialogs)
    : m_controls(controls), m_dialogs(dialogs)
{ }

void DocumentView::setCellPicture(int cell, CellPicture picture)
{
    m_controls.cells.setPicture(cell, picture);
}

void DocumentView::setDataText(const std::string &bytes)
{
    // The label shows the line ends as breaks; the document keeps them for saving.
    m_controls.data.setText(LineBreaks::shown(CodePage::decode(QByteArrayView(bytes))));
}

void DocumentView::setWidthText(const std::string &text)
{
    setBoxText(m_controls.width, text);
}

void DocumentView::setCallsignText(const std::string &text)
{
    setBoxText(m_controls.callsign, text);
}

void DocumentView::beep()
{
    m_dialogs.beep();
}

void DocumentView::setTextsPending(bool pending)
{
    // The cue changes no caption: the layout's texts stay as they are.
    m_controls.done.setDefault(pending);
    const QString tip = pending
        ? QCoreApplication::translate("qie::DocumentView", "Press Done or Enter to apply")
        : QString();
    m_controls.width.setToolTip(tip);
    m_controls.callsign.setToolTip(tip);
}

} // namespace qie
