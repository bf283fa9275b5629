// The album window and its book viewer: what shows before and after the books are built, the
// controls' states and requests, the books menu, and a full-window render.
#include "album/AlbumWindow.h"
#include "album/BookViewer.h"
#include "album/CoverPage.h"
#include "album/KeepsakePage.h"
#include "album/PaperPage.h"
#include "MacAlbumTestSupport.h"
#include "platform/Color.h"
#include "platform/ReduceMotion.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QFontMetricsF>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

using namespace kp;
using namespace kp::albumtest;

namespace {

AlbumChapter chapterOf(double birth, const char* name, std::optional<double> died = std::nullopt) {
    AlbumChapter c;
    c.birth = birth;
    c.name = QString::fromLatin1(name);
    c.died = died;
    c.portrait.scale = 1.9;
    c.portrait.offset = QPointF(0, 10);
    c.portrait.env.breed = CatBreed::tuxedo;
    return c;
}

AlbumBook bookOf(const AlbumChapter& c, int leaves) {
    std::vector<AlbumLeaf> ls;
    for (int i = 0; i < leaves; ++i) {
        AlbumLeaf l;
        l.key = QStringLiteral("days-%1").arg((i + 1) * 7);
        l.date = c.birth + (i + 1) * 7 * 86400.0;
        l.age = (i + 1) * 7 * 86400.0;
        l.note = QStringLiteral("A whole week of naps and breakfasts.");
        ls.push_back(l);
    }
    return AlbumBook(c, ls);
}

// The environment's locale variables for one test (nullptr unsets one), with no default locale
// of the app's own.
class LocaleVariables {
public:
    LocaleVariables(const char* all, const char* time, const char* lang) {
        for (auto [name, value] : {std::pair{"LC_ALL", all}, std::pair{"LC_TIME", time}, std::pair{"LANG", lang}}) {
            saved_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            value ? qputenv(name, value) : qunsetenv(name);
        }
        QLocale::setDefault(QLocale::system());
    }
    ~LocaleVariables() {
        for (const Saved& s : saved_) s.set ? qputenv(s.name, s.value) : qunsetenv(s.name);
        QLocale::setDefault(locale_);
    }
    LocaleVariables(const LocaleVariables&) = delete;
    LocaleVariables& operator=(const LocaleVariables&) = delete;

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool set;
    };
    std::vector<Saved> saved_;
    QLocale locale_;
};

// Runs the page turn to its end on the manual clock and scheduler.
void settle(ManualClock& clock, ManualScheduler& scheduler, AlbumBookView& view) {
    for (int i = 0; i < 400; ++i) {
        clock.advance(1.0 / 60);
        scheduler.advance(1.0 / 60);
        view.pageTurn().step();
        if (!view.pageTurn().isAnimating() && !view.pager().isSettling() && i > 5) break;
    }
}

}  // namespace

TEST(AlbumWindow, DeskColourUntilAppearThenTheLivingCatsBook) {
    AlbumFixture f(utc(2026, 12, 6));
    int sounds = 0;
    AlbumBookSource source;
    source.livingBirth = utc(2026, 11, 1);
    source.livingName = QStringLiteral("Tobbi");
    AlbumWindowView view(
        {}, *f.album, f.clock, [&](double now) {
            source.now = now;
            return albumbooks::buildBooks(f.album->load(), source);
        },
        [&] { ++sounds; }, &f.scheduler);
    view.resize(460, 720);
    const QImage before = view.grab().toImage();
    EXPECT_EQ(before.pixelColor(230, 360).rgb(), colorFromHex("#3A2A21").rgb());
    EXPECT_EQ(before.pixelColor(10, 10).rgb(), colorFromHex("#3A2A21").rgb());
    EXPECT_EQ(view.viewer(), nullptr);

    // A keepsake dated after the last opening counts as unseen until the album opens.
    MacKeepsake k;
    k.id = newKeepsakeId();
    k.name = QStringLiteral("Tobbi");
    k.breed = QStringLiteral("orange");
    k.key = QStringLiteral("days-7");
    k.date = utc(2026, 11, 8);
    k.catBirth = source.livingBirth;
    f.album->save({k});
    ASSERT_EQ(f.album->load().size(), 1u);
    view.appear();
    EXPECT_EQ(f.album->unseen(), 0);
    ASSERT_EQ(view.books().size(), 1u);
    ASSERT_NE(view.viewer(), nullptr);
    EXPECT_EQ(view.viewer()->pages().size(), 3u);
    EXPECT_EQ(view.viewer()->index(), 0);
    view.onTurn();
    EXPECT_EQ(sounds, 1);
}

