#include "album/Diary.h"

#include "album/DiaryTexts.h"
#include "life/Holiday.h"
#include "platform/Dates.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kp {

std::uint64_t diaryHash(std::uint64_t seed, std::uint64_t salt, std::uint64_t i) {
    std::uint64_t z = seed + salt * 0xD1B54A32D192ED03ull + i * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

namespace {

QDateTime inCalendar(double seconds, const DiaryContext& c) {
    const QDateTime utc = dateFromReference(seconds);
    return c.zone ? utc.toTimeZone(*c.zone) : utc.toLocalTime();
}

// Reference seconds as a whole count since 1970, truncated, as an unsigned pattern.
std::uint64_t birthSeed(double birth) {
    const double unix = std::trunc(boundedMoment(birth) + kReferenceDateUnix);
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(unix));
}

CatOutfit wearing(CatAccessory piece) { return CatOutfit::empty().toggling(piece); }

}  // namespace

// The first time strictly after `base` showing hour:minute on the calendar's clock. A time the clock
// skips stays on its day, at the first time that exists after it.
double diaryClockTime(double base, int hour, int minute, const DiaryContext& c) {
    const QDateTime start = inCalendar(base, c);
    for (int day = 0; day <= 2; ++day) {
        const QDate date = start.date().addDays(day);
        for (int skipped = 0; skipped <= 180; ++skipped) {
            const QTime at = QTime(hour, minute).addSecs(60 * skipped);
            if (skipped > 0 && at < QTime(hour, minute)) break;  // past midnight
            const QDateTime candidate = c.zone ? QDateTime(date, at, *c.zone) : QDateTime(date, at);
            if (!candidate.isValid()) continue;
            if (candidate > start) return referenceFromDate(candidate);
            break;
        }
    }
    return base;
}

namespace {

class Run {
public:
    explicit Run(const DiaryContext& c) : c_(c) {}

    bool has(const QString& key) const { return c_.has(key) || produced_.contains(key); }

    void add(QString key, double date, DiaryText text, bool died = false,
             std::optional<CatOutfit> outfit = std::nullopt, std::optional<CatDoing> doing = std::nullopt) {
        produced_.insert(key);
        out_.push_back({std::move(key), date, std::move(text.title), std::move(text.note), died,
                        std::move(outfit), doing});
    }

    std::vector<DiaryEntry> take() { return std::move(out_); }

private:
    const DiaryContext& c_;
    QSet<QString> produced_;
    std::vector<DiaryEntry> out_;
};

void dailyLife(const DiaryContext& c, Run& run) {
    const double age = boundedMoment(c.now) - boundedMoment(c.birth);
    const long long days = static_cast<long long>(std::trunc(age / 86400.0));
    if (days <= 0) return;
    const std::uint64_t seed = birthSeed(c.birth);
    auto h = [seed](std::uint64_t salt, std::uint64_t i) { return diaryHash(seed, salt, i); };

    const bool variant = h(7, 0) % 2 == 0;
    const std::vector<LifeRow> pool = diary::lifePool(variant, c.name);
    std::array<int, 39> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return h(1, static_cast<std::uint64_t>(a)) < h(1, static_cast<std::uint64_t>(b));
    });

    std::uint64_t k = 0;
    for (long long d = 1; d <= days; ++d) {
        const double roll = static_cast<double>(h(2, static_cast<std::uint64_t>(d)) % 1000) / 1000.0;
        if (roll >= 0.4) continue;
        const LifeRow& row = pool[static_cast<std::size_t>(order[k % 39])];
        ++k;
        if (d < days - 3) continue;
        const QString key = QStringLiteral("life-") + QString::number(d);
        if (run.has(key)) continue;
        const double base = c.birth + static_cast<double>(d) * 86400.0;
        const int minute = static_cast<int>(h(3, static_cast<std::uint64_t>(d)) % 60);
        const double date = diaryClockTime(base, row.hour, minute, c);
        if (date > c.now) continue;
        run.add(key, date, {row.title, row.note}, false, std::nullopt, row.doing);
    }
}

void candid(const DiaryContext& c, Run& run) {
    const int n = static_cast<int>(c.candidDates.size());
    const double last =
        c.candidDates.empty() ? c.birth : *std::max_element(c.candidDates.begin(), c.candidDates.end());
    const double gap = (2.5 + 0.5 * static_cast<double>((7 * n + 3) % 5)) * 86400.0;
    if (c.openFor < 40 || !(c.now - last > gap) || !c.content || !c.doing) return;
    auto text = diary::candidText(*c.doing, c, n);
    if (!text) return;
    run.add(QStringLiteral("candid"), c.now, std::move(*text));
}

}  // namespace

