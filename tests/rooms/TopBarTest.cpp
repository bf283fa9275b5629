// The room's top bar: layout beside the notch, the name line, the tabs and what its buttons do.
#include "TopBarWorld.h"

#include "platform/Color.h"
#include "rooms/TopBar.h"
#include "support/HeldPool.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>

#include <functional>

namespace kp {
namespace {

using test::ChromeWorld;
using test::colourDistance;
using test::findSpot;

struct TopBarFixture : ::testing::Test {
    ChromeWorld w;
    TopBar bar{*w.state, *w.wallet, w.cat.clock, w.cat.scheduler, w.hub};
    RoomHotspots hot;

    QImage render(double width = 640) {
        QImage img = test::wallImage(width);
        QPainter p(&img);
        hot.clear();
        bar.paint(p, w.frame(width), hot);
        return img;
    }
};

TEST_F(TopBarFixture, CoinButtonOnlyWhileTheShopIsOn) {
    render();
    EXPECT_EQ(bar.coinButton(), nullptr);
    EXPECT_EQ(findSpot(hot, {RoomActionKind::openSettings, 2}), nullptr);
    w.wallet->setEnabled(true);
    render();
    ASSERT_NE(bar.coinButton(), nullptr);
    const RoomHotspot* coin = findSpot(hot, {RoomActionKind::openSettings, 2});
    ASSERT_NE(coin, nullptr);
    EXPECT_EQ(coin->helpText, QStringLiteral("0 coins: the shop"));
    EXPECT_TRUE(coin->tick);
    w.wallet->setEnabled(false);
    render();
    EXPECT_EQ(bar.coinButton(), nullptr);
}

TEST_F(TopBarFixture, PillTakesNoClicksAndButtonsHaveTheirHelp) {
    render();
    const TopBar::Layout l = TopBar::layout(640, 184, false);
    EXPECT_EQ(hot.at(l.pill.center()), nullptr);
    EXPECT_EQ(hot.at(QPointF(l.ringsLeft + 10, l.midY)), nullptr);
    for (int i = 0; i < topbar::tabCount; ++i) {
        const RoomHotspot* tab = hot.at(l.tabs[std::size_t(i)].center());
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->action, RoomAction::tab(topbar::tabRooms[std::size_t(i)]));
        EXPECT_NE(tab->help, nullptr);
        EXPECT_TRUE(tab->tick);
    }
    const RoomHotspot* album = hot.at(l.album.center());
    ASSERT_NE(album, nullptr);
    EXPECT_STREQ(album->help, "Album");
    ASSERT_NE(hot.at(l.gear.center()), nullptr);
    EXPECT_EQ(hot.at(l.gear.center())->action, (RoomAction{RoomActionKind::openSettings, 0}));
}

TEST_F(TopBarFixture, ButtonsPostTheirNotifications) {
    EXPECT_TRUE(bar.perform({RoomActionKind::openSettings, 0}));
    ASSERT_EQ(w.count(note::openFullSettings), 1);
    EXPECT_FALSE(w.posted.back().second.has_value());

    EXPECT_TRUE(bar.perform({RoomActionKind::openSettings, 2}));
    ASSERT_EQ(w.count(note::openFullSettings), 2);
    const auto* tab = notificationObject<std::string>(w.posted.back().second);
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(*tab, "shop");

    EXPECT_TRUE(bar.perform({RoomActionKind::openAlbum, 0}));
    EXPECT_EQ(w.count(note::openAlbum), 1);

    // Not the bar's: the wardrobe and the furniture.
    EXPECT_FALSE(bar.perform({RoomActionKind::openSettings, 1}));
    EXPECT_FALSE(bar.perform(RoomAction::errand(PetErrand::eat)));
}

TEST_F(TopBarFixture, TabTellsTheCatThenChangesTheRoom) {
    PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::bedroom);
    PetLifeTestAccess::setViewRoom(w.life(), IslandRoomKind::bedroom);
    std::vector<IslandRoomKind> selected;
    bar.setOnRoomSelected([&](IslandRoomKind r) { selected.push_back(r); });

    EXPECT_TRUE(bar.perform(RoomAction::tab(IslandRoomKind::kitchen)));
    EXPECT_EQ(w.state->roomKind(), IslandRoomKind::kitchen);
    EXPECT_EQ(w.life().viewRoom(), IslandRoomKind::kitchen);
    ASSERT_TRUE(w.life().arrivalDue().has_value());
    EXPECT_NEAR(*w.life().arrivalDue(), w.now() + 3, 1e-6);
    EXPECT_EQ(selected, std::vector<IslandRoomKind>{IslandRoomKind::kitchen});