TEST(BookViewer, WholeWindowRender) {
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    AlbumBookView view({bookOf(chapterOf(0, "Pip", 86400.0 * 40), 1), bookOf(chapterOf(86400.0 * 50, "Miso"), 2)},
                       0, {}, {}, nullptr, &scheduler, &clock);
    view.resize(460, 720);
    const QImage img = view.grab().toImage();
    const AlbumBookView::Layout l = view.layoutFor(QSizeF(460, 720));
    // The board of the cover inside the book frame, the desk outside it, the cream title at the top left.
    const QColor board = img.pixelColor(l.book.center().toPoint() + QPoint(0, 170));
    EXPECT_GT(board.red(), board.blue() + 40);
    EXPECT_LT(board.lightness(), 140);
    EXPECT_LT(img.pixelColor(5, 700).lightness(), 60);
    int creamy = 0;
    for (int y = 18; y < 54; ++y)
        for (int x = 22; x < 120; ++x)
            if (img.pixelColor(x, y).lightness() > 200) ++creamy;
    EXPECT_GT(creamy, 80);

    view.next();
    for (int i = 0; i < 12; ++i) {
        clock.advance(1.0 / 60);
        scheduler.advance(1.0 / 60);
        view.pageTurn().step();
    }
    settle(clock, scheduler, view);
    const QImage leaf = view.grab().toImage();
    // The first leaf lies open: paper where the board was.
    const QColor paper = leaf.pixelColor(l.book.center().toPoint() + QPoint(60, 170));
    EXPECT_GT(paper.lightness(), 200);
}

TEST(BookViewer, ChoosingABookMidTurnLeavesTheControlsWorking) {
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    std::vector<AlbumBook> books{bookOf(chapterOf(0, "Pip", 86400.0 * 40), 2), bookOf(chapterOf(86400.0 * 50, "Miso"), 2)};
    AlbumBookView view(books, 0, {}, {}, nullptr, &scheduler, &clock);
    view.resize(460, 720);
    EXPECT_EQ(view.shown(), 1);  // the living cat's book, at its cover
    EXPECT_EQ(view.pageLabel(), QStringLiteral("Miso"));
    EXPECT_EQ(AlbumBookView::lifeSpan(books[1]), QStringLiteral("Miso \u00B7 now"));
    EXPECT_TRUE(AlbumBookView::lifeSpan(books[0]).contains(QStringLiteral(" \u2013 ")));
    view.chooseBook(1);  // the book already shown: nothing changes
    EXPECT_FALSE(view.pager().isSettling());
    view.next();
    // Part way through the turn.
    for (int i = 0; i < 10; ++i) {
        clock.advance(1.0 / 60);
        scheduler.advance(1.0 / 60);
    }
    ASSERT_TRUE(view.pager().isSettling());
    view.chooseBook(0);
    view.finishTransition();
    EXPECT_FALSE(view.pager().isSettling());
    EXPECT_FALSE(view.pager().isTurning());
    EXPECT_EQ(view.shown(), 0);
    EXPECT_EQ(view.index(), 0);
    EXPECT_EQ(view.pageLabel(), QStringLiteral("Pip"));
    ASSERT_TRUE(view.nextEnabled());
    view.next();
    settle(clock, scheduler, view);
    EXPECT_EQ(view.index(), 1);
    EXPECT_EQ(view.pageLabel(), QStringLiteral("page 1"));
}

TEST(BookViewer, APageDraggedAcrossAndLetGoTurnsOver) {
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    AlbumBookView view({bookOf(chapterOf(0, "Miso"), 2)}, 0, {}, {}, nullptr, &scheduler, &clock);
    view.resize(460, 720);
    view.show();
    const QRectF book = view.layoutFor(QSizeF(460, 720)).book;
    auto mouse = [&](QEvent::Type type, QPointF at) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, view.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &e);
        clock.advance(1.0 / 60);
        scheduler.advance(1.0 / 60);
    };
    // Picked up near the free edge and carried past the spine, then let go.
    const QPointF start(book.right() - 20, book.center().y());
    mouse(QEvent::MouseButtonPress, start);
    for (int i = 1; i <= 8; ++i) mouse(QEvent::MouseMove, start - QPointF(40.0 * i, 0));
    ASSERT_TRUE(view.pager().isTurning());
    mouse(QEvent::MouseButtonRelease, start - QPointF(320, 0));
    settle(clock, scheduler, view);
    EXPECT_FALSE(view.pager().isTurning());
    EXPECT_EQ(view.index(), 1);
    EXPECT_EQ(view.pageLabel(), QStringLiteral("page 1"));
}

