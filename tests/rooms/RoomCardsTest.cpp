// The room's cards: when the tomato-clock offer is due, the intro's steps, the farewell, and
// what each button changes.
#include "TopBarWorld.h"

#include "core/Preferences.h"
#include "platform/Color.h"
#include "rooms/RoomCards.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

using test::colourDistance;
using test::findSpot;

struct CardsFixture : ::testing::Test {
    test::ChromeWorld w;
    RoomCards cards{*w.state, *w.pomodoro, *w.wallet, w.store(), w.cat.clock, w.hub};
    RoomHotspots hot;

    CardsFixture() {
        w.store().set(QStringLiteral("onboardedV1"), true);
        w.state->setRoomKind(IslandRoomKind::bedroom);
        PetLifeTestAccess::setBirth(w.life(), w.now() - 4 * 86400.0);
    }

    QImage render(double width = 640) {
        QImage img = test::wallImage(width);
        QPainter p(&img);
        hot.clear();
        cards.paint(p, w.frame(width), hot);
        return img;
    }
    void settle() { w.cat.scheduler.advance(1.5); }
    void kill() { PetLifeProbe::die(w.life()); }
};

TEST_F(CardsFixture, OfferNeedsEveryCondition) {
    // From the third day exactly.
    PetLifeTestAccess::setBirth(w.life(), w.now() - 259199);
    EXPECT_EQ(cards.shownCard(), RoomCardKind::none);
    PetLifeTestAccess::setBirth(w.life(), w.now() - 259200);
    EXPECT_EQ(cards.shownCard(), RoomCardKind::offer);
    w.wallet->setEnabled(true);
    EXPECT_FALSE(cards.shouldOfferTomatoClock());
    w.wallet->setEnabled(false);
    w.store().set(QStringLiteral("onboardedV1"), false);
    EXPECT_FALSE(cards.shouldOfferTomatoClock());
    w.store().set(QStringLiteral("onboardedV1"), true);
    w.state->setRoomKind(IslandRoomKind::kitchen);
    EXPECT_FALSE(cards.shouldOfferTomatoClock());
    w.state->setRoomKind(IslandRoomKind::bedroom);
    w.store().set(QStringLiteral("pomodoroNudgeDone"), true);
    EXPECT_FALSE(cards.shouldOfferTomatoClock());
    w.store().set(QStringLiteral("pomodoroNudgeDone"), false);
    ASSERT_TRUE(cards.shouldOfferTomatoClock());
    kill();
    EXPECT_FALSE(cards.shouldOfferTomatoClock());
    EXPECT_EQ(cards.shownCard(), RoomCardKind::farewell);
}

TEST_F(CardsFixture, TurnItOnStartsTheIntro) {
    render();
    const NotchCard* card = cards.noteCard();
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->title(), QString::fromUtf8("Tobbi found a tomato clock \xF0\x9F\x8D\x85"));
    EXPECT_EQ(card->primary(), QStringLiteral("Turn it on"));
    EXPECT_EQ(card->secondary(), QStringLiteral("Not now"));

    EXPECT_TRUE(cards.perform({RoomActionKind::card, int(CardButton::turnOn)}));
    EXPECT_TRUE(w.store().boolValue(QStringLiteral("pomodoroNudgeDone")));
    EXPECT_TRUE(w.wallet->enabled());
    EXPECT_TRUE(w.store().boolValue(QStringLiteral("pomodoroAndCoins")));
    EXPECT_EQ(w.pomodoro->introStep(), 0);
    EXPECT_EQ(w.count(note::openRoom), 1);
    EXPECT_EQ(cards.shownCard(), RoomCardKind::intro);
    render();
    EXPECT_EQ(cards.noteCard()->title(), QStringLiteral("The tomato clock"));
}

