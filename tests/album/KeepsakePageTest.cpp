// The album's pages: the paper kit, the layout choice, and offscreen renders checked by eye-level facts
// (paper where paper should be, ink where text should be, nothing outside the page).
#include "album/CoverPage.h"
#include "album/KeepsakePage.h"
#include "album/PaperPage.h"
#include "platform/Color.h"
#include "platform/Dates.h"
#include "MacAlbumTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTimeZone>

#include <array>
#include <cmath>

using namespace kp;
using kp::albumtest::LocalZone;

namespace {

constexpr double kW = 340, kH = 500;

QImage render(const std::function<void(QPainter&, const QRectF&)>& draw, double scale = 1) {
    QImage img(static_cast<int>(kW * scale), static_cast<int>(kH * scale), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(scale, scale);
    draw(p, QRectF(0, 0, kW, kH));
    p.end();
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
    EXPECT_TRUE(near(front.pixelColor(100, 100), Qt::red, 3));  // content inside its padding
    // The stitch runs 14 points from the leading edge: orange dashes there.
    int orange = 0;
    for (int y = 18; y < 482; ++y)
        if (front.pixelColor(14, y).red() - front.pixelColor(14, y).blue() > 40) ++orange;
    EXPECT_GT(orange, 100);
}

// Columns and rows where a drawing left ink (anything not transparent).
static QRect drawnBounds(const QImage& img) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).alpha() > 100) r |= QRect(x, y, 1, 1);
    return r;
}

