// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace qie {

// Gzip data inflated with a cap on what it may grow to, so that a small file that claims
// gigabytes costs no more than the cap before it is refused.
namespace Inflate {

struct Result
{
    enum class Outcome { Done, TooLarge, Damaged };
    Outcome outcome = Outcome::Damaged;
    QByteArray bytes; // the inflated data when Done; empty otherwise
    // Bytes inflated before the end or the stop: at most maxBytes + 1, the one byte over the
    // cap that shows the data does not fit.
    qint64 inflated = 0;
};

// Gzip's magic number: how compressed data is told from plain, whatever the file is called.
bool isGzip(QByteArrayView bytes);

// One or more gzip members one after the other, as gzip itself writes and reads them.
// Anything else after the last member makes the data damaged.
Result gzip(QByteArrayView compressed, qint64 maxBytes);

} // namespace Inflate
} // namespace qie
