#include "Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::paths {

namespace {
// A relative value of an XDG variable is invalid and ignored, as the XDG rules say.
QString xdgBase(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return value;
    return QDir::homePath() + fallbackUnderHome;
}
}  // namespace

QString configDir() { return xdgBase("XDG_CONFIG_HOME", "/.config") + "/kettlepaw"; }
QString configFile() { return configDir() + "/kettlepaw.conf"; }
QString dataDir() { return xdgBase("XDG_DATA_HOME", "/.local/share") + "/kettlepaw"; }

int openOwnFolder(const QString& path, bool make, QString* why, int* error) {
    const auto fail = [why](const QString& text) {
        if (why) *why = text;
        return -1;
    };
    if (error) *error = 0;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (make && ::lstat(native.constData(), &st) != 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(path).path());
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
            if (error) *error = errno;
            return fail(QStringLiteral("it cannot be made: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int openError = errno;
        if (::lstat(native.constData(), &st) == 0 && S_ISLNK(st.st_mode)) return fail(QStringLiteral("it is a link"));
        if (openError == ENOTDIR) return fail(QStringLiteral("it is not a folder"));
        if (error) *error = openError;
        return fail(QString::fromLocal8Bit(std::strerror(openError)));
    }
    QString fault;
    if (::fstat(fd, &st) != 0) fault = QString::fromLocal8Bit(std::strerror(errno));
    else if (st.st_uid != ::geteuid()) fault = QStringLiteral("it belongs to another user");
    // A folder of the user's own group may be group-writable: a umask of 002 makes them so where
    // each user has a group alone.
    else if ((st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && st.st_gid != ::getegid()))
        fault = QStringLiteral("others may write in it");
    if (fault.isEmpty()) return fd;
    ::close(fd);
    return fail(fault);
}

}  // namespace kp::paths