TEST_F(CardsFixture, IntroStepsNextAndGotIt) {
    w.wallet->setEnabled(true);
    w.pomodoro->startIntro();
    render();
    EXPECT_EQ(cards.noteCard()->secondary(), QStringLiteral("Skip"));
    cards.perform({RoomActionKind::card, int(CardButton::next)});
    EXPECT_EQ(w.pomodoro->introStep(), 1);
    render();
    EXPECT_EQ(cards.noteCard()->title(), QStringLiteral("Focus together"));
    EXPECT_TRUE(cards.noteCard()->message().startsWith(QStringLiteral("Tobbi naps beside it")));
    cards.perform({RoomActionKind::card, int(CardButton::next)});
    render();
    // The last step has a single button.
    EXPECT_EQ(cards.noteCard()->title(), QStringLiteral("His coins"));
    EXPECT_EQ(cards.noteCard()->primary(), QStringLiteral("Got it"));
    EXPECT_FALSE(cards.noteCard()->secondary().has_value());
    EXPECT_NE(findSpot(hot, {RoomActionKind::card, int(CardButton::gotIt)}), nullptr);
    EXPECT_EQ(findSpot(hot, {RoomActionKind::card, int(CardButton::skip)}), nullptr);
    cards.perform({RoomActionKind::card, int(CardButton::gotIt)});
    EXPECT_FALSE(w.pomodoro->introStep().has_value());
    EXPECT_TRUE(w.store().boolValue(QStringLiteral("pomodoroIntroSeen")));
    EXPECT_EQ(cards.shownCard(), RoomCardKind::none);
}

TEST_F(CardsFixture, SkipEndsTheIntroForGood) {
    w.wallet->setEnabled(true);
    w.pomodoro->startIntro();
    cards.perform({RoomActionKind::card, int(CardButton::skip)});
    EXPECT_FALSE(w.pomodoro->introStep().has_value());
    EXPECT_TRUE(w.store().boolValue(QStringLiteral("pomodoroIntroSeen")));
    w.pomodoro->startIntro();
    EXPECT_FALSE(w.pomodoro->introStep().has_value());
}

TEST_F(CardsFixture, DeadCatShowsOnlyTheFarewell) {
    w.wallet->setEnabled(true);
    w.pomodoro->startIntro();
    kill();
    EXPECT_EQ(cards.shownCard(), RoomCardKind::farewell);
    const QImage img = render();
    EXPECT_EQ(cards.noteCard(), nullptr);
    const QRectF box = cards.farewellFrame(640, 160);
    EXPECT_NEAR(box.center().x(), 320, 1e-9);
    EXPECT_NEAR(box.center().y(), 0.46 * 160, 1e-9);
    // Dark card, light button.
    EXPECT_LT(img.pixelColor(QPoint(int(box.left() + 4), int(box.center().y()))).lightness(), 120);
    const QRectF button = cards.farewellButton(640, 160);
    EXPECT_LT(colourDistance(img.pixelColor(QPoint(int(button.left() + 5), int(button.center().y()))),
                             colorFromHex("#F4EDE6")), 10);
    // The card swallows clicks; its button welcomes a new cat.
    const RoomHotspot* onCard = hot.at(QPointF(box.left() + 4, box.top() + 4));
    ASSERT_NE(onCard, nullptr);
    EXPECT_FALSE(onCard->enabled);
    const RoomHotspot* onButton = hot.at(button.center());
    ASSERT_NE(onButton, nullptr);
    EXPECT_EQ(onButton->action, (RoomAction{RoomActionKind::card, int(CardButton::welcome)}));
}

TEST_F(CardsFixture, WelcomeANewCat) {
    w.store().set(QStringLiteral("petName"), QStringLiteral("Mochi"));
    w.state->setPetName(QStringLiteral("Mochi"));
    w.store().set(QStringLiteral("pomodoroNudgeDone"), true);
    kill();
    ASSERT_TRUE(w.life().isDead());
    cards.perform({RoomActionKind::card, int(CardButton::welcome)});
    EXPECT_FALSE(w.life().isDead());
    EXPECT_EQ(w.life().stage(), PetStage::kitten);
    EXPECT_NEAR(w.life().birth(), w.now(), 1e-6);
    EXPECT_FALSE(w.store().boolValue(QStringLiteral("onboardedV1")));
    EXPECT_TRUE(w.store().contains(QStringLiteral("petName")));
    EXPECT_EQ(w.store().string(QStringLiteral("petName")), QString());
    EXPECT_EQ(w.state->petName(), QStringLiteral("Tobbi"));
    ASSERT_EQ(w.count(note::replayOnboarding), 1);
    EXPECT_FALSE(w.posted.back().second.has_value());
    // The offer stays answered: a new cat does not bring it back.
    EXPECT_TRUE(w.store().boolValue(QStringLiteral("pomodoroNudgeDone")));
    EXPECT_EQ(cards.shownCard(), RoomCardKind::none);
}

