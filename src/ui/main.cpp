// SPDX-License-Identifier: MIT
#include "cli/CommandLine.h"
#include "serial/PortControl.h"
#include "ui/BoxHold.h"
#include "ui/EditorStyle.h"
#include "ui/Fonts.h"
#include "ui/Form1.h"
#include "ui/MDIForm1.h"
#include "ui/QtDialogService.h"
#include "ui/Translations.h"
#include "ui/icons/quernel-image-editor.xpm"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QPixmap>
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

// Every window takes the application's icon, compiled in from the XPM drawn by hand. Made
// from the XPM array itself: any QImageReader, even told the format, makes Qt 6.4 open the
// image-format plug-ins while the editor starts. The PNG and SVG sizes under icons/hicolor are
// installed for the desktop's menus.
QIcon appIcon()
{
    return QIcon(QPixmap(quernel_image_editor));
}

} // namespace

int main(int argc, char *argv[])
{
    // Commands run without a display, so they are told apart before anything needs one.
    if (qie::CommandLine::isCommand(argc, argv))
        return qie::CommandLine::run(argc, argv);
    if (displayMissing(argc, argv)) {
        std::fputs("quernel-image-editor: no display (DISPLAY and WAYLAND_DISPLAY are not set); "
                   "run it under a virtual one with: "
                   "xvfb-run -a -s '-screen 0 1280x800x24' quernel-image-editor\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    // Qt has taken its own options (-style, -platform, ...) out of the words by now.
    const qie::CommandLine::EditorStart start
        = qie::CommandLine::editorStart(QApplication::arguments().mid(1));
    if (!start.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(start.error));
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Quernel Image Editor"));
    QApplication::setDesktopFileName(QStringLiteral("quernel-image-editor"));
    qie::Translations::install(app, QLocale());
    QApplication::setWindowIcon(appIcon());
    QApplication::setStyle(new qie::EditorStyle);
    qie::Fonts::install();

    qie::QtDialogService boxes;
    // Every box of the window, from any of its parts, goes through the one hold.
    qie::BoxHold dialogs(boxes);
    // A serial device or a network serial port, whichever the port number names at Open.
    qie::PortControl port;
    qie::MDIForm1 frame(dialogs, port);
    // The end sequence has closed the port; leave the event loop at once, so that no further
    // event reaches either window, and let the windows go with the stack.
    QObject::connect(&frame, &qie::MDIForm1::ended, &app, [] { QCoreApplication::exit(0); });
    frame.show();
    // Loaded once the window is up, so that a failure's error box stands over the editor as it
    // started.
    if (!start.file.isEmpty())
        frame.editor()->loadFile(start.file);
    return QApplication::exec();
}
