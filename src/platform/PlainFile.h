#pragma once
// Files that come from outside are read only when they are plain files of a sane size: a pipe blocks
// its reader for ever, a device (a link to /dev/zero) never ends, a huge file takes all memory.
#include <QByteArray>
#include <QString>

class QFile;

namespace kp {

enum class FileState {
    plain,    // a plain file, links followed, within the size given
    absent,   // nothing by that name, or a link to nothing
    unfit,    // a pipe, a device, a socket, or a file larger than the size given
    refused,  // a folder, or a file that cannot be opened (no permission, an I/O error)
};

struct FileRead {
    FileState state = FileState::absent;
    QByteArray bytes;  // the whole file, when plain
    QString why;       // what was wrong, otherwise
};

// Opens `file` read-only on `path` when it holds a plain file of at most `most` bytes. Nothing else
// is opened, not even something put under that name between the check and the opening.
FileState openPlainFile(QFile& file, const QString& path, qint64 most, QString* why = nullptr);

// The whole of such a file; one that grows past `most` while it is read is unfit as well.
FileRead readPlainFile(const QString& path, qint64 most);

// What `path` holds now, links followed: its device, inode, size and times of change; empty when
// nothing is there. Taken before a read, an equal stamp later means the bytes read are still there.
QByteArray fileStamp(const QString& path);

}  // namespace kp