TEST(AlbumWindow, RestoringFromMinimisedKeepsThePlaceAndClosingLetsTheBooksGo) {
    AlbumFixture f(utc(2026, 12, 6));
    AlbumBookSource source;
    source.livingBirth = utc(2026, 11, 1);
    source.livingName = QStringLiteral("Tobbi");
    int builds = 0;
    AlbumWindowView view(
        {}, *f.album, f.clock, [&](double now) {
            ++builds;
            source.now = now;
            return albumbooks::buildBooks(f.album->load(), source);
        },
        {}, &f.scheduler);
    view.resize(460, 720);
    view.show();
    ASSERT_EQ(builds, 1);
    ASSERT_NE(view.viewer(), nullptr);
    view.viewer()->next();
    settle(f.clock, f.scheduler, *view.viewer());
    ASSERT_EQ(view.viewer()->index(), 1);

    view.setWindowState(Qt::WindowMinimized);
    view.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(builds, 1);
    ASSERT_NE(view.viewer(), nullptr);
    EXPECT_EQ(view.viewer()->index(), 1);

    view.hide();
    EXPECT_EQ(view.viewer(), nullptr);
    EXPECT_TRUE(view.books().empty());
    view.show();
    EXPECT_EQ(builds, 2);
    ASSERT_NE(view.viewer(), nullptr);
    EXPECT_EQ(view.viewer()->index(), 0);
}

TEST(BookViewer, ControlsHaveNamesForScreenReadersAndWork) {
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    std::vector<AlbumBook> books{bookOf(chapterOf(0, "Pip", 86400.0 * 40), 1), bookOf(chapterOf(86400.0 * 50, "Miso"), 2)};
    int closes = 0;
    AlbumBookView view(books, 0, [&] { ++closes; }, {}, nullptr, &scheduler, &clock);
    view.resize(460, 720);
    view.show();
    auto named = [&](const char* name) -> QAbstractButton* {
        for (auto* b : view.findChildren<QAbstractButton*>())
            if (b->accessibleName() == QLatin1String(name)) return b;
        return nullptr;
    };
    QAbstractButton* next = named("Next page");
    QAbstractButton* previous = named("Previous page");
    QAbstractButton* close = named("Close");
    QAbstractButton* books_ = named("Books");
    ASSERT_TRUE(next && previous && close && books_);
    EXPECT_EQ(books_->accessibleDescription(), QStringLiteral("Miso"));
    const AlbumBookView::Layout l = view.layoutFor(view.size());
    EXPECT_EQ(next->geometry(), l.nextButton.toAlignedRect());
    EXPECT_FALSE(previous->isEnabled());
    next->click();
    EXPECT_EQ(view.index(), 0);  // the page-turn view moves the index when the turn ends
    scheduler.advance(0);
    ASSERT_TRUE(view.pager().isSettling());
    const int generation = view.pager().requestGeneration();
    next->click();  // while the page settles: not taken
    EXPECT_EQ(view.pager().requestGeneration(), generation);
    settle(clock, scheduler, view);
    EXPECT_EQ(view.index(), 1);
    EXPECT_EQ(view.pageLabel(), QStringLiteral("page 1"));
    EXPECT_TRUE(previous->isEnabled());
    previous->click();
    settle(clock, scheduler, view);
    EXPECT_EQ(view.index(), 0);
    close->click();
    EXPECT_EQ(closes, 1);
}

TEST(BookViewer, BooksMenuMarksUseTheMenusInk) {
    for (const QColor& paper : {QColor(Qt::white), QColor("#2B2B2B")}) {
        QPalette menu;
        menu.setColor(QPalette::Window, paper);
        menu.setColor(QPalette::Text, paper.lightness() > 128 ? QColor("#202020") : QColor("#F0F0F0"));
        for (bool died : {false, true}) {
            const QImage icon = AlbumBookView::menuIcon(died, menu).pixmap(32, 32).toImage();
            int ink = 0;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x) {
                    const QColor c = icon.pixelColor(x, y);
                    if (c.alpha() < 200) continue;
                    ++ink;
                    EXPECT_GT(std::abs(c.lightness() - paper.lightness()), 120);
                }
            EXPECT_GT(ink, 20);
        }
    }
}

