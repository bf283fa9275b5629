// Albums the app would never write (made or damaged by hand): far over the cap, or with thousands of
// past cats. Work is counted (records read, thread time against a smaller album), never wall time.
#include "album/AlbumBook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

using namespace kp;

namespace {

MacKeepsake page(const QString& key, double birth, double date, bool died = false) {
    MacKeepsake k;
    k.id = newKeepsakeId();
    k.key = key;
    k.date = date;
    k.catBirth = birth;
    k.name = QStringLiteral("Old");
    k.died = died;
    return k;
}

// CPU time of this thread: another process on a loaded machine does not lengthen it.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// 24,000 pages: of 12,000 past cats, an arrival and a farewell each, or all of one past cat.
std::vector<MacKeepsake> pastCats(int cats) {
    std::vector<MacKeepsake> all;
    for (int i = 0; i < 24000; ++i) {
        const double birth = 700000000 + 1000.0 * (i / 2 % cats);
        all.push_back(page(i % 2 ? "farewell" : "arrived", birth, birth + i, i % 2));
    }
    return all;
}

}  // namespace

TEST(LargeAlbum, TheBooksOfManyPastCatsCostAsMuchAsOneCatsBookOfAsManyPages) {
    AlbumBookSource source;
    source.livingBirth = 800000000;
    // The best of three runs of each, so a moment's interruption does not count.
    auto cost = [&](int cats) {
        const auto album = pastCats(cats);
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            const double start = threadSeconds();
            const auto books = albumbooks::buildBooks(album, source);
            best = std::min(best, threadSeconds() - start);
            EXPECT_EQ(books.size(), std::size_t(cats) + 1);
        }
        return best;
    };
    const double one = cost(1), many = cost(12000);
    // A book, its cover and its end page for each cat cost a few times the leaves of one cat; a walk
    // of the whole album for each cat costs tens of times more.
    EXPECT_LT(many, 6 * one) << "one cat: " << one << " s, 12,000 cats: " << many << " s";
}
