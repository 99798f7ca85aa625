// SPDX-License-Identifier: MIT
#include "files/FileErrors.h"

#include "common/Quoted.h"
#include "files/DataFile.h"
#include "files/PathName.h"

#include <QDir>
#include <QFileInfo>

namespace qie::FileErrors {
namespace {

// The outermost folder on the way to `path` that does not exist: the one to create.
QString missingFolder(const QString &path)
{
    QString folder = path.left(PathName::nameStart(path));
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    QString missing;
    while (!folder.isEmpty() && !QFileInfo::exists(folder)) {
        missing = folder;
        const qsizetype start = PathName::nameStart(folder);
        folder = folder.left(start > 1 ? start - 1 : start);
    }
    return missing;
}

} // namespace

QString shown(const QString &path)
{
    return Quoted::path(QDir::toNativeSeparators(path));
}

Error pathNotFound(const QString &path, const QString &target)
{
    const QString missing = missingFolder(target.isEmpty() ? path : target);
    if (target.isEmpty() || target == path || missing.isEmpty())
        return {
            kErrPathNotFound,
            QStringLiteral("Path not found: the folder of \"%1\" does not exist.").arg(shown(path))
        };
    return { kErrPathNotFound,
             QStringLiteral("Path not found: \"%1\" leads to \"%2\", and the folder \"%3\" does "
                            "not exist.")
                 .arg(shown(path), shown(target), shown(missing)) };
}

Error permissionDenied(const QString &path, bool forWriting)
{
    return { kErrPermission,
             QStringLiteral("Permission denied: \"%1\" cannot be %2.")
                 .arg(shown(path),
                      forWriting ? QStringLiteral("written") : QStringLiteral("read")) };
}

Error notRegularFile(const QString &path, const QString &consequence)
{
    return { kErrAccess,
             QStringLiteral(
                 "\"%1\" is not a regular file (it is a folder, device, pipe or socket), so %2")
                 .arg(shown(path), consequence) };
}

} // namespace qie::FileErrors
