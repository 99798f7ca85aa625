// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>

class QCoreApplication;

namespace qie::Translations {

// Whether a locale needs any translation loaded. The program's texts are English and the C
// locale reads them as English too, so under those start-up touches no translation file.
bool needed(const QLocale &locale);

// Installs Qt's own translation for the locale (standard buttons, context menus of text boxes)
// and the program's own, compiled in, where they exist. The translators belong to the
// application. Returns how many were installed.
int install(QCoreApplication &app, const QLocale &locale);

} // namespace qie::Translations
