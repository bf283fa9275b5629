// The album's pages: the paper kit, the layout choice, and offscreen renders checked by eye-level facts
// (paper where paper should be, ink where text should be, nothing outside the page).
#include "album/CoverPage.h"
#include "album/KeepsakePage.h"
#include "album/MilestonePage.h"
#include "album/PaperPage.h"
#include "platform/Color.h"
#include "platform/Dates.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTimeZone>

#include <cmath>

using namespace kp;

namespace {

constexpr double kW = 340, kH = 500;

QImage render(const std::function<void(QPainter&, const QRectF&)>& draw, double scale = 1) {
    QImage img(static_cast<int>(kW * scale), static_cast<int>(kH * scale), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(scale, scale);
    draw(p, QRectF(0, 0, kW, kH));
    p.end();
    if (const QByteArray dir = qgetenv("KP_ALBUM_PNG_DIR"); !dir.isEmpty()) {
        static int n = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        img.save(QDir(QString::fromLocal8Bit(dir))
                     .filePath(QStringLiteral("%1-%2.png").arg(QString::fromLatin1(info->name())).arg(++n)));
    }
    return img;
}

bool near(QColor a, QColor b, int tol = 10) {
    return std::abs(a.red() - b.red()) <= tol && std::abs(a.green() - b.green()) <= tol &&
           std::abs(a.blue() - b.blue()) <= tol;
}

// Pixels of a region that are clearly darker than the paper (ink).
int inkPixels(const QImage& img, QRect r, int below = 150) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() > 200 && c.lightness() < below) ++n;
        }
    return n;
}

int pixelsLike(const QImage& img, QRect r, QColor want, int tol = 30) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (near(img.pixelColor(x, y), want, tol)) ++n;
    return n;
}

