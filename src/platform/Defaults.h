#pragma once
// The user-defaults store: plain values in an INI file, JSON records each in a file of its own.
//
// Plain values come back typed as they were written: "true"/"false" as Bool, a number as Double,
// anything else as String (a list of strings as StringList). Records are written atomically; one that
// a reader cannot decode is kept aside under `<key>.unreadable-<unix time>.json` before anything
// can overwrite it; so is one nested deeper than `deepestRecord` levels of objects and arrays, before
// anything parses it. A settings file that cannot be parsed is kept aside the same way, under
// `<name>.unreadable-<unix time>.conf` (once for the same bytes), and what could be read of it is
// written back in its place. A byte-order mark at its start is no damage: the file is written
// again without it. A settings file that is a link is written through: it stays a link. One that is
// no plain file of a sane size (a pipe, a device, a file over `largestSettingsFile`) is neither read
// nor written: the values of that run live in memory only.
//
// The settings file may also be edited by hand while the app runs: the store watches the file and
// its folder (an editor replaces the file rather than writing into it), rereads it once the writes
// settle, and announces each key whose value the edit changed. An edit that leaves no sane file
// there is not read: the store keeps the values it had, in memory, and writes nothing until the
// file is sane again.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <set>

class QFileSystemWatcher;
class QSettings;
class QTimer;

namespace kp {

class Defaults : public QObject {
    Q_OBJECT
public:
    // A store on the given files; `standard()` uses the XDG folders.
    Defaults(const QString& configFile, const QString& dataDir, QObject* parent = nullptr);
    ~Defaults() override;

    // The app's store, created on first use.
    static Defaults& standard();

    // A real settings file holds a few kilobytes. Each write rewrites the whole file: one of this
    // size in its costliest shape takes a few milliseconds to read or to write, and the deepest
    // nesting of values it can hold (four bytes a level) is read and written again within a third
    // of the main thread's usual stack.
    static constexpr qint64 largestSettingsFile = 32 << 10;
    // How many times the store went over every key of the settings file (opening or rereading it):
    // a write never does.
    int fullPasses() const { return fullPasses_; }

    // Plain values. `object` is invalid when the key is absent.
    QVariant object(const QString& key) const;
    bool contains(const QString& key) const;
    QString string(const QString& key) const;           // empty when absent
    double doubleValue(const QString& key) const;        // 0 when absent or not a number
    bool boolValue(const QString& key) const;            // false when absent or not a boolean/number
    long long integer(const QString& key) const;         // 0 when absent or not a number
    QStringList stringArray(const QString& key) const;   // empty when absent
    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // JSON records.
    // No record the app writes nests more than a few levels; decoding one nested without end would
    // take the whole stack.
    static constexpr int deepestRecord = 64;
    QString recordPath(const QString& key) const;
    // None when there is no file. A name holding no plain file of a sane size (a pipe, a device, a link
    // to one, a huge file), or a record nested too deep, is kept aside as undecodable and reads as none
    // too; a folder or a file this user may not read is left alone, and reads as none.
    std::optional<QByteArray> record(const QString& key);
    // False when the write failed; the previous file is then left exactly as it was. A record that
    // is a link is replaced by a file of its own (the link's target is never written); one that is a
    // dangling link, a folder or a file this user may not read and write is left alone and refused.
    bool setRecord(const QString& key, const QByteArray& json);
    // False when the record cannot be written: the path is taken by something the store will not
    // replace, or the last write failed. Whatever lives in such a record lasts only this run.
    bool canKeep(const QString& key) const;
    void removeRecord(const QString& key);
    // Moves an undecodable record aside; returns the new path (empty when there was nothing).
    QString keepAside(const QString& key);

    // Reads a record through `decode`; a record that is there but does not decode is kept aside
    // and gives none, so the defaults stand and the old bytes can still be recovered by hand.
    template <typename T>
    std::optional<T> decodeRecord(const QString& key,
                                  const std::function<std::optional<T>(const QByteArray&)>& decode) {
        auto bytes = record(key);
        if (!bytes) return std::nullopt;
        auto value = decode(*bytes);
        if (!value) setAside(key, QStringLiteral("it does not decode"));
        return value;
    }

    QString dataDir() const { return dataDir_; }

signals:
    // A plain value or a record was written or removed.
    void changed(const QString& key);

private:
    void openSettings();
    // Keeps a damaged file's `bytes` aside and reads what it can of `text` (the bytes without a
    // byte-order mark), leaving in the file what it read.
    QStringList salvage(const QByteArray& bytes, const QByteArray& text);
    // Writes `bytes` as the settings file and reads it again; the keys read.
    QStringList replaceSettings(const QByteArray& bytes);
    // Where the file's bytes live: a link (a file kept with the user's dotfiles) is written through.
    QString settingsPath() const;
    // A copy of the damaged file beside it, or the copy already there with the same bytes; empty
    // when none could be made.
    QString keepSettingsAside(const QByteArray& bytes);
    void watchFile();
    void rereadIfChanged();
    QByteArray fileStamp() const;
    void write(const QString& key, const QVariant& value);
    // Whether the reader's write lock can be taken without waiting; said once when it cannot.
    bool clearWriteLock();
    void reportFailure(const QString& key, const QString& why);
    // Keeps an unreadable record aside and says so.
    void setAside(const QString& key, const QString& why);

    std::unique_ptr<QSettings> settings_;  // the file's reader and writer; none while it is unfit
    QString configFile_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr;  // runs only between an outside write and its reread
    QVariantMap known_;         // the values, as last read or written
    QByteArray stamp_;          // the file as last read or written, to skip echoes of own writes
    bool inMemory_ = false;     // the file cannot be read safely: nothing is read from it nor written
    int fullPasses_ = 0;
    bool lockBlocked_ = false;
    std::set<QString> unsaved_;  // keys whose last value was too large for the file, each reported once
    QString dataDir_;
    std::set<QString> failing_;  // records whose last write failed, each reported once
};

// Writes `bytes` to `path` through a temporary file in the same folder, synced to the disk before it
// takes the name, so `path` holds either its old bytes or all of the new ones. False on any failure
// (a full disk, a short write, a folder that cannot be written), with `why` saying which.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* why = nullptr);

}  // namespace kp
