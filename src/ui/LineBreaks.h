// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Texts of this program end their lines with CR LF (the data text) or a lone CR (the error
// box); widgets break lines at LF only.
namespace qie::LineBreaks {

// The text with every CR LF and every lone CR made one LF; a LF stays a LF.
QString shown(QString text);

} // namespace qie::LineBreaks
