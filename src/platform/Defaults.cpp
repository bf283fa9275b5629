#include "Defaults.h"
#include "JsonNesting.h"
#include "Paths.h"
#include "PlainFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSettings>
#include <QTimer>
#include <QtDebug>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kp {

namespace {
// Editors write a file in several steps (truncate, write, rename): reread once they are done.
constexpr int kSettleMs = 150;
// Far above the largest real file of the store: a full album's record is about 2 MB.
constexpr qint64 kLargestFile = 32 << 20;

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A new name beside `path` for a copy kept aside: `<stem>.unreadable-<unix time>[-n].<suffix>`.
QString asideName(const QString& path, const QString& suffix) {
    const QString stem = path.chopped(suffix.size() + 1);
    const QString stamp = QString::number(QDateTime::currentSecsSinceEpoch());
    QString target = stem + ".unreadable-" + stamp + "." + suffix;
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = stem + ".unreadable-" + stamp + "-" + QString::number(n) + "." + suffix;
    return target;
}
}  // namespace

Defaults::Defaults(const QString& configFile, const QString& dataDir, QObject* parent)
    : QObject(parent), configFile_(configFile), dataDir_(dataDir) {
    openSettings();
    stamp_ = fileStamp();
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMs);
    connect(settle_, &QTimer::timeout, this, &Defaults::rereadIfChanged);
    watcher_ = new QFileSystemWatcher(this);
    const QString folder = QFileInfo(configFile).absolutePath();
    QDir().mkpath(folder);
    watcher_->addPath(folder);
    watchFile();
    const auto later = [this] {
        watchFile();
        settle_->start();
    };
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, later);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, later);
}

void Defaults::watchFile() {
    // A file replaced by a rename drops out of the watch: take up the new one.
    if (!watcher_->files().contains(configFile_) && QFileInfo::exists(configFile_))
        watcher_->addPath(configFile_);
}

QByteArray Defaults::fileStamp() const { return kp::fileStamp(configFile_); }

void Defaults::rereadIfChanged() {
    const QByteArray stamp = fileStamp();
    if (stamp == stamp_) return;  // an echo of this store's own write, or another file in the folder
    stamp_ = stamp;
    const QVariantMap before = known_;
    openSettings();
    QStringList changedKeys;
    for (auto it = known_.cbegin(); it != known_.cend(); ++it)
        if (before.value(it.key()) != it.value()) changedKeys << it.key();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!known_.contains(it.key())) changedKeys << it.key();
    stamp_ = fileStamp();  // a damaged file kept aside leaves another one in its place
    watchFile();
    for (const QString& key : changedKeys) emit changed(key);
}

void Defaults::openSettings() {
    QString why;
    QFile check;
    if (openPlainFile(check, configFile_, largestSettingsFile, &why) == FileState::unfit) {
        // Reading it could hang, take all memory or hold the app up for seconds, and a write would
        // replace what the user put there: the values stay as they are, in memory only.
        if (!inMemory_)
            qWarning().noquote() << "The settings file" << configFile_ << "is not read:" << why << "-"
                                 << (known_.isEmpty() ? "running on the defaults" : "keeping the values read before")
                                 << "and writing nothing to it";
        inMemory_ = true;
        settings_.reset();
        return;
    }
    check.close();
    inMemory_ = false;
    settings_ = std::make_unique<QSettings>(configFile_, QSettings::IniFormat);
    // Sections are parsed on first use, and only then is the status known.
    QStringList keys = settings_->allKeys();
    if (settings_->status() == QSettings::FormatError) {
        const QByteArray bytes = readPlainFile(configFile_, largestSettingsFile).bytes;
        // Some editors begin the file with a byte-order mark, which the reader takes for damage.
        const bool marked = bytes.startsWith("\xEF\xBB\xBF");
        if (marked) keys = replaceSettings(bytes.mid(3));
        if (settings_->status() == QSettings::FormatError) keys = salvage(bytes, marked ? bytes.mid(3) : bytes);
    }
    known_.clear();
    for (const QString& key : keys) known_.insert(key, settings_->value(key));
    ++fullPasses_;
}

