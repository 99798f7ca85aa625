// SPDX-License-Identifier: MIT
#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace qie::Translations {

bool needed(const QLocale &locale)
{
    return locale.language() != QLocale::C && locale.language() != QLocale::English;
}

int install(QCoreApplication &app, const QLocale &locale)
{
    if (!needed(locale))
        return 0;
    // Qt's files come with the system (qt6-translations-l10n), the program's are compiled in.
    const QString sources[][2] = {
        { QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath) },
        { QStringLiteral("quernel-image-editor"), QStringLiteral(":/i18n") },
    };
    int installed = 0;
    for (const auto &[name, folder] : sources) {
        auto *translator = new QTranslator(&app);
        if (translator->load(locale, name, QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator)) {
            ++installed;
        } else {
            delete translator;
        }
    }
    return installed;
}

} // namespace qie::Translations