TEST_F(CardsFixture, OfferCardSitsBelowTheBarAndFadesIn) {
    render();
    const NotchCard* card = cards.noteCard();
    ASSERT_NE(card, nullptr);
    const QRectF box = card->frame(cards.noteCardCentre());
    EXPECT_NEAR(box.center().y(), 92, 1e-9);
    EXPECT_GT(box.top(), 36);
    EXPECT_LT(box.bottom(), 160);
    settle();
    const QImage img = render();
    EXPECT_LT(img.pixelColor(QPoint(int(box.left() + 4), int(box.center().y()))).lightness(), 60);
    const QRectF primary = card->primaryRect(cards.noteCardCentre());
    EXPECT_LT(colourDistance(img.pixelColor(QPoint(int(primary.left() + 4), int(primary.center().y()))),
                             colorFromHex("#F4EDE6")), 10);
    // Outside the card nothing is drawn.
    EXPECT_EQ(img.pixelColor(QPoint(int(box.left()) - 3, int(box.center().y()))), QColor(0xE9, 0xDD, 0xCB));
    EXPECT_EQ(img.pixelColor(QPoint(320, int(box.bottom()) + 3)), QColor(0xE9, 0xDD, 0xCB));
    EXPECT_EQ(hot.at(primary.center())->action, (RoomAction{RoomActionKind::card, int(CardButton::turnOn)}));

    // The cat's night sleep is no reason to hold it back.
    w.life().setSleeping(true);
    PetLifeTestAccess::setNightSleepUntil(w.life(), w.now() + 3600);
    EXPECT_EQ(cards.shownCard(), RoomCardKind::offer);
}

TEST_F(CardsFixture, NotNowFadesTheOfferOut) {
    render();
    settle();
    const QRectF box = cards.noteCard()->frame(cards.noteCardCentre());
    // Near the top middle: inside the card also while it shrinks away.
    const QPoint inside(int(box.center().x()), int(box.top() + 5));
    const int shown = render().pixelColor(inside).lightness();
    cards.perform({RoomActionKind::card, int(CardButton::notNow)});
    // It answers the offer and nothing more.
    EXPECT_TRUE(w.store().boolValue(QStringLiteral("pomodoroNudgeDone")));
    EXPECT_FALSE(w.wallet->enabled());
    EXPECT_FALSE(w.pomodoro->introStep().has_value());
    EXPECT_EQ(cards.shownCard(), RoomCardKind::none);
    render();  // the card starts leaving on this frame
    w.cat.scheduler.advance(0.08);
    const int leaving = render().pixelColor(inside).lightness();
    EXPECT_GT(leaving, shown + 10);
    EXPECT_LT(leaving, QColor(0xE9, 0xDD, 0xCB).lightness() - 10);
    // No buttons while it leaves.
    EXPECT_EQ(hot.size(), 0);
    w.cat.scheduler.advance(0.3);
    EXPECT_EQ(render().pixelColor(inside), QColor(0xE9, 0xDD, 0xCB));
}

TEST_F(CardsFixture, FarewellButtonSitsCentredInTheCard) {
    kill();
    const QImage img = render();
    const QRectF box = cards.farewellFrame(640, 160);
    // The light pill: rows of the card holding a long unbroken run of the button's colour.
    int left = 640, right = -1;
    for (int y = int(box.top()); y < int(box.bottom()); ++y) {
        int run = 0, start = 0;
        for (int x = int(box.left()); x < int(box.right()); ++x) {
            if (colourDistance(img.pixelColor(x, y), colorFromHex("#F4EDE6")) < 10) {
                if (run++ == 0) start = x;
                if (run >= 30) left = std::min(left, start), right = std::max(right, x);
            } else {
                run = 0;
            }
        }
    }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, box.center().x(), 2);
    EXPECT_GT(left, box.left() + 10);
    EXPECT_LT(right, box.right() - 10);
}

