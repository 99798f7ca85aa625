// SPDX-License-Identifier: MIT
#pragma once

namespace qie {

// A fault the driver saw on the line of an open port. The numbers are the event numbers that
// operators' notes and the fault messages refer to.
enum class LineFault : int {
    Break = 1001,
    Frame = 1004,
    Overrun = 1006,
    RxOver = 1008, // the receive buffer overflowed
    RxParity = 1009,
    TxFull = 1010, // the transmit buffer was full
    DeviceControlBlock = 1011, // the port's settings could not be read back
};

} // namespace qie
