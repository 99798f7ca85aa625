// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QWidget>

class QTextBrowser;

namespace qie {

// The manual in a window of its own. It is not modal: the operator reads it beside the editor
// and goes on working, and it never holds back the editor's boxes.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    // Shows the one help window of the parent, made at the first call and raised at the next
    // ones, and returns it.
    static HelpWindow *open(QWidget *parent);

    // The compiled-in manual for a locale: the Japanese one under Japanese, else the English.
    static QString manualFor(const QLocale &locale);

    explicit HelpWindow(QWidget *parent = nullptr);

    const QTextBrowser *browser() const { return m_browser; }

public slots:
    void showAbout();

private:
    QTextBrowser *m_browser = nullptr;
};

} // namespace qie
