#include "PlainFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp {

namespace {
QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString tooLarge(qint64 most) { return QStringLiteral("it is larger than %1 bytes").arg(most); }
}  // namespace

FileState openPlainFile(QFile& file, const QString& path, qint64 most, QString* why) {
    const auto fail = [why](FileState state, const QString& text) {
        if (why) *why = text;
        return state;
    };
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        const int error = errno;
        return fail(error == ENOENT || error == ENOTDIR ? FileState::absent : FileState::refused, errorText(error));
    }
    if (S_ISDIR(st.st_mode)) return fail(FileState::refused, QStringLiteral("it is a folder"));
    if (!S_ISREG(st.st_mode)) return fail(FileState::unfit, QStringLiteral("it is not a plain file"));
    if (st.st_size > most) return fail(FileState::unfit, tooLarge(most));
    // Without waiting: a pipe put there since the check opens at once, and is refused below.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return fail(FileState::refused, errorText(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > most) {
        ::close(fd);
        return fail(FileState::unfit, QStringLiteral("it changed into something else while it was opened"));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(FileState::refused, file.errorString());
    }
    return FileState::plain;
}

FileRead readPlainFile(const QString& path, qint64 most) {
    FileRead out;
    QFile file;
    out.state = openPlainFile(file, path, most, &out.why);
    if (out.state != FileState::plain) return out;
    out.bytes.reserve(qsizetype(file.size()) + 1);
    char chunk[65536];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            out = {FileState::refused, {}, file.errorString()};
            break;
        }
        out.bytes.append(chunk, qsizetype(n));
        if (out.bytes.size() > most) {
            out = {FileState::unfit, {}, tooLarge(most)};
            break;
        }
    }
    return out;
}

QByteArray fileStamp(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    QByteArray out;
    const auto add = [&out](auto n) { out += QByteArray::number(static_cast<qlonglong>(n)) + ':'; };
    add(st.st_dev);
    add(st.st_ino);
    add(st.st_size);
    add(st.st_mtim.tv_sec);
    add(st.st_mtim.tv_nsec);
    add(st.st_ctim.tv_sec);
    add(st.st_ctim.tv_nsec);
    return out;
}

}  // namespace kp
