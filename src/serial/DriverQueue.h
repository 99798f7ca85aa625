// SPDX-License-Identifier: MIT
#pragma once

#include <QSerialPort>
#include <utility>

namespace qie {

// The bytes a serial driver has taken from the program but not yet put on the line.
namespace DriverQueue {

using Handle = decltype(std::declval<const QSerialPort &>().handle());

// How many bytes wait in the driver's transmit queue; 0 when it cannot tell.
qint64 pending(Handle handle);
} // namespace DriverQueue

} // namespace qie