std::vector<DiaryEntry> DiaryEntry::entries(const DiaryContext& c) {
    Run run(c);

    // Arrival, and the farewell that ends a dead cat's diary.
    if (!run.has(QStringLiteral("arrived")))
        run.add(QStringLiteral("arrived"), c.birth, diary::arrived(c.name));
    if (c.isDead) {
        if (!run.has(QStringLiteral("farewell")))
            run.add(QStringLiteral("farewell"), c.diedAt.value_or(c.now), diary::farewell(c.name, c.ageLabel),
                    true);
        return run.take();
    }

    // Growing up: the junior stage lasts twice as long as the kitten stage.
    const double juniorAt = c.birth + c.kittenLength;
    const double adultAt = c.birth + 3 * c.kittenLength;
    if (c.now >= juniorAt && !run.has(QStringLiteral("junior")))
        run.add(QStringLiteral("junior"), juniorAt, diary::junior(c.name));
    if (c.now >= adultAt && !run.has(QStringLiteral("adult")))
        run.add(QStringLiteral("adult"), adultAt, diary::adult());

    for (const auto& m : diary::dayMilestones()) {
        const double at = c.birth + m.days * 86400.0;
        const QString key = QStringLiteral("days-") + QString::number(m.days);
        if (c.now >= at && !run.has(key))
            run.add(key, at, {QString::fromUtf8(m.title), QString::fromUtf8(m.note)});
    }

    // Anniversaries, with the party hat.
    const QDateTime born = inCalendar(c.birth, c);
    const QDateTime now = inCalendar(c.now, c);
    CatOutfit party;
    party.head = CatAccessory::partyHat;
    for (const auto& a : birthMilestones(born, now)) {
        const QString key = a.months <= 11 ? QStringLiteral("months-") + QString::number(a.months)
                                           : QStringLiteral("years-") + QString::number(a.months / 12);
        if (run.has(key)) continue;
        // Older albums marked these moments by day count.
        if (key == QLatin1String("months-1") && run.has(QStringLiteral("days-30"))) continue;
        if (key == QLatin1String("years-1") && run.has(QStringLiteral("days-365"))) continue;
        // The calendar keeps whole milliseconds: carry the rest of the birth's second over, so the
        // anniversary is not a hair early and a whole number of days old.
        run.add(key, referenceFromDate(a.date) + (c.birth - referenceFromDate(born)),
                diary::anniversaryText(a.months, c.name), false, party, CatDoing::loved);
    }

    // Holidays, once per cat and year.
    for (Holiday holiday : allCases<Holiday>()) {
        if (!isDay(holiday, now)) continue;
        int year = now.date().year();
        if (holiday == Holiday::newYear && now.date().month() == 12) ++year;
        const std::string_view raw = rawValue(holiday);
        const QString prefix = QStringLiteral("holiday-") + QString::fromLatin1(raw.data(), qsizetype(raw.size())) +
                               QStringLiteral("-");
        const QString key = prefix + QString::number(year);
        if (run.has(key)) continue;
        const bool again = std::any_of(c.keys.begin(), c.keys.end(),
                                       [&](const QString& k) { return k.startsWith(prefix); });
        auto text = diary::holidayText(holiday, again, c.name);
        if (!text) continue;
        run.add(key, c.now, {text->title, text->note}, false, wearing(seasonalPiece(holiday)), text->doing);
    }

    if (c.rain && !run.has(QStringLiteral("rain"))) run.add(QStringLiteral("rain"), c.now, diary::firstRain());
    if (c.snow && !run.has(QStringLiteral("snow"))) run.add(QStringLiteral("snow"), c.now, diary::firstSnow());

    if (c.place) {
        if (auto place = diary::placeEntry(*c.place, c); place && !run.has(place->key))
            run.add(place->key, c.now, {place->title, place->note}, false, std::nullopt, place->doing);
    }

    // The wardrobe, once for the whole album.
    if (c.giftBase == 0 && !c.unlocked.empty() && !c.albumKeys.contains(QStringLiteral("wardrobe")))
        run.add(QStringLiteral("wardrobe"), c.now, diary::wardrobe(c.unlocked.front()), false,
                wearing(c.unlocked.front()));
    const auto all = static_cast<int>(giftOrder().size());
    if (c.giftBase < all && static_cast<int>(c.unlocked.size()) == all &&
        !c.albumKeys.contains(QStringLiteral("wardrobe-full"))) {
        CatOutfit dressed;
        dressed.head = CatAccessory::topHat;
        dressed.neck = CatAccessory::bowtie;
        run.add(QStringLiteral("wardrobe-full"), c.now, diary::wardrobeFull(), false, dressed);
    }

    dailyLife(c, run);
    candid(c, run);
    return run.take();
}

}  // namespace kp
