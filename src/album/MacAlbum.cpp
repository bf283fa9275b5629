#include "album/MacAlbum.h"

#include "core/Preferences.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/PlainFile.h"
#include "platform/Scheduler.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QtDebug>
#include <QBuffer>

#include <malloc.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kp {

namespace {
const QString kRecord = QStringLiteral("album.v1");
const QString kOpenedAt = QStringLiteral("albumOpenedAt");
const QString kDropped = QStringLiteral("albumDropped.v1");

// Oldest first; pages of the same moment keep their order.
void sortByDate(std::vector<MacKeepsake>& keepsakes) {
    std::stable_sort(keepsakes.begin(), keepsakes.end(),
                     [](const MacKeepsake& a, const MacKeepsake& b) { return a.date < b.date; });
}

// Only the shape the album writes, a cat's birth to the keys of its dropped pages, reads: anything
// else is damage the store keeps aside before the next drop replaces the list.
std::optional<MacAlbum::DroppedLists> decodeDropped(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    MacAlbum::DroppedLists out;
    const QJsonObject cats = doc.object();
    for (auto it = cats.begin(); it != cats.end(); ++it) {
        bool ok = false;
        const double birth = it.key().toDouble(&ok);
        if (!ok || !std::isfinite(birth) || !it.value().isArray()) return std::nullopt;
        for (const QJsonValue& key : it.value().toArray()) {
            if (!key.isString()) return std::nullopt;
            out[birth].insert(key.toString());
        }
    }
    return out;
}

// A JSON string, written straight into `out`.
void appendQuoted(std::string& out, const QByteArray& utf8) {
    out += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

// Written straight out, each birth in the shortest text that reads back as it: built as a document
// object key by key, with seventeen digits a birth, tens of thousands of cats cost a quarter second.
QByteArray encodeDropped(const MacAlbum::DroppedLists& lists) {
    std::string out = "{";
    for (const auto& [birth, keys] : lists) {
        if (out.size() > 1) out += ',';
        char text[32];
        appendQuoted(out, QByteArray(text, std::to_chars(text, text + sizeof text, birth).ptr - text));
        out += ":[";
        bool first = true;
        for (const QString& key : keys) {
            if (!first) out += ',';
            first = false;
            appendQuoted(out, key.toUtf8());
        }
        out += ']';
    }
    out += '}';
    return QByteArray::fromStdString(out);
}
}  // namespace

MacAlbum::MacAlbum(Defaults& store, Clock& clock, Scheduler& scheduler, AlbumWorld world, QObject* parent)
    : QObject(parent), store_(store), clock_(clock), scheduler_(scheduler), world_(std::move(world)) {
    // Writes through the store are read again even when they leave the file's stamp as it was.
    connect(&store_, &Defaults::changed, this, [this](const QString& key) {
        if (key == kRecord) storedStamp_.reset();
        if (key == kDropped) droppedStamp_.reset();
    });
    unseen_ = unseenCount();
}

MacAlbum::~MacAlbum() {
    if (timer_) scheduler_.cancel(timer_);
    if (firstRun_) scheduler_.cancel(firstRun_);
}

std::vector<MacKeepsake> MacAlbum::load() { return stored(); }

bool MacAlbum::save(std::vector<MacKeepsake> keepsakes) {
    sortByDate(keepsakes);
    if (keepsakes.size() > static_cast<std::size_t>(cap)) {
        const auto drop = keepsakes.end() - cap;
        // Changed in place: a long list is neither copied nor read again for each page the cap drops.
        DroppedLists& dropped = droppedLists();
        bool grew = false;
        for (auto it = keepsakes.begin(); it != drop; ++it) {
            QSet<QString>& keys = dropped[it->catBirth];
            if (it->key == QLatin1String("candid") || keys.contains(it->key)) continue;
            keys.insert(it->key);
            grew = true;
        }
        if (grew) {
            unionsFresh_ = false;
            const bool kept = store_.setRecord(kDropped, encodeDropped(dropped));
            // What is in memory is what the file now holds; after a failed write, what it held.
            droppedStamp_ = kept ? std::optional(fileStamp(store_.recordPath(kDropped))) : std::nullopt;
            if (!kept) return false;
        }
        keepsakes.erase(keepsakes.begin(), drop);
    }
    const QByteArray bytes = encodeKeepsakes(keepsakes);
    if (bytes.isEmpty()) return false;
    return store_.setRecord(kRecord, bytes);
}


const MacAlbum::DroppedLists& MacAlbum::droppedKeys() { return droppedLists(); }

// A long list of past cats' dropped pages takes a tenth of a second to read: once per version.
MacAlbum::DroppedLists& MacAlbum::droppedLists() {
    const QByteArray stamp = fileStamp(store_.recordPath(kDropped));
    if (droppedStamp_ == stamp) return dropped_;
    ++recordReads_;
    dropped_ = store_.decodeRecord<DroppedLists>(kDropped, decodeDropped).value_or(DroppedLists{});
    droppedStamp_ = stamp;
    unionsFresh_ = false;
    malloc_trim(0);  // as after the album's own read: a long list leaves tens of megabytes behind
    return dropped_;
}

int MacAlbum::unseenCount() {
    const double openedAt = prefs::moment(kOpenedAt, store_).value_or(-std::numeric_limits<double>::infinity());
    int n = 0;
    for (const auto& k : stored())
        if (k.date > openedAt && k.key != QLatin1String("arrived")) ++n;
    return n;
}

// A hand-made album may hold 100,000 pages: decoding it takes half a second, so it is decoded once
// for each version of its file (the stamp is taken before the read: a write during it shows later).
const std::vector<MacKeepsake>& MacAlbum::stored() {
    const QByteArray stamp = fileStamp(store_.recordPath(kRecord));
    if (storedStamp_ == stamp) return stored_;
    ++recordReads_;
    // An unreadable record is moved aside by the store, so the next save cannot destroy it.
    auto list = store_.decodeRecord<std::vector<MacKeepsake>>(kRecord, decodeKeepsakes);
    stored_ = list ? std::move(*list) : std::vector<MacKeepsake>{};
    untrimmed_ = false;
    if (stored_.size() <= static_cast<std::size_t>(cap)) {
        storedStamp_ = stamp;
        return stored_;
    }
    // More than the app ever writes: the save's rules bring it within the cap now, so no reader walks
    // it whole again. Written, the short record is read next time. Refused, the newest pages stand for
    // the file until it changes; no page is kept meanwhile, as each try would read it whole again.
    const std::size_t pages = stored_.size();
    untrimmed_ = !save(stored_);
    sortByDate(stored_);
    stored_.erase(stored_.begin(), stored_.end() - cap);
    stored_.shrink_to_fit();
    if (untrimmed_) {
        qWarning() << "The album holds" << pages << "pages and could not be cut to its" << cap
                   << "- it keeps no new page until its file changes";
        storedStamp_ = stamp;
    } else {
        storedStamp_.reset();
    }
    // The read took some hundred megabytes in small pieces: hand them back rather than keep them.
    malloc_trim(0);
    return stored_;
}

const MacAlbum::DroppedUnions& MacAlbum::droppedOf(double birth) {
    const DroppedLists& lists = droppedLists();
    if (unionsFresh_ && unionsBirth_ == birth) return unions_;
    unions_ = {};
    for (const auto& [b, keys] : lists) {
        unions_.album.unite(keys);
        if (b == birth) unions_.cat.unite(keys);
    }
    unionsFresh_ = true;
    unionsBirth_ = birth;
    return unions_;
}

void MacAlbum::markOpened() {
    store_.set(kOpenedAt, clock_.now());
    setUnseen(0);
}

void MacAlbum::setUnseen(int n) {
    if (n == unseen_) return;
    unseen_ = n;
    emit unseenChanged(n);
}

QString MacAlbum::photoFolder() const {
    const QString folder = store_.dataDir() + QStringLiteral("/Album");
    QDir().mkpath(folder);
    return folder;
}

QString MacAlbum::photoPath(const QString& name) const {
    // Names come from the record: only a plain file name may be joined to the folder.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        return {};
    return store_.dataDir() + QStringLiteral("/Album/") + name;
}

std::optional<QString> MacAlbum::savePhoto(const QImage& image) const {
    if (image.isNull()) return std::nullopt;
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.setDevicePixelRatio(1);
    opaque.fill(Qt::white);
    {
        QPainter p(&opaque);
        QImage source = image;
        source.setDevicePixelRatio(1);
        p.drawImage(0, 0, source);
    }
    const QString name = newKeepsakeId() + QStringLiteral(".jpg");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!opaque.save(&buffer, "JPEG", 85)) return std::nullopt;
    // A crash or a full disk never leaves half a photo under its name.
    QString why;
    if (!writeFileAtomically(photoFolder() + u'/' + name, bytes, &why)) {
        qWarning().noquote() << "Could not save a keepsake photo:" << why;
        return std::nullopt;
    }
    return name;
}