TEST_F(CardsFixture, CardButtonsTapWhenPressedTheCardsBodyDoesNot) {
    const auto taps = [this](QPointF at) {
        const RoomHotspot* spot = hot.at(at);
        return spot && spot->tick;
    };
    render();
    settle();
    render();
    const NotchCard* card = cards.noteCard();
    ASSERT_NE(card, nullptr);
    const QPointF centre = cards.noteCardCentre();
    EXPECT_TRUE(taps(card->primaryRect(centre).center()));
    ASSERT_TRUE(card->secondaryRect(centre).has_value());
    EXPECT_TRUE(taps(card->secondaryRect(centre)->center()));
    EXPECT_FALSE(taps(card->frame(centre).topLeft() + QPointF(4, 4)));

    kill();
    render();
    const QRectF box = cards.farewellFrame(640, 160);
    EXPECT_TRUE(taps(cards.farewellButton(640, 160).center()));
    EXPECT_FALSE(taps(box.topLeft() + QPointF(4, 4)));
}

TEST_F(CardsFixture, EveryCardsWordsKeepClearOfItsIcon) {
    // The offer and each step of the intro, in a wide room and a narrow one: the words (cream on
    // the dark card) and the icon (in colour) never meet, both show, and both keep off the card's
    // margin. The icon's ink is the
    // coloured shape grown from its frame; every other light or coloured pixel of the card but
    // its main button is words (a title's drawn tomato included).
    const auto coloured = [](QColor c) {
        return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 60;
    };
    const auto check = [&](const char* which, double width) {
        render(width);
        settle();
        const QImage img = render(width);
        const NotchCard* card = cards.noteCard();
        ASSERT_NE(card, nullptr) << which;
        const QPointF centre = cards.noteCardCentre();
        const QRect inside = card->frame(centre).toAlignedRect().adjusted(5, 5, -5, -5) & img.rect();
        const QRect button = card->primaryRect(centre).toAlignedRect().adjusted(-1, -1, 1, 1);
        // The icon: coloured pixels joined to those in its frame.
        std::vector<char> icon(std::size_t(img.width()) * std::size_t(img.height()), 0);
        std::vector<QPoint> todo;
        const QRect frame = card->iconRect(centre).toAlignedRect() & inside;
        for (int y = frame.top(); y <= frame.bottom(); ++y)
            for (int x = frame.left(); x <= frame.right(); ++x)
                if (coloured(img.pixelColor(x, y))) todo.emplace_back(x, y);
        QRect ink;
        while (!todo.empty()) {
            const QPoint at = todo.back();
            todo.pop_back();
            char& seen = icon[std::size_t(at.y()) * std::size_t(img.width()) + std::size_t(at.x())];
            if (seen || !inside.contains(at) || button.contains(at) || !coloured(img.pixelColor(at))) continue;
            seen = 1;
            ink |= QRect(at, QSize(1, 1));
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) todo.emplace_back(at.x() + dx, at.y() + dy);
        }
        ASSERT_GE(ink.width(), 15) << which << " at " << width << ": the icon shows";
        ASSERT_GE(ink.height(), 15) << which << " at " << width << ": the icon shows";
        EXPECT_TRUE(inside.adjusted(1, 1, -1, -1).contains(ink)) << which << " at " << width << ": inside the card";
        // The words: light or coloured pixels off the icon; none within two pixels of its ink.
        int words = 0, near = 0;
        QPoint first;
        const QRect clear = ink.adjusted(-2, -2, 2, 2);
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (button.contains(x, y) || icon[std::size_t(y) * std::size_t(img.width()) + std::size_t(x)]) continue;
                if (ink.contains(x, y) && !coloured(c)) continue;  // the icon's own light parts
                if (c.lightness() < 110 && !coloured(c)) continue;
                ++words;
                if (clear.contains(x, y) && near++ == 0) first = QPoint(x, y);
            }
        EXPECT_GT(words, 300) << which << " at " << width << ": the words show";
        // Nor does anything but the dark fill lie in the card's margin (its round corners aside).
        const QRect edge = card->frame(centre).toAlignedRect().adjusted(2, 2, -2, -2);
        const int r = int(NotchCard::cornerRadius);
        int inMargin = 0;
        for (int y = edge.top(); y <= edge.bottom(); ++y)
            for (int x = edge.left(); x <= edge.right(); ++x) {
                const bool corner = (x < edge.left() + r || x > edge.right() - r) &&
                                    (y < edge.top() + r || y > edge.bottom() - r);
                const QColor c = img.pixelColor(x, y);
                if (!inside.contains(x, y) && !corner && (c.lightness() >= 110 || coloured(c))) ++inMargin;
            }
        EXPECT_EQ(inMargin, 0) << which << " at " << width << ": pixels in the card's margin";
        EXPECT_EQ(near, 0) << which << " at " << width << ": words at " << first.x() << "," << first.y()
                           << " touch the icon inked over " << ink.left() << ".." << ink.right() << " x "
                           << ink.top() << ".." << ink.bottom();
    };
    for (double width : {640.0, 470.0}) {
        w.wallet->setEnabled(false);
        w.store().set(QStringLiteral("pomodoroNudgeDone"), false);
        ASSERT_EQ(cards.shownCard(), RoomCardKind::offer);
        check("the offer", width);
        cards.perform({RoomActionKind::card, int(CardButton::turnOn)});
        for (const char* step : {"the intro's first step", "its second", "its last"}) {
            ASSERT_EQ(cards.shownCard(), RoomCardKind::intro) << step;
            check(step, width);
            cards.perform({RoomActionKind::card, int(CardButton::next)});
        }
        ASSERT_EQ(cards.shownCard(), RoomCardKind::none);
        w.store().set(QStringLiteral("pomodoroIntroSeen"), false);
    }
}

