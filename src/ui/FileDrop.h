// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QMimeData;
class QWidget;

namespace qie {

// Files dropped on a window, wherever they land: on the window itself or on any control in it
// that takes drops of its own, such as a text box, which would otherwise paste a dropped file's
// address as text. One local file is taken and handed on after the drop has finished, so that
// a dialog opened for it never runs inside the drag; several files, a remote one or anything
// else is refused and the drop cursor says so, without a box. Other drops on a text box (a
// dragged text) stay the box's.
class FileDrop : public QObject
{
    Q_OBJECT

public:
    // Takes drops on `window` and on each of its controls that takes drops now.
    explicit FileDrop(QWidget *window);

    // The path of the one local file `data` carries, or empty when it carries anything else.
    static QString fileOf(const QMimeData *data);

signals:
    // Emitted from the event loop once the drop of `path` has ended.
    void fileDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace qie