TEST(PaperPage, HandwritingStaysCentredAndInsideItsWidth) {
    // A title written about a point sits centred on it.
    {
        QImage img(240, 60, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        drawHandLine(p, handwritten(QStringLiteral("Mochi"), 24, 1), QPointF(120, 30));
        p.end();
        const QRect ink = drawnBounds(img);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_NEAR((ink.left() + ink.right()) / 2.0, 120, 4);
    }
    // A note wrapped to a width keeps its every line inside it, a word longer than a line too, and
    // loses no letter but the spaces it breaks at.
    for (const char* text : {"Mmm, warm milk on a windy Monday morning.", "Wolkenkratzerschnurrbart isn't a kitten"}) {
        const Handwriting note = handwritten(QString::fromLatin1(text), 19, 1);
        for (const double width : {90.0, 120.0, 150.0}) {
            const HandBlock block = layoutHand(note, width);
            QImage img(260, 400, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter p(&img);
            drawHand(p, note, block, QPointF(40, 10));
            p.end();
            const QRect ink = drawnBounds(img);
            EXPECT_LE(ink.right(), 40 + width + 4) << text << " in " << width;
            QString placed;
            for (const HandBlock::Placed& letter : block.placed) {
                placed += note.letters[size_t(letter.letter)].text;
                // Every line starts flush left, with no space left over from the break.
                EXPECT_FALSE(letter.origin.x() == 0 && placed.endsWith(u' ')) << text << " in " << width;
            }
            EXPECT_EQ(placed.remove(u' '), QString::fromLatin1(text).remove(u' ')) << width;
        }
    }
}

// ---- layouts ----

static QString ageOn(const QDateTime& birth, double age) {
    AlbumLeaf leaf;
    leaf.date = referenceFromDate(birth) + age;
    leaf.age = age;
    return LeafPage{leaf, 1}.ageLine();
}

TEST(KeepsakePage, AgeLineCountsWholeDaysAcrossClockChanges) {
    {
        // Spring: the month from 10 March to 10 April in Helsinki is an hour short of 31 days of
        // seconds, and 31 days old.
        const LocalZone zone("Europe/Helsinki");
        const QTimeZone helsinki("Europe/Helsinki");
        const QDateTime birth(QDate(2026, 3, 10), QTime(9, 0), helsinki);
        const double month = referenceFromDate(QDateTime(QDate(2026, 4, 10), QTime(9, 0), helsinki)) -
                             referenceFromDate(birth);
        EXPECT_EQ(ageOn(birth, month), QStringLiteral("31 days old"));
        EXPECT_EQ(ageOn(birth, month - 1), QStringLiteral("30 days old"));
    }
    {
        // Autumn: day milestones are whole days of seconds and keep their count after the change.
        const LocalZone zone("Europe/Berlin");
        const QTimeZone berlin("Europe/Berlin");
        const QDateTime weekBefore(QDate(2026, 10, 20), QTime(12, 0), berlin);
        EXPECT_EQ(ageOn(weekBefore, 7 * 86400.0), QStringLiteral("7 days old"));
        EXPECT_EQ(ageOn(weekBefore, 7 * 86400.0 - 1), QStringLiteral("6 days old"));
        const QDateTime summer(QDate(2026, 8, 1), QTime(10, 0), QTimeZone::utc());
        EXPECT_EQ(ageOn(summer, 100 * 86400.0), QStringLiteral("100 days old"));
        EXPECT_EQ(ageOn(summer, 86400.0), QStringLiteral("1 day old"));
    }
}

TEST(KeepsakePage, DateLineIsInTheReadersWordsAndOrder) {
    AlbumLeaf leaf;
    leaf.date = referenceFromDate(QDateTime(QDate(2026, 12, 6), QTime(12, 0), QTimeZone("Europe/Berlin")));
    for (auto [locale, line] : {std::pair{"en_US", "SUNDAY, DECEMBER 6"}, std::pair{"de_DE", "SONNTAG, 6. DEZEMBER"},
                                std::pair{"fr_FR", "DIMANCHE 6 D\u00C9CEMBRE"}, std::pair{"ja_JP", "12\u67086\u65E5\u65E5\u66DC\u65E5"}}) {
        const LocalZone zone("Europe/Berlin", locale);
        EXPECT_EQ((LeafPage{leaf, 1}.dateLine()), QString::fromUtf8(line)) << locale;
    }
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
        // The note is written on the page.
        AlbumLeaf silent = leafWith(key, shots);
        silent.note.clear();
        const QImage bare = render([&](QPainter& p, const QRectF& r) { LeafPage{silent, number}.paint(p, r); });
        EXPECT_GT(inkPixels(img, img.rect()), inkPixels(bare, bare.rect()) + 200) << key;
        if (page.layoutKind() == 2) {
            // Below the print the doodle row stands in the free space, not against the print:
            // the runs of ink under the photo are the caption, the doodles and the footer.
            int photoBottom = 0;
            for (int y = 0; y < img.height(); ++y)
                if (pixelsLike(img, QRect(30, y, 290, 1), QColor("#4A90C8")) > 0) photoBottom = y;
            std::vector<std::pair<int, int>> runs;
            for (int y = photoBottom + 1; y < img.height(); ++y) {
                if (inkPixels(img, QRect(30, y, 290, 1), 200) == 0) continue;
                if (!runs.empty() && runs.back().second == y - 1) runs.back().second = y;
                else runs.push_back({y, y});
            }
            ASSERT_EQ(runs.size(), 3u) << key;
            const int above = runs[1].first - runs[0].second, below = runs[2].first - runs[1].second;
            EXPECT_GT(above, below / 2) << key;
        }
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

// The drawings of a page's doodle row, left to right, as boxes of `img`: the last run of inked
// rows above the footer's, cut where no ink crosses it for a few columns.
static std::vector<QRect> doodleBoxes(const QImage& img) {
    const QRect content(90, 0, 870, img.height());
    auto inked = [&](QRect r) { return inkPixels(img, r, 200) > 0; };
    std::vector<QRect> runs;
    for (int y = 0; y < img.height(); ++y) {
        if (!inked(QRect(content.left(), y, content.width(), 1))) continue;
        if (!runs.empty() && runs.back().bottom() == y - 1) runs.back().setBottom(y);
        else runs.push_back(QRect(content.left(), y, content.width(), 1));
    }
    std::vector<QRect> boxes;
    for (int x = content.left(), gap = 4; runs.size() >= 2 && x <= content.right(); ++x) {
        const QRect column(x, runs[runs.size() - 2].top(), 1, runs[runs.size() - 2].height());
        if (!inked(column)) ++gap;
        else if (gap < 4) boxes.back() |= column, gap = 0;
        else boxes.push_back(column), gap = 0;
    }
    return boxes;
}

// Paper enclosed by ink in `box`: what a flood from the box's edge cannot reach.
static int enclosedPaper(const QImage& img, QRect box) {
    box.adjust(-2, -2, 2, 2);
    std::vector<QPoint> todo;
    for (int x = box.left(); x <= box.right(); ++x) todo.insert(todo.end(), {QPoint(x, box.top()), QPoint(x, box.bottom())});
    for (int y = box.top(); y <= box.bottom(); ++y) todo.insert(todo.end(), {QPoint(box.left(), y), QPoint(box.right(), y)});
    QRegion reached;
    while (!todo.empty()) {
        const QPoint q = todo.back();
        todo.pop_back();
        if (!box.contains(q) || reached.contains(q) || img.pixelColor(q).lightness() < 200) continue;
        reached += QRect(q, QSize(1, 1));
        todo.insert(todo.end(), {q + QPoint(1, 0), q - QPoint(1, 0), q + QPoint(0, 1), q - QPoint(0, 1)});
    }
    int paper = 0;
    for (const QRect& r : reached) paper += r.width() * r.height();
    return box.width() * box.height() - inkPixels(img, box, 200) - paper;
}

TEST(KeepsakePage, DoodlesAreAllDrawnInOutline) {
    // Layout 2 (a rainy day with one photo) and layout 6 (no photo), each on two pages.
    for (auto [shots, number] : {std::pair{1, 2}, std::pair{1, 7}, std::pair{0, 2}, std::pair{0, 9}}) {
        const LeafPage page{leafWith("rain", shots), number};
        const QImage img = render([&](QPainter& p, const QRectF& r) { page.paint(p, r); }, 3);
        const std::vector<QRect> boxes = doodleBoxes(img);
        ASSERT_EQ(boxes.size(), 3u) << "layout " << int(page.layoutKind()) << ", page " << number;
        for (size_t i = 0; i < 3; ++i) {
            // A line drawn around paper: a good part of what the drawing covers is paper.
            const int paper = enclosedPaper(img, boxes[i]), ink = inkPixels(img, boxes[i], 200);
            EXPECT_GT(paper, (ink + paper) / 8) << std::array{"heart", "paw print", "star"}[i] << " on layout "
                                                << int(page.layoutKind()) << ", page " << number << ": " << ink
                                                << " pixels of ink around " << paper << " of paper";
        }
    }
}

// ---- milestone ----

TEST(MilestonePage, StampIsRedAndRepeatable) {
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
}

// ---- cover and end ----

// The lowest row of the cover medallion's gold rim down its middle; -1 without one.
static int medallionBottom(const QImage& img) {
    const QColor gold = colorFromHex("#F6D9B0");
    int top = -1, bottom = -1;
    for (int y = 20; y < 300 && top < 0; ++y)
        if (near(img.pixelColor(175, y), gold, 25)) top = y;
    for (int y = top; top >= 0 && y < top + 140; ++y)
        if (near(img.pixelColor(175, y), gold, 25)) bottom = y;
    return bottom - top > 100 ? bottom : -1;
}

TEST(CoverPage, LivingAndDeadCovers) {
    const AlbumChapter living = chapter(false);
    const AlbumChapter dead = chapter(true);

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
    // The medallion lies on the board with a shadow under its lower rim: the board just below it
    // is darker than the board to its side.
    const int rimBottom = medallionBottom(img);
    ASSERT_GT(rimBottom, 120);
    const int below = rimBottom + 4;
    EXPECT_LT(img.pixelColor(175, below).lightness(), img.pixelColor(265, below).lightness() - 12);

    const QImage grey = render([&](QPainter& p, const QRectF& r) { AlbumCover{dead}.paint(p, r); });
    int deadOrange = 0;
    for (int y = 100; y < 300; ++y)
        for (int x = 100; x < 260; ++x) {
            const QColor c = grey.pixelColor(x, y);
            if (c.red() > 180 && c.green() > 90 && c.green() < 170 && c.blue() < 110) ++deadOrange;
        }
    EXPECT_LT(deadOrange, orange / 10);
}

TEST(CoverPage, ALongOneWordNameWrapsInsideTheFrame) {
    // 24 letters, the longest name the cat can be given, and no space to break at.
    AlbumChapter c = chapter(false);
    c.name = QStringLiteral("Wolkenkratzerschnurrbart");
    const QImage img = render([&](QPainter& p, const QRectF& r) { AlbumCover{c}.paint(p, r); });
    const QColor nameInk = colorFromHex("#FBE7C6");
    // The name lies under the medallion's rim.
    const int rimBottom = medallionBottom(img);
    ASSERT_GT(rimBottom, 120);
    const QRect below(0, rimBottom + 6, img.width(), img.height() - rimBottom - 6);
    // Inside the frame line (24 points from the spine edge, 14 from the other) and nowhere else.
    const QRect framed(27, below.top(), 340 - 14 - 27 - 2, below.height());
    const int all = pixelsLike(img, below, nameInk, 12);
    const int inside = pixelsLike(img, framed, nameInk, 12);
    EXPECT_EQ(all - inside, 0) << "name ink outside the frame";

    // All of it: as much ink as the name written out on one line.
    QImage line(1200, 80, QImage::Format_ARGB32_Premultiplied);
    line.fill(colorFromHex("#8A5538"));
    {
        QPainter p(&line);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(albumSerif(34, QFont::Bold));
        p.setPen(nameInk);
        p.drawText(QPointF(10, 50), c.name);
    }
    const int whole = pixelsLike(line, line.rect(), nameInk, 12);
    ASSERT_GT(whole, 1000);
    EXPECT_GT(inside, whole * 9 / 10) << "of " << whole << " name pixels, " << inside << " on the cover";
    EXPECT_LT(inside, whole * 11 / 10);
}
