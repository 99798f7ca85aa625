// SPDX-License-Identifier: MIT
#include "serial/SerialPortControl.h"
#include "ui/Fonts.h"
#include "ui/MDIForm1.h"
#include "ui/QtDialogService.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

namespace {

// Without a display Qt prints a long plugin report and aborts; one line says what to do.
bool displayMissing(int argc, char **argv)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return false;
    }
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return false;
#endif
}

// Every window takes the application's icon. The sizes are named, so that each PNG is only
// decoded when a window system asks for it.
QIcon appIcon()
{
    QIcon icon;
    for (const int size : { 16, 32, 48, 64 })
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/quernel-image-editor.png").arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    if (displayMissing(argc, argv)) {
        std::fputs("quernel-image-editor: no display (DISPLAY and WAYLAND_DISPLAY are not set); "
                   "run it under a virtual one with: "
                   "xvfb-run -a -s '-screen 0 1280x800x24' scripts/run\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quernel Image Editor"));
    QApplication::setDesktopFileName(QStringLiteral("quernel-image-editor"));
    QApplication::setWindowIcon(appIcon());
    qie::Fonts::install();

    qie::QtDialogService dialogs;
    qie::SerialPortControl port;
    qie::MDIForm1 frame(dialogs, port);
    // The end sequence has closed the port; leave the event loop at once, so that no further
    // event reaches either window, and let the windows go with the stack.
    QObject::connect(&frame, &qie::MDIForm1::ended, &app, [] { QCoreApplication::exit(0); });
    frame.show();
    return QApplication::exec();
}
