// SPDX-License-Identifier: MIT
// The baseline frame with the text the editor's first paint cannot do without: the same
// workspace, and in it one line in each of the editor's three fonts. What the editor costs
// beyond this is its own; what this costs beyond the bare frame is the font stack.
#include "ui/Fonts.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    qie::Fonts::install();
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Minimal Frame"));
    auto *area = new QMdiArea;
    frame.setCentralWidget(area);
    auto *page = new QWidget;
    auto *lines = new QVBoxLayout(page);
    const auto line = [lines](const QString &text, const QFont &font) {
        auto *label = new QLabel(text);
        label->setFont(font);
        lines->addWidget(label);
    };
    line(QStringLiteral("Enter Callsign (max.12)"), qie::Fonts::window());
    line(QStringLiteral("Edit"), qie::Fonts::heading());
    line(QStringLiteral("JA1ABC\n00 00 00 00"), qie::Fonts::data());
    area->addSubWindow(page, Qt::SubWindow | Qt::FramelessWindowHint)->showMaximized();
    frame.resize(1025, 600);
    frame.show();
    return QApplication::exec();
}
