// SPDX-License-Identifier: MIT
#pragma once

#include <QPlainTextEdit>

namespace qie {

// The received-data area: what the device sends, as plain lines. The operator can select and
// copy but not type. Its background tells whether the port is open.
class ReceiveArea : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ReceiveArea(QWidget *parent = nullptr);

    // Appends received text at the end, wherever the operator left the caret, then puts the
    // caret after the last character and scrolls the end into view. CR LF, a lone CR and a
    // lone LF are each one line break, also when the CR ends one chunk and the LF starts the
    // next. The cost depends on the chunk only, not on the text already shown.
    void appendReceived(const QString &chunk);

    // The background of an open port (the button colour) or of a closed one (the dark shade),
    // both from the palette of the window the area sits in.
    void showPortOpen(bool open);

private:
    // The last chunk ended with a CR: a LF starting the next one completes that break.
    bool m_endsWithCr = false;
};

} // namespace qie