QStringList Defaults::salvage(const QByteArray& bytes, const QByteArray& text) {
    // The next write would replace the file with only the keys that could be read: keep the user's
    // bytes aside first.
    const QString kept = keepSettingsAside(bytes);
    if (kept.isEmpty()) {
        qWarning().noquote() << "The settings file" << configFile_ << "cannot be read nor kept aside";
        return settings_->allKeys();
    }
    qWarning().noquote() << "The settings file could not be read; it was kept as" << kept;
    // Damage before the values: go on from the first intact [General] block.
    if (const qsizetype general = text.indexOf("\n[General]\n"); general >= 0 && !text.startsWith("[General]\n"))
        replaceSettings(text.mid(general + 1));
    QStringList keys = settings_->allKeys();
    if (settings_->status() != QSettings::FormatError || !clearWriteLock()) return keys;
    // Damage among them: what could be read is written back alone, so the next start finds none.
    // The reader rewrites the file whole, in one step, from what it read, once a value is set.
    if (keys.isEmpty()) return replaceSettings({});
    settings_->setValue(keys.first(), settings_->value(keys.first()));
    settings_->sync();
    QCoreApplication::sendPostedEvents(settings_.get(), QEvent::UpdateRequest);
    // Written again with escapes, it may no longer fit: the damaged file stays rather than none.
    if (QFileInfo(configFile_).size() > largestSettingsFile) replaceSettings(text);
    return settings_->allKeys();
}

QStringList Defaults::replaceSettings(const QByteArray& bytes) {
    settings_.reset();
    writeFileAtomically(settingsPath(), bytes);
    settings_ = std::make_unique<QSettings>(configFile_, QSettings::IniFormat);
    return settings_->allKeys();
}

QString Defaults::settingsPath() const {
    const QString real = paths::canonicalPath(configFile_);
    return real.isEmpty() ? configFile_ : real;
}

QString Defaults::keepSettingsAside(const QByteArray& bytes) {
    const QFileInfo file(configFile_);
    const QStringList names{file.completeBaseName() + ".unreadable-*.conf"};
    for (const QFileInfo& kept : file.dir().entryInfoList(names, QDir::Files))
        if (kept.size() == bytes.size() && readPlainFile(kept.filePath(), largestSettingsFile).bytes == bytes)
            return kept.filePath();
    const QString target = asideName(configFile_, QStringLiteral("conf"));
    return writeFileAtomically(target, bytes) ? target : QString();
}

Defaults::~Defaults() = default;

Defaults& Defaults::standard() {
    static Defaults* store = new Defaults(paths::configFile(), paths::dataDir());
    return *store;
}

namespace {
// INI gives every scalar back as text: restore the type it was written with.
QVariant typed(const QVariant& raw) {
    if (!raw.isValid()) return {};
    if (raw.typeId() == QMetaType::QStringList) return raw;
    if (raw.typeId() == QMetaType::Bool || raw.typeId() == QMetaType::Double) return raw;
    if (raw.typeId() == QMetaType::Int || raw.typeId() == QMetaType::LongLong)
        return QVariant(raw.toDouble());
    const QString text = raw.toString();
    if (text == QLatin1String("true")) return QVariant(true);
    if (text == QLatin1String("false")) return QVariant(false);
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok && !text.trimmed().isEmpty()) return QVariant(number);
    return QVariant(text);
}
}  // namespace

QVariant Defaults::object(const QString& key) const { return typed(known_.value(key)); }

bool Defaults::contains(const QString& key) const { return known_.contains(key); }

QString Defaults::string(const QString& key) const {
    const QVariant raw = known_.value(key);
    if (raw.typeId() == QMetaType::QStringList) return {};
    return raw.isValid() ? raw.toString() : QString();
}

double Defaults::doubleValue(const QString& key) const {
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::Double) return v.toDouble();
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1.0 : 0.0;
    return 0.0;
}

bool Defaults::boolValue(const QString& key) const {
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (v.typeId() == QMetaType::Double) return v.toDouble() != 0.0;
    // Like the platform's own store: "YES"/"yes"/"1" strings read as true.
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("yes");
    }
    return false;
}

long long Defaults::integer(const QString& key) const {
    const double v = doubleValue(key);
    // Beyond ±2^62 (or not a number) the conversion would be undefined.
    if (!(std::fabs(v) < 4.6e18)) return 0;
    return static_cast<long long>(v);
}