void MacAlbum::start() {
    if (timer_) return;
    timer_ = scheduler_.every(period, [this] { addDueKeepsakes(clock_.now()); });
    firstRun_ = scheduler_.after(firstRunAfter, [this] {
        firstRun_ = 0;
        addDueKeepsakes(clock_.now());
    });
}

void MacAlbum::collectNow() { addDueKeepsakes(clock_.now()); }

bool MacAlbum::isStarted() const { return timer_ != 0; }

void MacAlbum::setNotchOpen(bool open) {
    const bool changed = open != notchOpen_;
    notchOpen_ = open;
    if (!changed) return;
    if (open)
        openSince_ = clock_.now();
    else
        openSince_.reset();
}

QString MacAlbum::ageText(double seconds) {
    if (!std::isfinite(seconds)) seconds = 0;
    seconds = std::min(seconds, 1e15);
    if (seconds >= 86400) return QString::number(static_cast<long long>(seconds / 86400)) + QStringLiteral(" days");
    if (seconds >= 3600) return QString::number(static_cast<long long>(seconds / 3600)) + QStringLiteral(" hours");
    long long minutes = seconds > 0 ? static_cast<long long>(seconds / 60) : 0;
    return QString::number(std::max(1LL, minutes)) + QStringLiteral(" minutes");
}

}  // namespace kp

namespace kp {

QImage MacAlbum::renderOffscreen(QSizeF points, double scale, const std::function<void(QPainter&)>& paint) {
    const QSize pixels(static_cast<int>(std::lround(points.width() * scale)),
                       static_cast<int>(std::lround(points.height() * scale)));
    if (pixels.isEmpty() || !paint) return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(scale, scale);
    p.setClipRect(QRectF(QPointF(0, 0), points));
    paint(p);
    return image;
}

}  // namespace kp