QImage photo(QColor c) {
    QImage img(160, 120, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

AlbumLeaf leafWith(const char* key, int shots) {
    AlbumLeaf leaf;
    leaf.key = QString::fromLatin1(key);
    leaf.date = 815000000;  // 2026-10-28
    leaf.age = 3 * 86400 + 10;
    leaf.title = QStringLiteral("A rainy day");
    leaf.note = QStringLiteral("He sat by the window and watched the drops race each other down the glass.");
    const QColor colours[] = {QColor("#4A90C8"), QColor("#D9663A"), QColor("#5BAA5B")};
    for (int i = 0; i < shots; ++i)
        leaf.shots.push_back({QStringLiteral("by the window"), photo(colours[i % 3]), {}});
    return leaf;
}

AlbumChapter chapter(bool dead) {
    AlbumChapter c;
    c.birth = 800000000;
    c.name = QStringLiteral("Tobbi");
    if (dead) c.died = 810000000;
    c.portrait.scale = 1.9;
    c.portrait.offset = QPointF(0, 10);
    c.portrait.cat.expression = dead ? CatExpression::content : CatExpression::happy;
    return c;
}

}  // namespace

// ---- paper kit ----

TEST(PaperPage, ShrinkToFitScalesDownNeverUp) {
    ShrinkToFit f = ShrinkToFit::fit(QSizeF(340, 500));
    EXPECT_DOUBLE_EQ(f.scale, 1);
    f = ShrinkToFit::fit(QSizeF(170, 250));
    EXPECT_DOUBLE_EQ(f.scale, 0.5);
    EXPECT_DOUBLE_EQ(f.layoutSize.width(), 340);
    EXPECT_DOUBLE_EQ(f.layoutSize.height(), 500);
    f = ShrinkToFit::fit(QSizeF(500, 700));
    EXPECT_DOUBLE_EQ(f.scale, 1);
    EXPECT_DOUBLE_EQ(f.layoutSize.width(), 500);
    EXPECT_DOUBLE_EQ(ShrinkToFit::fit(QSizeF(0, 100)).scale, 0);
}

TEST(PaperPage, StitchStops18PointsShortOfEachEnd) {
    const QPainterPath path = StitchLine::path(QRectF(13, 0, 2, 300));
    const QRectF b = path.boundingRect();
    EXPECT_DOUBLE_EQ(b.top(), 18);
    EXPECT_DOUBLE_EQ(b.bottom(), 282);
    EXPECT_DOUBLE_EQ(b.left(), 14);
}

TEST(PaperPage, HandwritingIsAPureFunctionOfTheText) {
    const Handwriting a = handwritten(QStringLiteral("Hello there, cat"), 19, 0.9);
    const Handwriting b = handwritten(QStringLiteral("Hello there, cat"), 19, 0.9);
    const Handwriting c = handwritten(QStringLiteral("Goodbye now, cat"), 19, 0.9);
    ASSERT_EQ(a.letters.size(), 16u);
    bool differs = false;
    for (size_t i = 0; i < a.letters.size(); ++i) {
        EXPECT_EQ(a.letters[i].text, b.letters[i].text);
        EXPECT_EQ(a.letters[i].rise, b.letters[i].rise);
        EXPECT_EQ(a.letters[i].opacity, b.letters[i].opacity);
        differs |= a.letters[i].rise != c.letters[i].rise;
        EXPECT_LE(std::abs(a.letters[i].rise), 1.6);  // about +-1.5 points at size 19
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(textSeed(QStringLiteral("a")), 5381u * 33 + 97);
    EXPECT_TRUE(handwritten(QString(), 19, 0.9).empty());
}

TEST(PaperPage, InkStaysInItsBandAndChangesPerWord) {
    const QString text = QStringLiteral("one two three four five six seven eight nine ten eleven twelve");
    for (double ink : {0.9, 1.0, 0.5}) {
        const Handwriting h = handwritten(text, 19, ink);
        const double lo = std::clamp(ink - 0.07, 0.6, 1.0), hi = std::clamp(ink + 0.07, 0.6, 1.0);
        for (const HandLetter& l : h.letters) {
            EXPECT_GE(l.opacity, lo - 1e-9);
            EXPECT_LE(l.opacity, hi + 1e-9);
        }
        // Within a word every letter shares one ink.
        EXPECT_EQ(h.letters[1].opacity, h.letters[2].opacity);
    }
    // A text that starts with a space draws its first word ink once: the letters after it share it.
    const Handwriting s = handwritten(QStringLiteral(" ab"), 19, 0.9);
    EXPECT_EQ(s.letters[0].opacity, s.letters[2].opacity);
}

TEST(PaperPage, BackIsBlankPaperFrontHasStitchAndContent) {
    const QImage back = render([](QPainter& p, const QRectF& r) {
        PaperSheet::paint(p, r, true, [](QPainter& pp, const QRectF& c) { pp.fillRect(c, Qt::red); });
    });
    EXPECT_TRUE(near(back.pixelColor(200, 250), colorFromHex("#F1E6D2"), 3));
    EXPECT_EQ(pixelsLike(back, back.rect(), Qt::red, 40), 0);
    EXPECT_EQ(back.pixelColor(1, 1).alpha(), 0);  // rounded corner left clear
    EXPECT_LT(back.pixelColor(3, 250).lightness(), back.pixelColor(200, 250).lightness());  // gutter shade

    const QImage front = render([](QPainter& p, const QRectF& r) {
        PaperSheet::paint(p, r, false, [](QPainter& pp, const QRectF& c) { pp.fillRect(c, Qt::red); });
    });
    EXPECT_TRUE(near(front.pixelColor(200, 10), colorFromHex("#FBF4E6"), 3));
    EXPECT_TRUE(near(front.pixelColor(100, 100), Qt::red, 3));      // content inside its padding
    EXPECT_TRUE(near(front.pixelColor(25, 100), colorFromHex("#FBF4E6"), 12));  // leading padding stays paper
    // The stitch runs 14 points from the leading edge: orange dashes there.
    int orange = 0;
    for (int y = 18; y < 482; ++y)
        if (front.pixelColor(14, y).red() - front.pixelColor(14, y).blue() > 40) ++orange;
    EXPECT_GT(orange, 100);
}

// ---- layouts ----

TEST(KeepsakePage, LayoutChoiceFollowsKeyShotsAndNumber) {
    EXPECT_EQ(LeafPage::layoutFor("arrived", 1, false, 1), 0);
    EXPECT_EQ(LeafPage::layoutFor("arrived", 0, false, 1), 6);
    EXPECT_EQ(LeafPage::layoutFor("days-7", 2, false, 1), 4);
    EXPECT_EQ(LeafPage::layoutFor("days-100", 0, false, 3), 4);
    EXPECT_EQ(LeafPage::layoutFor("rain", 0, false, 1), 6);
    EXPECT_EQ(LeafPage::layoutFor("rain", 2, false, 1), 2);
    EXPECT_EQ(LeafPage::layoutFor("junior", 3, false, 1), 3);
    EXPECT_EQ(LeafPage::layoutFor("candid", 1, true, 4), 5);
    EXPECT_EQ(LeafPage::layoutFor("candid", 1, false, 4), 1);
    const uint8_t expected[] = {1, 2, 0, 1, 2, 1};
    for (int page = 1; page <= 6; ++page) {
        EXPECT_EQ(LeafPage::layoutFor("holiday-christmas", 1, false, page), expected[page - 1]) << page;
        EXPECT_EQ(LeafPage::layoutFor("holiday-christmas", 0, false, page), 6) << page;
    }
}

TEST(KeepsakePage, AgeLine) {
    EXPECT_EQ(LeafPage::ageLine(0), QStringLiteral("his first day"));
    EXPECT_EQ(LeafPage::ageLine(86399), QStringLiteral("his first day"));
    EXPECT_EQ(LeafPage::ageLine(86400), QStringLiteral("1 day old"));
    EXPECT_EQ(LeafPage::ageLine(172800), QStringLiteral("2 days old"));
    EXPECT_EQ(LeafPage::ageLine(-5000), QStringLiteral("his first day"));

    // The page counts days on the calendar: the month from 10 March to 10 April in Helsinki is an
    // hour short of 31 days of seconds, and 31 days old.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Helsinki");
    const QTimeZone helsinki("Europe/Helsinki");
    AlbumLeaf leaf;
    const double birth = referenceFromDate(QDateTime(QDate(2026, 3, 10), QTime(9, 0), helsinki));
    leaf.date = referenceFromDate(QDateTime(QDate(2026, 4, 10), QTime(9, 0), helsinki));
    leaf.age = leaf.date - birth;
    const QString month = LeafPage{leaf, 1}.ageLine();
    leaf.date -= 1;
    leaf.age -= 1;
    const QString early = LeafPage{leaf, 1}.ageLine();
    if (zone.isNull()) qunsetenv("TZ");
    else qputenv("TZ", zone);
    EXPECT_EQ(month, QStringLiteral("31 days old"));
    EXPECT_EQ(early, QStringLiteral("30 days old"));
}

TEST(KeepsakePage, PrintGeometryTiltsAndTapes) {
    auto g = leafpage::printGeometry(0, 300, 3);
    EXPECT_DOUBLE_EQ(g.photoWidth, 246);
    EXPECT_NEAR(g.photoHeight, 191.88, 1e-9);
    EXPECT_DOUBLE_EQ(g.cardWidth, 266);
    EXPECT_DOUBLE_EQ(leafpage::tapeWidth(g.cardWidth), 74);
    EXPECT_DOUBLE_EQ(g.lean, -1.8);
    EXPECT_DOUBLE_EQ(leafpage::tapeAngle(g.lean), 4);
    EXPECT_DOUBLE_EQ(leafpage::captionAngle(3), -2);
    EXPECT_EQ(leafpage::tapeColor(3).rgb(), colorFromHex("#F6D9A0").rgb());
    g = leafpage::printGeometry(0, 300, 4);
    EXPECT_DOUBLE_EQ(g.lean, 2.2);
    EXPECT_DOUBLE_EQ(leafpage::tapeAngle(g.lean), -5);
    EXPECT_DOUBLE_EQ(leafpage::captionAngle(4), 1.5);
    EXPECT_EQ(leafpage::tapeColor(4).rgb(), colorFromHex("#F4A7B4").rgb());
    EXPECT_DOUBLE_EQ(leafpage::printGeometry(1, 300, 6).lean, -2.2);
    g = leafpage::printGeometry(3, 300, 1);
    EXPECT_DOUBLE_EQ(g.cardWidth, 143);
    EXPECT_DOUBLE_EQ(g.photoWidth, 129);
    EXPECT_NEAR(leafpage::tapeWidth(g.cardWidth), 64.35, 1e-9);
}

TEST(KeepsakePage, PhotoLayoutsShowTheirPhotosInsideThePage) {
    for (auto [key, shots, number] : {std::tuple{"arrived", 1, 3}, std::tuple{"candid", 1, 1},
                                      std::tuple{"rain", 2, 2}, std::tuple{"junior", 3, 5}}) {
        const LeafPage page{leafWith(key, shots), number};
        const QImage img = render([&](QPainter& p, const QRectF& r) { page.paint(p, r); });
        const int blue = pixelsLike(img, img.rect(), QColor("#4A90C8"));
        EXPECT_GT(blue, 3000) << key;
        // The second photo shows only on the pair layout; the third never does.
        EXPECT_EQ(pixelsLike(img, img.rect(), QColor("#D9663A")) > 3000, page.layoutKind() == 3) << key;
        EXPECT_LT(pixelsLike(img, img.rect(), QColor("#5BAA5B")), 50) << key;
        // Date at the top and the footer at the bottom carry ink; the corners stay clear.
        EXPECT_GT(inkPixels(img, QRect(30, 22, 200, 14), 200), 20) << key;  // faint page ink
        EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(img.pixelColor(339, 499).alpha(), 0);
    }
}

TEST(KeepsakePage, DiedLeavesFadeThePhotos) {
    AlbumLeaf leaf = leafWith("arrived", 1);
    leaf.died = true;
    const QImage img = render([&](QPainter& p, const QRectF& r) { LeafPage{leaf, 1}.paint(p, r); });
    EXPECT_LT(pixelsLike(img, img.rect(), QColor("#4A90C8")), 100);
    // Greyish-blue: saturation 0.2 leaves a faint tint.
    const QColor mid = img.pixelColor(170, 140);
    EXPECT_LT(std::abs(mid.red() - mid.blue()), 40);
}

TEST(KeepsakePage, WordsLayoutHasTitleNoteAndTape) {
    const LeafPage page{leafWith("holiday-halloween", 0), 2};
    ASSERT_EQ(page.layoutKind(), 6);
    const QImage img = render([&](QPainter& p, const QRectF& r) { page.paint(p, r); });
    EXPECT_GT(inkPixels(img, QRect(30, 50, 280, 80)), 150);    // the title near the top
    EXPECT_GT(inkPixels(img, QRect(30, 150, 280, 250)), 300);  // the note
    EXPECT_GT(pixelsLike(img, QRect(260, 0, 80, 80), colorFromHex("#F7C3CB"), 30), 50);  // pink tape
}

TEST(KeepsakePage, StickerLayoutShowsTheCat) {
    AlbumLeaf leaf = leafWith("candid", 1);
    AlbumCatPicture sticker;
    sticker.scale = 2.2;
    sticker.env.breed = CatBreed::orange;
    leaf.sticker = sticker;
    const LeafPage page{leaf, 4};
    ASSERT_EQ(page.layoutKind(), 5);
    const QImage img = render([&](QPainter& p, const QRectF& r) { page.paint(p, r); });
    // An orange coat in the sticker's frame, white outline around it, no photo.
    int orange = 0;
    for (int y = 50; y < 230; ++y)
        for (int x = 60; x < 300; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 180 && c.green() > 90 && c.green() < 170 && c.blue() < 110) ++orange;
        }
    EXPECT_GT(orange, 800);
    EXPECT_LT(pixelsLike(img, img.rect(), QColor("#4A90C8")), 50);
}

// ---- milestone ----

TEST(MilestonePage, DayCountFromTheKey) {
    EXPECT_EQ(milestone::dayCount("days-7"), 7);
    EXPECT_EQ(milestone::dayCount("days-100"), 100);
    EXPECT_EQ(milestone::dayCount("days-"), 0);
    EXPECT_EQ(milestone::dayCount("days-x"), 0);
    EXPECT_EQ(milestone::dayCount("days-99999999999999999999"), 0);
    EXPECT_EQ(milestone::dayCount("days-+5"), 5);
    EXPECT_EQ(milestone::stampWords(1), (QStringList{"1", "DAY", "TOGETHER"}));
    EXPECT_EQ(milestone::stampWords(7), (QStringList{"7", "DAYS", "TOGETHER"}));
    EXPECT_EQ(milestone::wornInkSeed(-3), milestone::wornInkSeed(3));
}

TEST(MilestonePage, StampIsRedWornAndRepeatable) {
    AlbumLeaf leaf = leafWith("days-7", 2);
    const LeafPage page{leaf, 2};
    const QImage a = render([&](QPainter& p, const QRectF& r) { page.paint(p, r); });
    const QImage b = render([&](QPainter& p, const QRectF& r) { page.paint(p, r); });
    EXPECT_EQ(a, b);
    EXPECT_LT(pixelsLike(a, a.rect(), QColor("#4A90C8")), 50);  // photos not shown
    int red = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 340; ++x) {
            const QColor c = a.pixelColor(x, y);
            if (c.red() - c.green() > 60 && c.red() - c.blue() > 60) ++red;
        }
    EXPECT_GT(red, 1500);

    // Different counts wear differently; the same count the same.
    auto stamp = [](long long count) {
        QImage img(150, 150, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        milestone::wornInk(p, 150, 150, count);
        return img;
    };
    EXPECT_EQ(stamp(7), stamp(7));
    EXPECT_NE(stamp(7), stamp(8));
}

// ---- cover and end ----

TEST(CoverPage, LivingAndDeadCovers) {
    const AlbumChapter living = chapter(false);
    EXPECT_TRUE(AlbumCover::coverDates(living).startsWith(QStringLiteral("since ")));
    const AlbumChapter dead = chapter(true);
    EXPECT_TRUE(AlbumCover::coverDates(dead).contains(QStringLiteral(" \u2013 ")));
    AlbumChapter sameDay = dead;
    sameDay.died = sameDay.birth;
    const QStringList halves = AlbumCover::coverDates(sameDay).split(QStringLiteral(" \u2013 "));
    ASSERT_EQ(halves.size(), 2);
    EXPECT_EQ(halves[0], halves[1]);

    const QImage img = render([&](QPainter& p, const QRectF& r) { AlbumCover{living}.paint(p, r); });
    EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);
    EXPECT_TRUE(near(img.pixelColor(300, 480), colorFromHex("#6E4129"), 25));  // dark end of the board
    // The medallion's cream disc and an orange cat in it.
    int orange = 0, cream = 0;
    for (int y = 100; y < 300; ++y)
        for (int x = 100; x < 260; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 180 && c.green() > 90 && c.green() < 170 && c.blue() < 110) ++orange;
            if (near(c, colorFromHex("#FBF4E6"), 6)) ++cream;
        }
    EXPECT_GT(orange, 500);
    EXPECT_GT(cream, 1000);

    const QImage grey = render([&](QPainter& p, const QRectF& r) { AlbumCover{dead}.paint(p, r); });
    int deadOrange = 0;
    for (int y = 100; y < 300; ++y)
        for (int x = 100; x < 260; ++x) {
            const QColor c = grey.pixelColor(x, y);
            if (c.red() > 180 && c.green() > 90 && c.green() < 170 && c.blue() < 110) ++deadOrange;
        }
    EXPECT_LT(deadOrange, orange / 10);
}

TEST(CoverPage, EndPageTexts) {
    AlbumChapter c = chapter(false);
    EXPECT_EQ(AlbumEnd::closingLine(c), QStringLiteral("To be continued\u2026"));
    EXPECT_TRUE(AlbumEnd::closingNote(c).startsWith(QStringLiteral("The rest isn't written yet.")));
    c = chapter(true);
    EXPECT_EQ(AlbumEnd::closingLine(c), QStringLiteral("The end."));
    EXPECT_EQ(AlbumEnd::closingNote(c), QStringLiteral("Thank you for every day, Tobbi."));
    c.name.clear();
    EXPECT_EQ(AlbumEnd::closingNote(c), QStringLiteral("Thank you for every day, ."));

    for (bool dead : {false, true}) {
        const QImage img = render([&](QPainter& p, const QRectF& r) { AlbumEnd{chapter(dead)}.paint(p, r); });
        EXPECT_TRUE(near(img.pixelColor(200, 30), colorFromHex("#FBF4E6"), 3));
        EXPECT_GT(inkPixels(img, QRect(30, 150, 290, 250)), 300);
        EXPECT_EQ(img.pixelColor(339, 0).alpha(), 0);
    }
}