QStringList Defaults::stringArray(const QString& key) const {
    const QVariant raw = known_.value(key);
    if (!raw.isValid()) return {};
    if (raw.typeId() == QMetaType::QStringList) return raw.toStringList();
    // INI writes a one-element list as a plain string.
    const QString text = raw.toString();
    return text.isEmpty() ? QStringList{} : QStringList{text};
}

void Defaults::set(const QString& key, const QVariant& value) { write(key, value); }

void Defaults::remove(const QString& key) { write(key, QVariant()); }

void Defaults::write(const QString& key, const QVariant& value) {
    // An edit by hand not reread yet is taken in first: the file may have grown past the bound,
    // and the reader would otherwise read it whole to merge this write into it.
    if (fileStamp() != stamp_) rereadIfChanged();
    if (value.isValid()) known_.insert(key, value);
    else known_.remove(key);
    if (settings_ && clearWriteLock()) {
        // The file as it is, to put back should this write leave it too large to be read again.
        const FileRead before = readPlainFile(configFile_, largestSettingsFile);
        if (value.isValid()) settings_->setValue(key, value);
        else settings_->remove(key);
        settings_->sync();
        // The reader also asked its event loop for a sync of its own, which would reread the file
        // whole if it changed meanwhile: that one finds nothing to do now, and none is left.
        QCoreApplication::sendPostedEvents(settings_.get(), QEvent::UpdateRequest);
        const bool fits = QFileInfo(configFile_).size() <= largestSettingsFile;
        if (!fits && (before.state == FileState::plain || before.state == FileState::absent)) {
            replaceSettings(before.bytes);
            if (unsaved_.insert(key).second)
                qWarning().noquote() << "The value of" << key << "would make the settings file too large"
                                     << "to be read again: it is kept for this run only";
        } else if (fits) {
            unsaved_.erase(key);
        }
        stamp_ = fileStamp();
    }
    emit changed(key);
}

bool Defaults::clearWriteLock() {
    // The settings reader takes `<file>.lock` for each write and waits on whatever has that name: a
    // pipe blocks it for good, a link to a device is read without end, a fresh file naming a live
    // process holds it for half a minute. Only this app, one copy at a time, writes the file, so
    // anything there is a leftover; its name is removed without opening it. A folder cannot be:
    // the values then live in memory until it is gone.
    const QString lock = configFile_ + ".lock";
    const QByteArray native = QFile::encodeName(lock);
    struct stat st {};
    bool clear = false;
    if (::lstat(native.constData(), &st) != 0)
        clear = errno == ENOENT;
    else
        clear = !S_ISDIR(st.st_mode) && (::unlink(native.constData()) == 0 || errno == ENOENT);
    if (!clear && !lockBlocked_)
        qWarning().noquote() << "The settings file cannot be written while" << lock
                             << "is in the way - the values are kept in memory";
    lockBlocked_ = !clear;
    return clear;
}

QString Defaults::recordPath(const QString& key) const { return dataDir_ + "/" + key + ".json"; }

std::optional<QByteArray> Defaults::record(const QString& key) {
    FileRead file = readPlainFile(recordPath(key), kLargestFile);
    // Refused before any parse, for every record at once: decoding it would run out of stack.
    if (file.state == FileState::plain && !nestsWithin(file.bytes, deepestRecord)) {
        file.state = FileState::unfit;
        file.why = QStringLiteral("it is nested deeper than %1 levels").arg(deepestRecord);
    }
    if (file.state == FileState::plain) return std::move(file.bytes);
    if (file.state == FileState::unfit) setAside(key, file.why);
    return std::nullopt;
}

void Defaults::setAside(const QString& key, const QString& why) {
    const QString aside = keepAside(key);
    qWarning().noquote() << "The record" << recordPath(key) << "could not be read:" << why << "-"
                         << (aside.isEmpty() ? QStringLiteral("it could not be moved aside")
                                             : "it was kept as " + aside);
}

