// SPDX-License-Identifier: MIT
#pragma once

#include "model/Picture.h"

#include <QImage>
#include <QString>

namespace qie::ImageExport {

constexpr int kMinScale = 1;
constexpr int kMaxScale = 16;

// The picture as an image 128 * scale x 10 * scale, white for on and black for off, each
// pixel a square of scale x scale. A scale outside 1..16 is brought into it.
QImage toImage(const Picture &picture, int scale);

// Writes toImage() as a PNG, as the window saves a data file (OutputFile, regular files only):
// on failure an earlier file of that name stays as it was, and `error` (when given) says why.
bool savePng(const Picture &picture, int scale, const QString &path, QString *error);

} // namespace qie::ImageExport
