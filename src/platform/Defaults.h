#pragma once
// The user-defaults store: plain values in an INI file, JSON records each in a file of its own.
//
// Plain values come back typed as they were written: "true"/"false" as Bool, a number as Double,
// anything else as String (a list of strings as StringList). Records are written atomically; one that
// a reader cannot decode is kept aside under `<key>.unreadable-<unix time>.json` before anything
// can overwrite it.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace kp {

class Defaults : public QObject {
    Q_OBJECT
public:
    // A store on the given files; `standard()` uses the XDG folders.
    Defaults(const QString& configFile, const QString& dataDir, QObject* parent = nullptr);
    ~Defaults() override;

    // The app's store, created on first use.
    static Defaults& standard();

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
    QString recordPath(const QString& key) const;
    std::optional<QByteArray> record(const QString& key) const;  // none when there is no file
    bool setRecord(const QString& key, const QByteArray& json);   // false when the write failed
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
        if (!value) keepAside(key);
        return value;
    }

    QString dataDir() const { return dataDir_; }

signals:
    // A plain value or a record was written or removed.
    void changed(const QString& key);

private:
    std::unique_ptr<QSettings> settings_;
    QString dataDir_;
};

}  // namespace kp
