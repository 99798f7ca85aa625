// SPDX-License-Identifier: MIT
#include "files/FileErrors.h"

#include "files/DataFile.h"

#include <QDir>

namespace qie::FileErrors {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

Error pathNotFound(const QString &path)
{
    return {
        kErrPathNotFound,
        QStringLiteral("Path not found: the folder of \"%1\" does not exist.").arg(shown(path))
    };
}

Error permissionDenied(const QString &path, bool forWriting)
{
    return { kErrPermission,
             QStringLiteral("Permission denied: \"%1\" cannot be %2.")
                 .arg(shown(path),
                      forWriting ? QStringLiteral("written") : QStringLiteral("read")) };
}

} // namespace qie::FileErrors
