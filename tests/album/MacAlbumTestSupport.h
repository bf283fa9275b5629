#pragma once
// A scratch store, a manual clock and a fake world for album tests.
#include "album/MacAlbum.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Defaults.h"
#include "platform/Scheduler.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTimeZone>

#include <memory>

namespace kp::albumtest {

inline double utc(int y, int m, int d, int h = 12, int mi = 0, int s = 0) {
    return referenceFromDate(QDateTime(QDate(y, m, d), QTime(h, mi, s), QTimeZone::utc()));
}

// The local time zone and, when given, the locale for one test.
class LocalZone {
public:
    explicit LocalZone(const char* zone, const char* locale = nullptr)
        : saved_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        if (locale) QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    }
    ~LocalZone() {
        if (had_) qputenv("TZ", saved_);
        else qunsetenv("TZ");
        QLocale::setDefault(locale_);
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    QByteArray saved_;
    bool had_;
    QLocale locale_;
};

struct FakeWorld {
    AlbumCatSnapshot cat;
    SkyLook look;
    bool preview = false;
    std::vector<CatAccessory> unlocked;
    bool walletOn = true;
    std::vector<std::pair<long long, double>> paid;

    AlbumWorld world() {
        AlbumWorld w;
        w.cat = [this] { return cat; };
        w.look = [this] { return look; };
        w.skyCyclesPreview = [this] { return preview; };
        w.unlocked = [this] { return unlocked; };
        w.walletEnabled = [this] { return walletOn; };
        w.pay = [this](long long amount, double at) { paid.emplace_back(amount, at); };
        return w;
    }
};

struct AlbumFixture {
    QTemporaryDir dir;
    std::unique_ptr<Defaults> store;
    ManualClock clock;
    ManualScheduler scheduler;
    FakeWorld fake;
    std::unique_ptr<MacAlbum> album;

    explicit AlbumFixture(double now = 0) : clock(now) {
        store = std::make_unique<Defaults>(dir.path() + "/config.ini", dir.path() + "/data");
        remake();
    }
    void remake() { album = std::make_unique<MacAlbum>(*store, clock, scheduler, fake.world()); }
};

}  // namespace kp::albumtest
