// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Quernel Image Editor"));
    frame.setCentralWidget(new QMdiArea);
    frame.show();
    return QApplication::exec();
}
