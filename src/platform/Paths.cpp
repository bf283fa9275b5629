#include "Paths.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp::paths {

namespace {
// Folders named otherwise than in UTF-8, by their bytes, and the descriptor each is held open by.
struct Held {
    std::mutex mutex;
    std::map<QByteArray, int> folders;
    QString why;  // the first that could not be
};
Held& held() {
    static auto* folders = new Held;  // never destroyed: a thread may ask for a folder as the app ends
    return *folders;
}

bool holdsAsText(const QByteArray& bytes) { return QFile::encodeName(QFile::decodeName(bytes)) == bytes; }

// The bytes as a person can read them in the log: a component that is not UTF-8 with \xNN for
// every byte outside ASCII.
QString shownBytes(const QByteArray& bytes) {
    QStringList shown;
    for (const QByteArray& part : bytes.split('/')) {
        if (holdsAsText(part)) {
            shown << QFile::decodeName(part);
            continue;
        }
        QString escaped;
        for (const char c : part) {
            const auto byte = static_cast<unsigned char>(c);
            escaped += byte >= 0x20 && byte < 0x7f ? QString(QChar(byte)) : QStringLiteral("\\x%1").arg(byte, 2, 16, QChar(u'0'));
        }
        shown << escaped;
    }
    return shown.join(u'/');
}

// Opens the folder `native` by its bytes; -1 and `why` when it cannot be (it is not there, or no
// folder), or cannot be named through /proc.
int holdFolder(const QByteArray& native, QString* why) {
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat held {}, named {};
    const QByteArray name = "/proc/self/fd/" + QByteArray::number(fd);
    if (::fstat(fd, &held) != 0 || ::stat(name.constData(), &named) != 0 || held.st_dev != named.st_dev ||
        held.st_ino != named.st_ino) {
        ::close(fd);
        *why = QStringLiteral("it cannot be named through /proc/self/fd, which is not there");
        return -1;
    }
    return fd;
}

// A name for the folder `native` that the toolkit keeps as it is: the name itself where it is
// UTF-8; else the part up to the last component that is not, held open for the run and named
// through its descriptor, and the rest.
QString reachable(const QByteArray& native) {
    if (holdsAsText(native)) return QFile::decodeName(native);
    QList<QByteArray> parts = native.split('/');
    qsizetype last = parts.size() - 1;
    while (holdsAsText(parts[last])) --last;
    const QByteArray head = parts.mid(0, last + 1).join('/');
    const QString rest = QFile::decodeName(parts.mid(last + 1).join('/'));
    Held& known = held();
    std::lock_guard lock(known.mutex);
    auto folder = known.folders.find(head);
    if (folder == known.folders.end()) {
        QString why;
        const int fd = holdFolder(head, &why);
        if (fd < 0) {
            if (known.why.isEmpty())
                known.why = QStringLiteral("the folder %1 is not named in UTF-8, and it cannot be opened by its bytes: %2")
                                .arg(shownBytes(head), why);
            return QFile::decodeName(native);
        }
        folder = known.folders.emplace(head, fd).first;
        qInfo().noquote() << "The folder" << shownBytes(head) << "is not named in UTF-8: it is opened by its bytes and"
                          << "reached as /proc/self/fd/" + QString::number(fd);
    }
    return QStringLiteral("/proc/self/fd/%1").arg(folder->second) + (rest.isEmpty() ? QString() : u'/' + rest);
}

// A relative value of an XDG variable is invalid and ignored, as the XDG rules say.
QString xdgBase(const char* variable, const char* fallbackUnderHome) {
    const QByteArray value = qgetenv(variable);
    return QDir::cleanPath(reachable(value.startsWith('/') ? value : qgetenv("HOME") + fallbackUnderHome));
}
}  // namespace

QString configDir() { return xdgBase("XDG_CONFIG_HOME", "/.config") + "/kettlepaw"; }
QString configFile() { return configDir() + "/kettlepaw.conf"; }
QString dataDir() { return xdgBase("XDG_DATA_HOME", "/.local/share") + "/kettlepaw"; }

QString unreachable() {
    configDir();
    dataDir();
    Held& known = held();
    std::lock_guard lock(known.mutex);
    return known.why;
}

QString shown(const QString& path) {
    static const QString through = QStringLiteral("/proc/self/fd/");
    if (!path.startsWith(through)) return path;
    const qsizetype end = path.indexOf(u'/', through.size());
    bool number = false;
    const int fd = path.mid(through.size(), end < 0 ? -1 : end - through.size()).toInt(&number);
    if (!number) return path;
    Held& known = held();
    std::lock_guard lock(known.mutex);
    for (const auto& [head, held] : known.folders)
        if (held == fd) return shownBytes(head) + (end < 0 ? QString() : path.mid(end));
    return path;
}

QString canonicalPath(const QString& path) {
    char* real = ::realpath(QFile::encodeName(path).constData(), nullptr);
    if (!real) return {};
    const QByteArray bytes(real);
    std::free(real);
    return reachable(bytes);
}

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
