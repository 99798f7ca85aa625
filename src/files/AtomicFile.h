// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>

namespace qie {

// Replaces a file in one step: the new content goes to a temporary file in the same folder,
// which is flushed to the disk and then renamed over the old file, so that a reader, a crash
// or a full disk finds either the whole old file or the whole new one.
//
// - The temporary file has a short name of its own (".qie" and 6 random characters), so that a
//   target whose name is at the system's limit of 255 bytes can still be replaced.
// - A symbolic link is followed to the file it names, and that file is replaced in its own
//   folder; the link stays a link. A link to nothing creates the file it names.
// - The replaced file's permission bits are kept, and its owner and group as far as this
//   process may set them (as root always). A new file gets the permissions any newly created
//   file gets (0666 less the umask). Until commit() the temporary file is never more readable
//   than the file it replaces: it starts with the old file's owner bits alone.
// - Only a regular file is replaced. A name that leads to a folder, device, FIFO or socket, or
//   through a descriptor's name (/dev/stdout, /proc/self/fd/1), is refused untouched.
// - Other names the old file had through hard links keep the old content: the new file is a new
//   file.
// - A file that may not be written (read-only to this process) is refused, although the
//   folder would let it be replaced.
// - On any failure, and when the object goes without commit(), the temporary file is removed
//   and the old file is untouched.
class AtomicFile
{
public:
    // What a failure means to the operator, the same on every system.
    enum class Failure { None, PathNotFound, PermissionDenied, DiskFull, NotRegular, Other };

    explicit AtomicFile(QString path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file. False on failure, with error() and errorString() set.
    bool open();
    // Writes all of `bytes`. False on failure, the object then being cancelled.
    bool write(QByteArrayView bytes);
    // Flushes, gives the temporary file the old file's mode and owner, and renames it over
    // the target. False on failure, the object then being cancelled.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void cancel();

    // The file that is replaced: the path given, or what its symbolic links lead to.
    QString targetPath() const { return m_target; }
    // The system's error number of the failure (errno; on Windows a GetLastError() value),
    // and its description.
    int error() const { return m_error; }
    QString errorString() const;
    Failure failure() const;

private:
    bool fail(int error);
    bool refuse();

    QString m_path;
    QString m_target;
    QString m_temporary;
    int m_error = 0;
    bool m_notRegular = false;
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

} // namespace qie
