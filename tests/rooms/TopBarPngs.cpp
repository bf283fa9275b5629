// Renders the room chrome to PNG files for a look by eye: set KP_CHROME_PNG_DIR to a folder.
// Without it the case is skipped.
#include "TopBarWorld.h"

#include "rooms/RoomCards.h"
#include "rooms/TopBar.h"

#include <gtest/gtest.h>

#include <QDir>

namespace kp {
namespace {

void save(const QImage& img, const QString& name, int zoom) {
    const QString dir = qEnvironmentVariable("KP_CHROME_PNG_DIR");
    QDir().mkpath(dir);
    img.scaled(img.width() * zoom, img.height() * zoom, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

TEST(TopBarPngs, RenderChrome) {
    if (qEnvironmentVariableIsEmpty("KP_CHROME_PNG_DIR")) GTEST_SKIP() << "KP_CHROME_PNG_DIR not set";
    test::ChromeWorld w;
    w.store().set(QStringLiteral("onboardedV1"), true);
    PetLifeTestAccess::setBirth(w.life(), w.now() - 4 * 86400.0 - 3600);
    w.life().setHunger(80);
    w.life().setHappiness(64);
    w.life().setEnergy(35);
    w.life().setHealth(100);
    TopBar bar(*w.state, *w.wallet, w.cat.clock, w.cat.scheduler, w.hub);
    bar.setAlbumUnseenSource([] { return 2; });
    RoomHotspots hot;

    const auto bar1 = [&](const QString& name, double width = 640) {
        QImage img = test::wallImage(width, 60);
        QPainter p(&img);
        hot.clear();
        bar.paint(p, w.frame(width, 60), hot);
        p.end();
        save(img, name, 3);
    };
    bar1(QStringLiteral("topbar_plain"));
    w.wallet->setEnabled(true);
    bar1(QStringLiteral("topbar_coins"));
    w.wallet->gain(25, w.now());
    w.cat.scheduler.advance(0.6);
    w.state->setRoomKind(IslandRoomKind::kitchen);
    w.state->setPetName(QStringLiteral("Sir Pouncelot the Third"));
    w.life().setHunger(100);
    bar1(QStringLiteral("topbar_gain_longname"));
    w.state->setRoomKind(IslandRoomKind::bedroom);
    PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::kitchen);
    PetLifeTestAccess::setViewRoom(w.life(), IslandRoomKind::bedroom);
    PetLifeTestAccess::setErrand(w.life(), PetErrand::sulk);
    bar1(QStringLiteral("topbar_status_sulking"));
    PetLifeTestAccess::setErrand(w.life(), PetErrand::stroll);
    bar1(QStringLiteral("topbar_status_garden"));
    PetLifeTestAccess::setErrand(w.life(), std::nullopt);
    bar1(QStringLiteral("topbar_status_another_room"));
    {
        // At twice the scale, as on a high-density screen.
        QImage img = test::wallImage(1280, 120);
        QPainter p(&img);
        p.scale(2, 2);
        hot.clear();
        bar.paint(p, w.frame(640, 60), hot);
        p.end();
        save(img, QStringLiteral("topbar_2x"), 1);
    }

    // Cards.
    w.state->setPetName(QStringLiteral("Tobbi"));
    w.state->setRoomKind(IslandRoomKind::bedroom);
    w.wallet->setEnabled(false);
    RoomCards cards(*w.state, *w.pomodoro, *w.wallet, w.store(), w.cat.clock, w.hub);
    const auto card = [&](const QString& name) {
        w.cat.scheduler.advance(1.5);
        QImage img = test::wallImage();
        QPainter p(&img);
        hot.clear();
        bar.paint(p, w.frame(), hot);
        cards.paint(p, w.frame(), hot);
        w.cat.scheduler.advance(1.5);
        img.fill(QColor(0xE9, 0xDD, 0xCB));
        bar.paint(p, w.frame(), hot);
        cards.paint(p, w.frame(), hot);
        p.end();
        save(img, name, 2);
    };
    card(QStringLiteral("card_offer"));
    w.store().set(QStringLiteral("petName"), QStringLiteral("Professor Marmalade Fluffington of Kettle Lane"));
    card(QStringLiteral("card_offer_longname"));
    w.store().set(QStringLiteral("petName"), QStringLiteral("Tobbi"));
    cards.turnOnTomatoClock();
    card(QStringLiteral("card_intro0"));
    cards.advanceIntro();
    card(QStringLiteral("card_intro1"));
    cards.advanceIntro();
    card(QStringLiteral("card_intro2"));
    cards.advanceIntro();
    PetLifeProbe::die(w.life());
    card(QStringLiteral("card_farewell"));
}

}  // namespace
}  // namespace kp
