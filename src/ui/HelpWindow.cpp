// SPDX-License-Identifier: MIT
#include "ui/HelpWindow.h"

#include "ui/AboutBox.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace qie {

HelpWindow *HelpWindow::open(QWidget *parent)
{
    auto *window = parent == nullptr
        ? nullptr
        : parent->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr)
        window = new HelpWindow(parent);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QString HelpWindow::manualFor(const QLocale &locale)
{
    return locale.language() == QLocale::Japanese ? QStringLiteral("qrc:/docs/manual.ja.md")
                                                  : QStringLiteral("qrc:/docs/manual.md");
}

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(tr("Quernel Image Editor Help"));

    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    // The manual's own pictures and links resolve beside it, in the resource.
    m_browser->setSource(QUrl(manualFor(QLocale())), QTextDocument::MarkdownResource);

    auto *about = new QPushButton(tr("&About…"), this);
    about->setObjectName(QStringLiteral("about"));
    connect(about, &QPushButton::clicked, this, &HelpWindow::showAbout);
    auto *close = new QPushButton(tr("&Close"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(about);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addLayout(buttons);
    resize(760, 640);
}

void HelpWindow::showAbout()
{
    auto *box = findChild<AboutBox *>(QString(), Qt::FindDirectChildrenOnly);
    if (box == nullptr) {
        box = new AboutBox(this);
        box->setAttribute(Qt::WA_DeleteOnClose);
    }
    box->show();
    box->raise();
    box->activateWindow();
}

} // namespace qie
