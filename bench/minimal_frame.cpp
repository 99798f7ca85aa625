// SPDX-License-Identifier: MIT
// The baseline for the start-up and memory figures: a frame with an empty workspace.
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Minimal Frame"));
    frame.setCentralWidget(new QMdiArea);
    frame.resize(1025, 600);
    frame.show();
    return QApplication::exec();
}