    // The highlight moves with a spring: half-way early on, settled later.
    const double early = bar.tabSelection(2);
    EXPECT_GT(early, -1e-9);
    EXPECT_LT(early, 1);
    w.cat.scheduler.advance(1.5);
    EXPECT_DOUBLE_EQ(bar.tabSelection(2), 1);
    EXPECT_DOUBLE_EQ(bar.tabSelection(0), 0);
}

TEST_F(TopBarFixture, TabOfTheRoomShownDoesNothing) {
    PetLifeTestAccess::setViewRoom(w.life(), IslandRoomKind::living);
    w.state->setRoomKind(IslandRoomKind::bedroom);
    int selected = 0;
    bar.setOnRoomSelected([&](IslandRoomKind) { ++selected; });
    bar.selectRoom(IslandRoomKind::bedroom);
    EXPECT_EQ(w.life().viewRoom(), IslandRoomKind::living);  // the cat was not told
    EXPECT_EQ(selected, 0);
    EXPECT_DOUBLE_EQ(bar.tabSelection(0), 1);
}

TEST_F(TopBarFixture, SelectedTabIsLightOthersDark) {
    w.state->setRoomKind(IslandRoomKind::living);
    const QImage img = render();
    const TopBar::Layout l = TopBar::layout(640, 184, false);
    // Sample the capsule beside its symbol.
    const auto capsule = [&](int i) {
        const QRectF& r = l.tabs[std::size_t(i)];
        return img.pixelColor(QPoint(int(r.left() + 3), int(r.center().y())));
    };
    EXPECT_LT(colourDistance(capsule(1), colorFromHex("#F4EDE6")), 12);
    // The others: black at 0.28 over the wall.
    const QColor wall(0xE9, 0xDD, 0xCB);
    const QColor idle(qRound(wall.red() * 0.72), qRound(wall.green() * 0.72), qRound(wall.blue() * 0.72));
    for (int i : {0, 2, 3, 4}) EXPECT_LE(colourDistance(capsule(i), idle), 3) << i;
    // The selected tab's symbol is dark ink on the light capsule.
    bool darkInk = false;
    const QRectF& sel = l.tabs[1];
    for (int x = int(sel.left() + 6); x < int(sel.right() - 6); ++x)
        for (int y = int(sel.top() + 3); y < int(sel.bottom() - 3); ++y)
            if (colourDistance(img.pixelColor(x, y), colorFromHex("#1A1614")) < 40) darkInk = true;
    EXPECT_TRUE(darkInk);
}

TEST_F(TopBarFixture, NothingDrawnInTheNotchGapOrBelowTheBar) {
    w.wallet->setEnabled(true);
    const QColor wall(0xE9, 0xDD, 0xCB);
    const QImage img = render();
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 640; ++x) {
            const bool gap = x > 222 && x < 418;
            const bool below = y > 38;
            if (gap || below) {
                ASSERT_EQ(img.pixelColor(x, y), wall) << x << "," << y;
            }
        }
    // The pill is dark over the wall.
    const TopBar::Layout l = TopBar::layout(640, 184, true);
    EXPECT_LT(img.pixelColor(QPoint(int(l.pill.left() + 4), int(l.midY))).lightness(),
              wall.lightness() - 40);
}

TEST_F(TopBarFixture, AlbumDotWhileKeepsakesAreUnseen) {
    int unseen = 0;
    bar.setAlbumUnseenSource([&] { return unseen; });
    const TopBar::Layout l = TopBar::layout(640, 184, false);
    const QPoint dot = AlbumButton::badgeRect(l.album).center().toPoint();
    const QColor pink = colorFromHex("#F28AA0");
    EXPECT_GT(colourDistance(render().pixelColor(dot), pink), 40);
    unseen = 1;
    EXPECT_LT(colourDistance(render().pixelColor(dot), pink), 10);
    unseen = 40;
    EXPECT_LT(colourDistance(render().pixelColor(dot), pink), 10);
}

