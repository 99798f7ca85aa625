// SPDX-License-Identifier: MIT
#include "serial/DriverQueue.h"

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace qie {

qint64 DriverQueue::pending(Handle handle)
{
#if defined(Q_OS_WIN)
    DWORD errors = 0;
    COMSTAT status {};
    if (!::ClearCommError(handle, &errors, &status))
        return 0;
    return qint64(status.cbOutQue);
#else
    int queued = 0;
    if (::ioctl(handle, TIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
#endif
}

} // namespace qie
