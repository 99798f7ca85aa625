// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

namespace qie {

// The whole-picture edits of the grid's menu, as plain pixel logic.
//
// Each edit works on the leftmost `openColumns` columns only: the columns the width opened at
// the last "Done" (or load). Pixels outside them keep their state, so that narrowing the width,
// editing and widening again brings the hidden part back as it was. Inside, a shift drops what
// leaves the open columns (or the 10 rows) and brings in off pixels; mirroring reflects the
// open columns about their own middle.
namespace PictureEdit {

enum class Transform { Clear, Invert, ShiftLeft, ShiftRight, ShiftUp, ShiftDown, Mirror, Flip };

// `openColumns` is brought into 0..128; 0 leaves the picture as it is.
Picture apply(Transform transform, const Picture &picture, int openColumns);
} // namespace PictureEdit

} // namespace qie