TEST_F(TopBarFixture, NameLineShowsStageAndAge) {
    const QString dot = QString::fromUtf8(" \u00B7 ");
    PetLifeTestAccess::setBirth(w.life(), w.now() + 100);  // a birth in the future
    render();
    EXPECT_EQ(bar.shownMetaLine(), QStringLiteral("Tobbi") + dot + QStringLiteral("kitten 1m"));
    PetLifeTestAccess::setBirth(w.life(), w.now() - 3600);
    render();
    EXPECT_EQ(bar.shownMetaLine(), QStringLiteral("Tobbi") + dot + QStringLiteral("kitten 1h"));
    PetLifeTestAccess::setBirth(w.life(), w.now() - 47 * 3600.0);
    render();
    EXPECT_EQ(bar.shownMetaLine(), QStringLiteral("Tobbi") + dot + QStringLiteral("kitten 1d"));
    EXPECT_DOUBLE_EQ(bar.metaLineScale(), 1);
    EXPECT_EQ(bar.shownStatusLine(), w.life().statusLine());
}

TEST_F(TopBarFixture, LongNameShrinksThenCutsOnOneLine) {
    w.state->setPetName(QStringLiteral("Sir Pouncelot Whiskerton the Magnificent"));
    render();
    EXPECT_DOUBLE_EQ(bar.metaLineScale(), topbar::metaMinScale);
    const QFontMetricsF meta(chrome::font(topbar::metaSize, QFont::Medium));
    EXPECT_LE(meta.horizontalAdvance(bar.shownMetaLine()) * bar.metaLineScale(), topbar::nameColumnWidth + 0.5);
    EXPECT_TRUE(bar.shownMetaLine().startsWith(QStringLiteral("Sir Pouncelot")));
}

TEST_F(TopBarFixture, StatusLineKeepsItsSizeAndIsCutAtItsEnd) {
    const QFontMetricsF status(topbar::statusFont());
    // At full size on one line: whole when it fits the column, else cut at its end.
    int cut = 0;
    const auto check = [&](const QString& expected) {
        render();
        ASSERT_EQ(w.life().statusLine(), expected);
        const QString shown = bar.shownStatusLine();
        EXPECT_LE(status.horizontalAdvance(shown), topbar::nameColumnWidth + 0.5) << shown.toStdString();
        if (status.horizontalAdvance(expected) <= topbar::nameColumnWidth) {
            EXPECT_EQ(shown, expected);
            return;
        }
        ++cut;
        EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
        EXPECT_TRUE(expected.startsWith(shown.chopped(1))) << shown.toStdString();
        EXPECT_GE(shown.size(), 6);
    };
    PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::kitchen);
    PetLifeTestAccess::setViewRoom(w.life(), IslandRoomKind::bedroom);
    PetLifeTestAccess::setErrand(w.life(), PetErrand::stroll);
    check(QStringLiteral("out in the garden"));
    PetLifeTestAccess::setErrand(w.life(), PetErrand::sulk);
    check(QStringLiteral("off sulking"));
    // Drawn in cream in the status half of the name column, nothing between it and the rings.
    const QImage img = render();
    const TopBar::Layout l = TopBar::layout(640, 184, false);
    const QRect band = QRectF(l.nameColumn.left(), l.nameColumn.center().y(), l.ringsLeft - 1 - l.nameColumn.left(),
                              l.nameColumn.height() / 2).toRect();
    int cream = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            if (QColor(img.pixel(x, y)).lightness() > 200) {
                ++cream;
                EXPECT_LE(x, l.nameColumn.right()) << x << "," << y;
            }
    EXPECT_GT(cream, 40);
    PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::bedroom);
    PetLifeTestAccess::setErrand(w.life(), std::nullopt);
    w.life().setPose(PetPose::kneading);
    check(QStringLiteral("making biscuits"));
    w.life().setPose(PetPose::hiding);
    check(QStringLiteral("hiding from the thunder"));
    EXPECT_GT(cut, 0) << "a line too long for the column";
    w.life().setPose(PetPose::sitting);
    // A short line keeps its full size.
    PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::bedroom);
    PetLifeTestAccess::setErrand(w.life(), std::nullopt);
    PetLifeTestAccess::setOut(w.life(), true);
    render();
    EXPECT_EQ(bar.shownStatusLine(), QStringLiteral("out exploring"));
    EXPECT_LE(status.horizontalAdvance(QStringLiteral("out exploring")), topbar::nameColumnWidth + 0.5);
}

