// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

namespace qie::RecentFolders {

// The file dialogs that share a folder: a data file loaded is often saved beside it, but an
// image or a capture of received data seldom lies among the data files.
enum class Group { DataFiles, Images, ReceivedData };

// The folder the group's dialogs last chose a file in, in this run or an earlier one; empty
// when none was chosen yet or it is gone, so that the dialog starts where the platform starts.
QString folder(Group group);

// Keeps the folder of `path` for the group's next dialog.
void remember(Group group, const QString &path);

// The one way the window's file dialogs are asked: started in the group's folder, proposing
// `name`; a file chosen moves the group's folder there.
FileChoice choose(DialogService &dialogs, Group group, FileRequest::Mode mode,
                  const QString &filter, const QString &name = QString());

} // namespace qie::RecentFolders