namespace {
// The settings portal of a desktop with its animations switched off.
class StillDesktop final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Read")) return false;
        const bool asked = message.arguments().value(0).toString() == QLatin1String("org.gnome.desktop.interface") &&
                           message.arguments().value(1).toString() == QLatin1String("enable-animations");
        if (!asked) return false;
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(false))))));
        return true;
    }
};
}  // namespace

TEST(BookViewer, FollowsTheDesktopsWishForLessMotion) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) GTEST_SKIP() << "no session bus";
    StillDesktop portal;
    ASSERT_TRUE(bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    QObject context;
    std::optional<bool> reduce;
    askReduceMotion(&context, [&](bool r) { reduce = r; });
    QDeadlineTimer deadline(20000);
    while (!reduce && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
    ASSERT_TRUE(reduce.has_value());
    EXPECT_TRUE(*reduce);

    // With less motion a page changes at once, with its sound, and a book switch does not slide.
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    std::vector<AlbumBook> books{bookOf(chapterOf(0, "Pip", 86400.0 * 40), 1), bookOf(chapterOf(86400.0 * 50, "Miso"), 2)};
    int sounds = 0;
    AlbumBookView view(books, 0, {}, [&] { ++sounds; }, nullptr, &scheduler, &clock);
    view.resize(460, 720);
    view.setReduceMotion(*reduce);
    view.next();
    EXPECT_EQ(view.index(), 1);
    EXPECT_EQ(sounds, 1);
    EXPECT_FALSE(view.pager().isSettling());
    view.chooseBook(0);
    view.next();
    EXPECT_EQ(view.index(), 1);
}

namespace {

// Columns and rows of `area` where the viewer's cream ink stands out from the dark desk.
QRect inkBounds(const QImage& img, const QRect& area) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixelColor(x, y).lightness() > 110) ink |= QRect(x, y, 1, 1);
    return ink;
}

}  // namespace

TEST(BookViewer, PageLabelCountsUpToItsNewValue) {
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    AlbumBookView view({bookOf(chapterOf(0, "Miso"), 3)}, 0, {}, {}, nullptr, &scheduler, &clock);
    view.resize(460, 720);
    view.next();
    settle(clock, scheduler, view);
    ASSERT_EQ(view.pageLabel(), QStringLiteral("page 1"));
    view.next();
    settle(clock, scheduler, view);
    ASSERT_EQ(view.pageLabel(), QStringLiteral("page 2"));
    // The label has just begun to change from "page 1".
    EXPECT_EQ(view.labelFrom(), QStringLiteral("page 1"));
    ASSERT_LT(view.labelProgress(), 0.2);
    // A fifth of the way: both digits half seen.
    const double step = (0.2 - view.labelProgress()) * AlbumBookView::labelSeconds;
    clock.advance(step);
    scheduler.advance(step);
    const QRect row = view.layoutFor(QSizeF(460, 720)).label.toAlignedRect();
    const QRect moving = inkBounds(view.grab().toImage(), row);
    clock.advance(AlbumBookView::labelSeconds);
    scheduler.advance(AlbumBookView::labelSeconds);
    EXPECT_EQ(view.labelProgress(), 1);
    const QRect still = inkBounds(view.grab().toImage(), row);
    // Midway the old digit has risen above the line and the new one still rises from below it,
    // while "page " stays where it is.
    ASSERT_FALSE(still.isEmpty());
    EXPECT_LT(moving.top(), still.top() - 3);
    EXPECT_GT(moving.bottom(), still.bottom() + 3);
    EXPECT_EQ(moving.left(), still.left());

    // With less motion the label changes at once.
    view.setReduceMotion(true);
    view.previous();
    EXPECT_EQ(view.pageLabel(), QStringLiteral("page 1"));
    EXPECT_EQ(view.labelProgress(), 1);
}

