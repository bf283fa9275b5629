// Each tab drawn offscreen, checked as a person would see it.
#include "SettingsWorld.h"

#include "platform/Color.h"
#include "settings/SettingsKit.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QVBoxLayout>

using namespace kp;
using namespace kp::test;

namespace {

bool near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// How many pixels in `r` are close to `c`.
int count(const QImage& img, const QRect& r, QColor c, int tolerance = 24) {
    int n = 0;
    const QRect box = r.intersected(img.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (near(img.pixelColor(x, y), c, tolerance)) ++n;
    return n;
}

QRect inView(QWidget* w, TestSettingsView& view) {
    return QRect(w->mapTo(&view, QPoint(0, 0)), w->size());
}

}  // namespace

class SettingsRender : public ::testing::Test {
protected:
    SettingsWorld world;
};

TEST_F(SettingsRender, CatTabShowsTheHeroTheBarAndTwoCards) {
    auto view = world.view(SettingsTab::cat);
    const QImage img = shoot(*view, "cat");
    // Black window, the hero's tile at the top left, the accent capsule of the selected tab.
    EXPECT_TRUE(near(img.pixelColor(5, 5), Qt::black, 4));
    const QRect tile = inView(view->hero()->tile(), *view);
    EXPECT_EQ(tile.size(), QSize(136, 120));
    EXPECT_GT(count(img, tile, colorFromHex("#E8A25A"), 60), 200) << "an orange cat on the tile";
    const QRectF first = view->tabBar()->tabRects().front();
    const QPoint capsule = view->tabBar()->mapTo(view.get(), first.center().toPoint()) + QPoint(0, 8);
    EXPECT_GT(count(img, QRect(capsule.x() - 20, capsule.y() - 2, 40, 3), kit::accent(), 10), 20);
    EXPECT_EQ(view->hero()->nameLabel()->text(), "Tobbi");
    EXPECT_EQ(view->hero()->subtitleLabel()->text(), QStringLiteral("Kitten \u00B7 1m old"));
    // The card boxes are drawn in the card fill with a hairline.
    auto* breed = view->page()->findChild<QWidget*>("breedRow");
    ASSERT_TRUE(breed);
    const QRect row = inView(breed, *view);
    EXPECT_TRUE(near(img.pixelColor(row.right() - 60, row.center().y()), kit::card(), 6));
}

TEST_F(SettingsRender, TheLongestNameFitsTheHeader) {
    // The onboarding takes up to 24 characters; wide letters, then wide letters and emoji.
    const QString cat = QStringLiteral("\U0001F431");
    for (const QString& name : {QString(24, QLatin1Char('W')), QString(20, QLatin1Char('M')) + cat + cat + cat + cat}) {
        world.store->set("petName", name);
        auto view = world.view(SettingsTab::cat);
        const QImage img = shoot(*view, QStringLiteral("long-name"));
        QLabel* label = view->hero()->nameLabel();
        EXPECT_EQ(label->text(), name);  // whole, in smaller type
        const QRect r = inView(label, *view);
        EXPECT_LE(r.right(), 540 - 20);
        EXPECT_LE(QFontMetricsF(label->font()).horizontalAdvance(label->text()), label->contentsRect().width());
        // Ink in the name's line, none in the margin beside it.
        const int inked = count(img, r, kit::ink(), 40);
        EXPECT_GT(inked, 100);
        EXPECT_EQ(count(img, QRect(540 - 16, r.top(), 16, r.height()), Qt::black, 3), 16 * r.height());
    }
}

TEST_F(SettingsRender, EveryTabDrawsInsideTheWindowWidth) {
    world.wallet->setEnabled(true);
    world.wallet->reward(30, kStart);
    world.store->set("togetherSeconds", 25200.0);
    world.build();
    world.wallet->setEnabled(true);
    for (SettingsTab tab : allCases<SettingsTab>()) {
        auto view = world.view(tab);
        const QImage img = shoot(*view, QString::fromLatin1(rawValue(tab).data()));
        // Nothing reaches the outer 20-point margins but the black field.
        const int h = img.height();
        EXPECT_EQ(count(img, QRect(0, 0, 16, h), Qt::black, 3), 16 * h) << rawValue(tab);
        EXPECT_EQ(count(img, QRect(540 - 16, 0, 16, h), Qt::black, 3), 16 * h) << rawValue(tab);
    }
}

TEST_F(SettingsRender, EveryCardShowsItsTitleAboveItsBox) {
    world.wallet->setEnabled(true);
    world.store->set("togetherSeconds", 25200.0);
    world.build();
    world.wallet->setEnabled(true);
    const std::vector<std::pair<SettingsTab, QStringList>> titles = {
        {SettingsTab::cat, {"Who he is", "His pace"}},
        {SettingsTab::desktop, {"Out on the desktop", "Pomodoro & coins", "When he needs you", "What he notices"}},
        {SettingsTab::wardrobe, {"His wardrobe"}},
        {SettingsTab::shop, {"His coins", "Treats", "Home", "Toys"}},
        {SettingsTab::world, {"Sound", "Music", "His window"}},
        {SettingsTab::notch, {"The notch", "Start over"}},
        {SettingsTab::about, {}},  // its cards are plain boxes
    };
    for (const auto& [tab, want] : titles) {
        auto view = world.view(tab);
        const QImage img = shoot(*view, QStringLiteral("titles-") + QString::fromLatin1(rawValue(tab).data()));
        // Top to bottom, the words shown over each card's box, in ink on the black field.
        std::vector<SettingsCard*> cards;
        for (SettingsCard* card : view->page()->findChildren<SettingsCard*>())
            if (card->isVisible()) cards.push_back(card);
        std::sort(cards.begin(), cards.end(), [&](QWidget* a, QWidget* b) { return inView(a, *view).top() < inView(b, *view).top(); });
        QStringList shown;
        for (SettingsCard* card : cards) {
            const QRect box = inView(card->box()->parentWidget(), *view);
            for (QLabel* label : card->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
                const QRect r = inView(label, *view);
                if (!label->isVisible() || r.bottom() >= box.top()) continue;
                const int ink = r.width() * r.height() - count(img, r, Qt::black, 3);
                shown << (ink > 30 ? label->text() : QStringLiteral("(no ink)"));
            }
        }
        QStringList upper;
        for (const QString& t : want) upper << t.toUpper();
        EXPECT_EQ(shown.join(" | ").toStdString(), upper.join(" | ").toStdString()) << rawValue(tab);
    }
}

// In a window of its own, as the app holds it, the column is 540 wide and the window cannot be
// stretched wider; it still grows in height.
TEST_F(SettingsRender, TheWindowCannotBeStretchedWider) {
    QWidget frame;
    auto* layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    auto view = world.view(SettingsTab::cat);
    layout->addWidget(view.get());
    frame.resize(540, 700);
    frame.show();
    frame.resize(800, 900);
    EXPECT_EQ(frame.width(), 540);
    EXPECT_EQ(frame.height(), 900);
    EXPECT_EQ(view->QWidget::width(), 540);
    layout->removeWidget(view.get());
    view->setParent(nullptr);
}

TEST_F(SettingsRender, WardrobeRingsTheWornPieceAndGreysLockedOnes) {
    world.store->set("togetherSeconds", 18000.0);
    world.build();
    world.closet->wear(CatAccessory::bow);
    auto view = world.view(SettingsTab::wardrobe);
    const QImage img = shoot(*view, "wardrobe-open");
    auto* bow = view->page()->findChild<QAbstractButton*>("bow");
    auto* crown = view->page()->findChild<QAbstractButton*>("flowerCrown");
    ASSERT_TRUE(bow && crown);
    const QRect b = inView(bow, *view), c = inView(crown, *view);
    EXPECT_GT(count(img, b, kit::accent(), 30), 80) << "the ring";
    EXPECT_EQ(count(img, c, kit::accent(), 30), 0);
    // A locked piece is grey: no saturated pixels.
    int coloured = 0;
    for (int y = c.top(); y <= c.bottom(); ++y)
        for (int x = c.left(); x <= c.right(); ++x) coloured += img.pixelColor(x, y).hsvSaturation() > 60;
    EXPECT_EQ(coloured, 0);
    EXPECT_EQ(crown->toolTip(), "Not yet");
    EXPECT_FALSE(crown->isEnabled());
}

TEST_F(SettingsRender, ShopDimsWhatCannotBeBoughtAndRingsWhatIsInHisRoom) {
    world.wallet->setEnabled(true);
    world.wallet->reward(30, kStart);
    ASSERT_TRUE(world.wallet->buy(ShopItem::rug));  // 5 coins left
    auto view = world.view(SettingsTab::shop);
    const QImage img = shoot(*view, "shop");
    auto* rug = view->page()->findChild<QAbstractButton*>("rug");
    auto* portrait = view->page()->findChild<QAbstractButton*>("portrait");
    auto* treats = view->page()->findChild<QAbstractButton*>("treats");
    ASSERT_TRUE(rug && portrait && treats);
    EXPECT_GT(count(img, inView(rug, *view), kit::accent(), 30), 100);
    EXPECT_TRUE(treats->isEnabled());
    EXPECT_FALSE(portrait->isEnabled());
    // The dimmed tile's fill is darker than the enabled one's.
    const QRect p = inView(portrait, *view), t = inView(treats, *view);
    EXPECT_LT(img.pixelColor(p.left() + 4, p.top() + 30).lightness(), img.pixelColor(t.left() + 4, t.top() + 30).lightness());
}

TEST_F(SettingsRender, ClosedWardrobeAndCoinsOffStayShort) {
    world.store->set("togetherSeconds", 3600.0);
    world.build();
    auto wardrobe = world.view(SettingsTab::wardrobe);
    const QImage closed = shoot(*wardrobe, "wardrobe-closed");
    auto* left = wardrobe->page()->findChild<QLabel*>("opensIn");
    ASSERT_TRUE(left);
    EXPECT_EQ(left->text(), "in 4h");
    // The countdown is drawn in peach at the row's trailing end.
    EXPECT_GT(count(closed, inView(left, *wardrobe), kit::peach(), 40), 15);
    wardrobe.reset();

    auto desktop = world.view(SettingsTab::desktop);
    const QImage off = shoot(*desktop, "desktop-coins-off");
    auto* card = desktop->page()->findChild<QWidget*>("pomodoroCard");
    ASSERT_TRUE(card);
    EXPECT_LT(card->height(), 140);
    auto* toggle = desktop->page()->findChild<QWidget*>("pomodoroAndCoins");
    ASSERT_TRUE(toggle);
    // The switch is off: its knob sits at the leading end, white on the faint track.
    const QRect t = inView(toggle, *desktop);
    EXPECT_TRUE(near(off.pixelColor(t.left() + 10, t.center().y()), Qt::white, 30));
    EXPECT_FALSE(near(off.pixelColor(t.right() - 10, t.center().y()), Qt::white, 60));
}