TEST_F(TopBarFixture, TheStatusLinesOwnPhrasesShowWhole) {
    // The phrases the status line words itself (the quoted ones are cut as they come) fit the
    // name column at the status face: each shows whole, from the state that brings it.
    using A = PetLifeTestAccess;
    const QFontMetricsF status(topbar::statusFont());
    const auto home = [&] {
        A::setRoom(w.life(), IslandRoomKind::bedroom);
        A::setViewRoom(w.life(), IslandRoomKind::bedroom);
        A::setErrand(w.life(), std::nullopt);
        A::setNightSleepUntil(w.life(), std::nullopt);
        w.life().setSleeping(false);
        w.life().setPose(PetPose::walking);
        PetLifeProbe::setMood(w.life(), PetMood::idle);
    };
    const auto elsewhere = [&](std::optional<PetErrand> errand) {
        A::setRoom(w.life(), IslandRoomKind::kitchen);
        A::setErrand(w.life(), errand);
    };
    const std::pair<const char*, std::function<void()>> states[] = {
        {"asleep for the night",
         [&] {
             w.life().setSleeping(true);
             A::setNightSleepUntil(w.life(), w.now() + 3600);
         }},
        {"gone to bed in another room", [&] { elsewhere(PetErrand::sleep); }},
        {"sulking in another room", [&] { elsewhere(PetErrand::sulk); }},
        {"in another room", [&] { elsewhere(std::nullopt); }},
        {"in another room on an errand", [&] { elsewhere(PetErrand::eat); }},
        {"sitting", [&] { w.life().setPose(PetPose::sitting); }},
        {"napping", [&] { w.life().setPose(PetPose::napping); }},
        {"taking medicine", [&] { w.life().setPose(PetPose::healing); }},
        {"stretching", [&] { w.life().setPose(PetPose::stretching); }},
        {"resting", [&] { w.life().setPose(PetPose::resting); }},
        {"hunting", [&] { w.life().setPose(PetPose::hunting); }},
        {"crying", [&] { PetLifeProbe::setMood(w.life(), PetMood::crying); }},
    };
    for (const auto& [what, set] : states) {
        home();
        set();
        render();
        const QString line = w.life().statusLine();
        EXPECT_LE(status.horizontalAdvance(line), topbar::nameColumnWidth)
            << what << ": \"" << line.toStdString() << "\" is " << status.horizontalAdvance(line) << " wide in "
            << QFontInfo(topbar::statusFont()).family().toStdString();
        EXPECT_EQ(bar.shownStatusLine().toStdString(), line.toStdString()) << what;
    }
}

TEST_F(TopBarFixture, RingsShowTheCatsStats) {
    w.life().setHunger(100);
    w.life().setHealth(100);
    const QImage img = render();
    const TopBar::Layout l = TopBar::layout(640, 184, false);
    const double r = needbar::ringRadius;
    // Hunger ring: only the red stub at the top; health ring: full green, also at 6 o'clock.
    const QPointF hunger(l.ringsLeft + 10, l.midY);
    const QPointF health(l.ringsLeft + 3 * 24 + 10, l.midY);
    EXPECT_LT(colourDistance(img.pixelColor(QPointF(hunger.x(), hunger.y() - r).toPoint()), colorFromHex("#F4505E")), 70);
    EXPECT_GT(colourDistance(img.pixelColor(QPointF(hunger.x(), hunger.y() + r).toPoint()), colorFromHex("#F4505E")), 80);
    EXPECT_LT(colourDistance(img.pixelColor(QPointF(health.x(), health.y() + r).toPoint()), colorFromHex("#6FBF78")), 50);
}

TEST_F(TopBarFixture, ThePillAndTheRowAreFilledWhileThePoolIsBusy) {
    // Filled from the drawing thread, the pill's and the row's fills at two pixels a point are
    // split over the pool and waited for: with the pool's one thread held, the bar would not
    // finish until it is let go.
    w.life().setHealth(100);
    QImage img(1280, 320, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2);
    img.fill(colorFromHex("#E9DDCB"));
    const bool finished = test::finishesWhileThePoolIsHeld([&] {
        QPainter p(&img);
        bar.paint(p, w.frame(), hot);
    });
    EXPECT_TRUE(finished);
    // And the bar is drawn: the full health ring is green at 12 o'clock.
    const TopBar::Layout l = TopBar::layout(640, w.state->notchWidth, w.wallet->enabled());
    const QPointF health(l.ringsLeft + 3 * 24 + 10, l.midY - needbar::ringRadius);
    EXPECT_LT(colourDistance(img.pixelColor((health * 2).toPoint()), colorFromHex("#6FBF78")), 50);
}

}  // namespace
}  // namespace kp