TEST(NotchCardLayout, GrowsWithItsMessageAndKeepsInsideItsFrame) {
    const NotchCard shortCard(QStringLiteral("Title"), QStringLiteral("One line."), QStringLiteral("Go"), std::nullopt,
                              nullptr, nullptr, nullptr);
    const NotchCard longCard(QStringLiteral("Title"), QString(QStringLiteral("Many words to wrap. ")).repeated(12),
                             QStringLiteral("Go"), QStringLiteral("Later"), nullptr, nullptr, nullptr);
    EXPECT_GT(longCard.size().height(), shortCard.size().height() + 20);
    EXPECT_FALSE(shortCard.secondaryRect(QPointF(200, 100)).has_value());
    ASSERT_TRUE(longCard.secondaryRect(QPointF(200, 100)).has_value());
    EXPECT_GT(longCard.secondaryRect(QPointF(200, 100))->top(), longCard.primaryRect(QPointF(200, 100)).bottom());

    QImage img(500, 300, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const QPointF centre(250, 150);
    longCard.paint(p, centre);
    p.end();
    const QRect frame = longCard.frame(centre).toAlignedRect();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!frame.contains(x, y)) {
                ASSERT_EQ(qAlpha(img.pixel(x, y)), 0) << x << "," << y;
            }
    // The primary capsule is light, the card dark.
    const QRectF primary = longCard.primaryRect(centre);
    EXPECT_GT(img.pixelColor(QPoint(int(primary.left() + 3), int(primary.center().y()))).lightness(), 200);
    EXPECT_LT(img.pixelColor(QPoint(frame.left() + 4, int(centre.y()))).lightness(), 40);
}

TEST(RoomCardTexts, TheClocksOtherWayInIsTheTrayMenuOrTheIslands) {
    EXPECT_EQ(cards::introStepText(0, QStringLiteral("Mochi")).second,
              QStringLiteral("It's on his nightstand: click it to focus, or use the tray icon's menu."));
    EXPECT_EQ(cards::introStepText(0, QStringLiteral("Mochi"), false).second,
              QStringLiteral("It's on his nightstand: click it to focus, or right-click the island."));
    EXPECT_TRUE(cards::introStepText(1, QStringLiteral("Mochi")).second.startsWith(QStringLiteral("Mochi naps")));
}

}  // namespace
}  // namespace kp
