// SPDX-License-Identifier: MIT
#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

// The one way into what the program remembers between runs: pinned ports, dialogs' folders and
// choices, menu options. A settings file that is not a regular file (a FIFO would block the
// read, a device would be written to) is neither read nor written for the rest of the run; one
// line on standard error says so.
namespace qie::Settings {

// The store, or null when its file cannot be used in this run. Read afresh at every call, so
// that two running copies of the program agree.
std::unique_ptr<QSettings> open();

// A value, or `fallback` when it was never set or the store cannot be used.
QVariant value(const QString &key, const QVariant &fallback = {});
// Keeps `value` under `key`; does nothing when the store cannot be used.
void setValue(const QString &key, const QVariant &value);

// Where the store's file is (empty where the platform keeps settings elsewhere, the Windows
// registry).
QString filePath();

// Tests keep their settings in a file of their own; the empty text goes back to the platform's
// store. The warning about an unusable file is given again for a new file.
void useFile(const QString &path);

} // namespace qie::Settings
