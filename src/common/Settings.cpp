// SPDX-License-Identifier: MIT
#include "common/Settings.h"

#include "common/Quoted.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace qie::Settings {
namespace {

const QString kName = QStringLiteral("quernel-image-editor");

struct State
{
    QString file; // set by tests
    bool warned = false;
};

State &state()
{
    static State s;
    return s;
}

// stat() only: looking must never block, whatever the name is.
bool usable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return true;
    if (!state().warned) {
        state().warned = true;
        std::fprintf(stderr,
                     "quernel-image-editor: the settings file %s is not a regular file; settings "
                     "are neither read nor kept in this run.\n",
                     qPrintable(Quoted::path(path)));
    }
    return false;
}

} // namespace

QString filePath()
{
    if (!state().file.isEmpty())
        return state().file;
#ifdef Q_OS_WIN
    return {};
#else
    // The file Qt's native store uses on this platform, named here so that it can be looked at
    // before it is read. Fallback files are not read: there is one file to check.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + kName
        + u'/' + kName + QStringLiteral(".conf");
#endif
}

std::unique_ptr<QSettings> open()
{
    const QString path = filePath();
    if (path.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kName,
                                           kName);
    if (!usable(path))
        return nullptr;
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setFallbacksEnabled(false);
    return settings;
}

QVariant value(const QString &key, const QVariant &fallback)
{
    const auto settings = open();
    return settings ? settings->value(key, fallback) : fallback;
}

void setValue(const QString &key, const QVariant &value)
{
    if (const auto settings = open())
        settings->setValue(key, value);
}

void useFile(const QString &path)
{
    state() = { path, false };
}

} // namespace qie::Settings
