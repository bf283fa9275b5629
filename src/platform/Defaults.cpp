#include "Defaults.h"
#include "Paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

namespace kp {

Defaults::Defaults(const QString& configFile, const QString& dataDir, QObject* parent)
    : QObject(parent),
      settings_(std::make_unique<QSettings>(configFile, QSettings::IniFormat)),
      dataDir_(dataDir) {}

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

QVariant Defaults::object(const QString& key) const { return typed(settings_->value(key)); }

bool Defaults::contains(const QString& key) const { return settings_->contains(key); }

QString Defaults::string(const QString& key) const {
    const QVariant raw = settings_->value(key);
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

long long Defaults::integer(const QString& key) const { return (long long)doubleValue(key); }

QStringList Defaults::stringArray(const QString& key) const {
    const QVariant raw = settings_->value(key);
    if (!raw.isValid()) return {};
    if (raw.typeId() == QMetaType::QStringList) return raw.toStringList();
    // INI writes a one-element list as a plain string.
    const QString text = raw.toString();
    return text.isEmpty() ? QStringList{} : QStringList{text};
}

void Defaults::set(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        remove(key);
        return;
    }
    settings_->setValue(key, value);
    settings_->sync();
    emit changed(key);
}

void Defaults::remove(const QString& key) {
    settings_->remove(key);
    settings_->sync();
    emit changed(key);
}

QString Defaults::recordPath(const QString& key) const { return dataDir_ + "/" + key + ".json"; }

std::optional<QByteArray> Defaults::record(const QString& key) const {
    QFile file(recordPath(key));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll();
}

bool Defaults::setRecord(const QString& key, const QByteArray& json) {
    if (!QDir().mkpath(dataDir_)) return false;
    QSaveFile file(recordPath(key));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(json) != json.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) return false;
    emit changed(key);
    return true;
}

void Defaults::removeRecord(const QString& key) {
    if (QFile::remove(recordPath(key))) emit changed(key);
}

QString Defaults::keepAside(const QString& key) {
    const QString path = recordPath(key);
    if (!QFileInfo::exists(path)) return {};
    const qint64 stamp = QDateTime::currentSecsSinceEpoch();
    QString target = dataDir_ + "/" + key + ".unreadable-" + QString::number(stamp) + ".json";
    for (int n = 1; QFileInfo::exists(target); ++n)
        target = dataDir_ + "/" + key + ".unreadable-" + QString::number(stamp) + "-" + QString::number(n) + ".json";
    return QFile::rename(path, target) ? target : QString();
}

}  // namespace kp