TEST(BookViewer, BooksMenuShowsALongNameWholeUnlessTheWindowIsTooNarrow) {
    ManualClock clock(1000, 1000);
    ManualScheduler scheduler;
    const char* name = "Sir Bartholomew Whiskerton the Third";
    AlbumBookView view({bookOf(chapterOf(0, "Pip", 86400.0 * 40), 1), bookOf(chapterOf(86400.0 * 50, name), 1)}, 0,
                       {}, {}, nullptr, &scheduler, &clock);
    const double advance = QFontMetricsF(albumSerif(13, QFont::DemiBold)).horizontalAdvance(QString::fromLatin1(name));
    ASSERT_GT(advance, 180);
    view.resize(600, 720);
    const AlbumBookView::Layout wide = view.layoutFor(QSizeF(600, 720));
    EXPECT_GE(wide.menu.width(), 12 + 14 + 6 + advance + 12 - 0.5);
    EXPECT_LE(wide.menu.right(), wide.closeButton.left());
    // The name's ink runs its whole length inside the capsule.
    const QRect text = wide.menu.adjusted(12 + 14 + 6, 0, -4, 0).toAlignedRect();
    const QRect ink = inkBounds(view.grab().toImage(), text);
    EXPECT_GT(ink.right(), text.left() + advance - 12);

    // In the narrowest window the name is cut where the menu would reach the title.
    const AlbumBookView::Layout narrow = view.layoutFor(QSizeF(360, 720));
    const double titleRight = narrow.title.left() + QFontMetricsF(albumSerif(28, QFont::ExtraBold)).horizontalAdvance(QStringLiteral("Album"));
    EXPECT_LT(narrow.menu.width(), 12 + 14 + 6 + advance + 12);
    EXPECT_GE(narrow.menu.left(), titleRight);
}

TEST(BookViewer, LifeSpanAndCoverDatesAreInTheReadersWordsAndOrder) {
    const AlbumChapter past = chapterOf(utc(2025, 10, 20), "Pip", utc(2026, 6, 30));
    const AlbumBook book = bookOf(past, 1);
    struct Case {
        const char *locale, *span, *cover;
    };
    for (const Case& c : {Case{"en_US", "Pip \u00B7 Oct 20 \u2013 Jun 30", "Oct 20, 2025 \u2013 Jun 30, 2026"},
                          Case{"de_DE", "Pip \u00B7 20. Okt. \u2013 30. Juni", "20. Okt. 2025 \u2013 30. Juni 2026"},
                          Case{"fr_FR", "Pip \u00B7 20 oct. \u2013 30 juin", "20 oct. 2025 \u2013 30 juin 2026"},
                          Case{"ja_JP", "Pip \u00B7 10\u670820\u65E5 \u2013 6\u670830\u65E5",
                               "2025\u5E7410\u670820\u65E5 \u2013 2026\u5E746\u670830\u65E5"}}) {
        const LocalZone zone("Europe/Berlin", c.locale);
        EXPECT_EQ(AlbumBookView::lifeSpan(book), QString::fromUtf8(c.span)) << c.locale;
        EXPECT_EQ(AlbumCover::coverDates(past), QString::fromUtf8(c.cover)) << c.locale;
    }
}

TEST(BookViewer, DatesAreWrittenInTheDateFormatNotTheMessagesLanguage) {
    const LocalZone zone("Europe/Berlin");
    const AlbumChapter past = chapterOf(utc(2025, 10, 20), "Pip", utc(2026, 6, 30));
    AlbumLeaf leaf;
    leaf.date = utc(2026, 12, 6);
    {
        const LocaleVariables env(nullptr, "de_DE.UTF-8", "en_US.UTF-8");
        EXPECT_EQ((LeafPage{leaf, 1}.dateLine().toStdString()), "SONNTAG, 6. DEZEMBER");
        EXPECT_EQ(AlbumBookView::lifeSpan(bookOf(past, 1)).toStdString(), "Pip \u00B7 20. Okt. \u2013 30. Juni");
        EXPECT_EQ(AlbumCover::coverDates(past).toStdString(), "20. Okt. 2025 \u2013 30. Juni 2026");
    }
    // LC_ALL overrides LC_TIME, LANG stands in for an empty one, "C" writes English, and a script
    // modifier chooses the script.
    struct Case {
        const char *all, *time, *lang, *line;
    };
    for (const Case& c : {Case{"fr_FR.UTF-8", "de_DE.UTF-8", "en_US.UTF-8", "DIMANCHE 6 D\u00C9CEMBRE"},
                          Case{nullptr, "", "de_DE@euro", "SONNTAG, 6. DEZEMBER"},
                          Case{nullptr, "C", "de_DE.UTF-8", "SUNDAY, DECEMBER 6"},
                          Case{nullptr, nullptr, nullptr, "SUNDAY, DECEMBER 6"},
                          Case{nullptr, "sr_RS.UTF-8@latin", "sr_RS.UTF-8", "NEDELJA, 6. DECEMBAR"}}) {
        const LocaleVariables env(c.all, c.time, c.lang);
        EXPECT_EQ((LeafPage{leaf, 1}.dateLine().toStdString()), c.line) << (c.time ? c.time : "unset");
    }
}