namespace {
enum class Slot { absent, file, link, refused };

// What holds a record's name, and why the store will not write there when it will not.
Slot inspect(const QString& path, QString* why) {
    const QByteArray native = QFile::encodeName(path);
    struct stat own {};
    if (::lstat(native.constData(), &own) != 0) {
        if (errno == ENOENT) return Slot::absent;
        *why = errorText(errno);
        return Slot::refused;
    }
    if (S_ISLNK(own.st_mode)) {
        // A link is replaced by a file of its own; its target is never written. A link to nothing
        // may point into a folder that is not there yet (a disk not mounted): leave it be.
        struct stat target {};
        if (::stat(native.constData(), &target) != 0 || !S_ISREG(target.st_mode)) {
            *why = QStringLiteral("it is a link to no file");
            return Slot::refused;
        }
        return Slot::link;
    }
    if (S_ISDIR(own.st_mode)) {
        *why = QStringLiteral("a folder has its name");
        return Slot::refused;
    }
    if (!S_ISREG(own.st_mode)) {
        *why = QStringLiteral("it is not a plain file");
        return Slot::refused;
    }
    if (::access(native.constData(), R_OK | W_OK) != 0) {
        *why = QStringLiteral("it may not be read and written");
        return Slot::refused;
    }
    return Slot::file;
}
}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* why) {
    const auto fail = [why](const QString& what, int error) {
        if (why) *why = what + ": " + errorText(error);
        return false;
    };
    const QFileInfo info(path);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    // A file without a name until it is complete, so a crash leaves nothing behind. It is named
    // through /proc; without /proc it is a hidden file from the start.
    QByteArray temporary;
    int fd = -1;
    if (::access("/proc/self/fd", X_OK) == 0) fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        temporary = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
        fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0) return fail(QStringLiteral("no temporary file"), errno);
    }
    const auto discard = [&](const QString& what, int error) {
        ::close(fd);
        if (!temporary.isEmpty()) ::unlink(temporary.constData());
        return fail(what, error);
    };
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return discard(QStringLiteral("write failed"), n < 0 ? errno : ENOSPC);
        data += n;
        left -= n;
    }
    // A full disk may only show when the data is flushed: check that, and the size it left.
    if (::fsync(fd) != 0) return discard(QStringLiteral("sync failed"), errno);
    struct stat written {};
    if (::fstat(fd, &written) != 0) return discard(QStringLiteral("size unknown"), errno);
    if (written.st_size != bytes.size()) return discard(QStringLiteral("short file"), ENOSPC);
    if (temporary.isEmpty()) {
        // Give the complete file a passing name, then move it over the old one in one step.
        temporary = folder + "/." + QFile::encodeName(info.fileName()) + "." + QByteArray::number(::getpid());
        ::unlink(temporary.constData());
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(), AT_SYMLINK_FOLLOW) != 0) {
            const int error = errno;
            temporary.clear();
            return discard(QStringLiteral("cannot name the file"), error);
        }
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return fail(QStringLiteral("close failed"), error);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return fail(QStringLiteral("cannot replace the old file"), error);
    }
    // The new name itself lives in the folder: sync it too, so a power cut keeps one or the other.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void Defaults::reportFailure(const QString& key, const QString& why) {
    if (!failing_.insert(key).second) return;
    qWarning().noquote() << "Could not save" << recordPath(key) + ":" << why
                         << "- it is kept in memory for this run only";
}

bool Defaults::setRecord(const QString& key, const QByteArray& json) {
    const QString path = recordPath(key);
    QString why;
    if (!QDir().mkpath(dataDir_)) {
        reportFailure(key, QStringLiteral("the folder cannot be made"));
        return false;
    }
    if (inspect(path, &why) == Slot::refused || !writeFileAtomically(path, json, &why)) {
        reportFailure(key, why);
        return false;
    }
    if (failing_.erase(key)) qInfo().noquote() << "Saved" << path << "again";
    emit changed(key);
    return true;
}

bool Defaults::canKeep(const QString& key) const {
    if (failing_.count(key)) return false;
    QString why;
    return inspect(recordPath(key), &why) != Slot::refused;
}

void Defaults::removeRecord(const QString& key) {
    if (QFile::remove(recordPath(key))) emit changed(key);
}

QString Defaults::keepAside(const QString& key) {
    const QString path = recordPath(key);
    if (!QFileInfo::exists(path)) return {};
    const QString target = asideName(path, QStringLiteral("json"));
    return QFile::rename(path, target) ? target : QString();
}

}  // namespace kp
