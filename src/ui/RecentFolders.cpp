// SPDX-License-Identifier: MIT
#include "ui/RecentFolders.h"

#include "common/Settings.h"

#include <QFileInfo>

namespace qie::RecentFolders {
namespace {

QString keyOf(Group group)
{
    switch (group) {
    case Group::DataFiles:
        return QStringLiteral("folders/dataFiles");
    case Group::Images:
        return QStringLiteral("folders/images");
    case Group::ReceivedData:
        return QStringLiteral("folders/receivedData");
    }
    return {};
}

} // namespace

QString folder(Group group)
{
    QString kept = Settings::value(keyOf(group)).toString();
    if (kept.isEmpty() || !QFileInfo(kept).isDir())
        return {};
    return kept;
}

void remember(Group group, const QString &path)
{
    if (!path.isEmpty())
        Settings::setValue(keyOf(group), QFileInfo(path).absolutePath());
}

FileChoice choose(DialogService &dialogs, Group group, FileRequest::Mode mode,
                  const QString &filter, const QString &name)
{
    FileChoice choice = dialogs.fileDialog({ mode, filter, folder(group), name });
    remember(group, choice.path);
    return choice;
}

} // namespace qie::RecentFolders
