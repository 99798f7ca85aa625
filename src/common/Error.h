// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace qie {

// A failure of the file or port layer, as the error box shows it: a number in the classic
// run-time error numbering that operators' notes refer to, and a description that says what
// went wrong and what to do. The layers below the window return it; the window shows it.
struct Error
{
    int number = 0;
    QString description;
};

// An error as the operator reads it: "Number : n", a line break, "Description : " and the
// description. The error box breaks the line with a CR, the commands' messages with a LF.
inline QString describe(const Error &error, QChar lineBreak)
{
    return QStringLiteral("Number : %1%2Description : %3")
        .arg(QString::number(error.number), QString(lineBreak), error.description);
}

// A number too large for what takes it: a port number, the width line of a data file.
constexpr int kErrOverflow = 6;

} // namespace qie
