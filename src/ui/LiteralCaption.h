// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace qie {

// Group boxes, buttons and menu items read "&" in their caption as the mark of a keyboard
// mnemonic: the next character is underlined and becomes an Alt shortcut. A caption built from
// a file name, a file's text or what a device says of itself must show every character as it
// is, so each "&" is doubled, which those widgets show as one "&" and which makes no shortcut.
inline QString literalCaption(const QString &text)
{
    QString caption = text;
    caption.replace(u'&', QLatin1String("&&"));
    return caption;
}

} // namespace qie
