#include "desktop/KeyboardWalk.h"

#include "platform/Random.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

namespace kp::keyboardwalk {

namespace {

const QString kSuffix = QStringLiteral(" walked on the keyboard.txt");
// NAME_MAX on the usual file systems, in bytes.
constexpr int kMaxNameBytes = 255;

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

}  // namespace

std::vector<Burst> mashBursts(RandomSource& random) {
    constexpr int rowCount = int(std::size(keyRows));
    std::vector<Burst> out(std::size_t(5 + random.uniformInt(0, 4)));
    for (Burst& burst : out) {
        std::string row = keyRows[random.uniformInt(0, rowCount - 1)];
        const char held = row[std::size_t(random.uniformInt(0, int(row.size()) - 1))];
        burst.held = QString(4 + random.uniformInt(0, 12), QChar(held));
        // The paw rolls along the same row (Fisher-Yates with the injected source).
        for (int i = int(row.size()) - 1; i > 0; --i)
            std::swap(row[std::size_t(i)], row[std::size_t(random.uniformInt(0, i))]);
        const int rolled = std::min(2 + random.uniformInt(0, 4), int(row.size()));
        burst.rolled = QString::fromLatin1(row.data(), rolled);
        if (random.coin())
            burst.separator = QStringLiteral(" ");
        else
            burst.separator = random.coin() ? QStringLiteral("\n") : QStringLiteral(";;;;");
    }
    return out;
}

QString mashText(RandomSource& random) {
    QString text;
    for (const Burst& b : mashBursts(random)) text += b.held + b.rolled + b.separator;
    return text;
}

QString fileName(const QString& petName) {
    QString name;
    name.reserve(petName.size());
    for (const QChar c : petName) {
        // One path component: no separators, no control characters, no direction overrides that
        // would show the suffix reversed.
        const char16_t u = c.unicode();
        const bool bidi = (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control || bidi)
            name += QLatin1Char('_');
        else
            name += c;
    }
    // No hidden file, and never "." or "..".
    qsizetype from = 0;
    for (;;) {
        while (from < name.size() && name[from].isSpace()) ++from;
        if (from == name.size() || name[from] != QLatin1Char('.')) break;
        while (from < name.size() && name[from] == QLatin1Char('.')) ++from;
    }
    qsizetype to = name.size();
    while (to > from && name[to - 1].isSpace()) --to;
    // Keep the whole name within the file system's limit, cutting whole characters; counted as it
    // goes, so a name of any length costs one pass.
    const qsizetype room = kMaxNameBytes - kSuffix.toUtf8().size();
    qsizetype bytes = 0, end = from;
    while (end < to) {
        const char16_t u = name[end].unicode();
        const bool pair = QChar::isHighSurrogate(u) && end + 1 < to && QChar::isLowSurrogate(name[end + 1].unicode());
        const int size = pair ? 4 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        if (bytes + size > room) break;
        bytes += size;
        end += pair ? 2 : 1;
    }
    name = name.mid(from, end - from).trimmed();
    if (name.isEmpty()) name = QStringLiteral("Tobbi");
    return name + kSuffix;
}

QString writeFile(const QString& folder, const QString& petName, const QString& text) {
    const QString target = QDir(folder).filePath(fileName(petName));
    const QByteArray targetPath = QFile::encodeName(target);
    const QByteArray bytes = text.toUtf8();

    // A fresh file beside the target, made exclusively and never through a link.
    QByteArray tempPath;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        tempPath = QFile::encodeName(QDir(folder).filePath(
            QStringLiteral(".kp-keys-%1-%2.tmp").arg(::getpid()).arg(quint32(std::random_device{}()), 8, 16,
                                                                       QLatin1Char('0'))));
        fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return {};
    }
    if (fd < 0) return {};

    bool ok = writeAll(fd, bytes);
    ok = (::close(fd) == 0) && ok;
    // rename() replaces whatever entry sits at the target, a link included, without following it.
    if (!ok || ::rename(tempPath.constData(), targetPath.constData()) != 0) {
        ::unlink(tempPath.constData());
        return {};
    }
    return target;
}

}  // namespace kp::keyboardwalk
