// Each tab drawn offscreen, checked as a person would see it.
#include "SettingsWorld.h"

#include "platform/Color.h"
#include "settings/DurationField.h"
#include "settings/SettingsKit.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

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

// The header tile: the cat sits in a warm glow on a darker plate, above a grey floor shadow.
TEST_F(SettingsRender, TheHeaderCatSitsInAWarmGlowAboveItsFloorShadow) {
    QImage img(136, 120, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        HeroTile::paintTile(p, CatBreed::orange, CatOutfit{}, 1.0);
    }
    const QColor plate = img.pixelColor(8, 112);  // the bottom corner, out of the glow's reach
    EXPECT_GT(plate.lightness(), 4) << "the plate shows on the window's black";
    // Beside the head on both sides and above the ears: lighter than the plate, and warm.
    for (QPoint glow : {QPoint(12, 45), QPoint(120, 45), QPoint(68, 8)}) {
        const QColor c = img.pixelColor(glow);
        EXPECT_GT(c.lightness(), plate.lightness() + 8) << glow.x() << "," << glow.y();
        EXPECT_GE(c.red() - c.blue(), 4) << glow.x() << "," << glow.y();
    }
    // The floor shadow reaches out under the cat on both sides, a grey lighter than the plate below it.
    const QColor under = img.pixelColor(68, 116);
    for (QPoint shadow : {QPoint(28, 102), QPoint(108, 102)}) {
        const QColor c = img.pixelColor(shadow);
        EXPECT_GT(c.lightness(), under.lightness() + 6) << shadow.x() << "," << shadow.y();
        EXPECT_LE(std::abs(c.red() - c.blue()), 3) << shadow.x() << "," << shadow.y();
    }
}

// The stage-and-age pill is set in bold peach: heavier than the same words in regular weight.
TEST_F(SettingsRender, TheStagePillIsSetInBoldPeach) {
    auto view = world.view(SettingsTab::cat);
    shoot(*view, "pill");
    QLabel* pill = view->hero()->subtitleLabel();
    const QImage shown = pill->grab().toImage();
    QLabel* regular = kit::label(pill->text(), 12, QFont::Normal, kit::peach());
    QPalette black = regular->palette();
    black.setColor(QPalette::Window, Qt::black);
    regular->setPalette(black);
    regular->setAutoFillBackground(true);
    regular->setContentsMargins(pill->contentsMargins());
    regular->resize(regular->sizeHint());
    const QImage plain = regular->grab().toImage();
    delete regular;
    // Solid peach, where a stroke is wider than a pixel: bold strokes are about twice as wide.
    const int bold = count(shown, shown.rect(), kit::peach(), 30);
    const int thin = count(plain, plain.rect(), kit::peach(), 30);
    EXPECT_GT(thin, 30);
    EXPECT_GT(bold, thin * 2) << "bold " << bold << " regular " << thin;
}

// Each tile of the shop shows its item's drawing in the frame above its name.
TEST_F(SettingsRender, EveryShopTileShowsItsDrawingAboveItsName) {
    world.wallet->setEnabled(true);
    world.wallet->reward(500, kStart);
    auto view = world.view(SettingsTab::shop);
    const QImage img = shoot(*view, "shop-rich");
    for (ShopItem item : allCases<ShopItem>()) {
        auto* tile = view->page()->findChild<QAbstractButton*>(QString::fromLatin1(rawValue(item).data()));
        ASSERT_TRUE(tile) << rawValue(item);
        const QRect t = inView(tile, *view);
        const QColor fill = img.pixelColor(t.left() + 4, t.top() + 30);
        const QRect frame(t.center().x() - 28, t.top() + 8, 56, 48);
        const int drawn = frame.width() * frame.height() - count(img, frame, fill, 20);
        EXPECT_GT(drawn, 150) << rawValue(item);
    }
}

// The selected tab is the one accent capsule, its words in white; every tab's capsule lies in the
// bar, side by side.
TEST_F(SettingsRender, TheSelectedTabAloneIsLitAndEveryTabFitsTheBar) {
    world.wallet->setEnabled(true);
    auto view = world.view(SettingsTab::cat);
    shoot(*view, "tabs");
    view->hide();  // a hidden bar switches at once, with no fade to wait for
    SettingsTabs* bar = view->tabBar();
    ASSERT_EQ(bar->tabs().size(), 7u);
    const auto rects = bar->tabRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_GE(rects[i].left(), 4 - 1e-6) << i;
        EXPECT_LE(rects[i].right(), bar->width() - 4 + 1e-6) << i;
        if (i > 0) {
            EXPECT_GE(rects[i].left(), rects[i - 1].right()) << i;
        }
    }
    for (std::size_t chosen = 0; chosen < rects.size(); ++chosen) {
        bar->setSelection(bar->tabs()[chosen].id);
        const QImage img = bar->grab().toImage();
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const QRect r = rects[i].toAlignedRect().adjusted(1, 1, -1, -1);
            const int lit = count(img, r, kit::accent(), 12), white = count(img, r, Qt::white, 40);
            if (i == chosen) {
                EXPECT_GT(lit, r.width() * r.height() / 3) << chosen;
                EXPECT_GT(white, 25) << chosen;
            } else {
                EXPECT_EQ(lit, 0) << chosen << " lights " << i;
                EXPECT_EQ(white, 0) << chosen << " whitens " << i;
            }
        }
    }
}

// A switch shows its white knob at the end it is turned to: at the leading end on the faint track
// when off, at the trailing end on the accent track once clicked on.
TEST_F(SettingsRender, ASwitchShowsItsKnobAtTheEndItIsTurnedTo) {
    TobbiToggle toggle;
    toggle.show();
    const auto look = [&] {  // on the window's black
        QImage img(toggle.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::black);
        toggle.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
        return img;
    };
    QImage off = look();
    EXPECT_TRUE(near(off.pixelColor(10, 10), Qt::white, 30));
    EXPECT_FALSE(near(off.pixelColor(27, 10), Qt::white, 60));
    EXPECT_FALSE(near(off.pixelColor(27, 10), kit::accent(), 30));
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(18, 10));
    EXPECT_TRUE(toggle.isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(toggle.knob(), 1.0, 5000);
    const QImage on = look();
    EXPECT_TRUE(near(on.pixelColor(26, 10), Qt::white, 30));
    EXPECT_TRUE(near(on.pixelColor(4, 10), kit::accent(), 30));
    toggle.setChecked(false);  // a stored value changed elsewhere: straight back
    off = look();
    EXPECT_TRUE(near(off.pixelColor(10, 10), Qt::white, 30));
    EXPECT_FALSE(near(off.pixelColor(27, 10), Qt::white, 60));
}

// A click on a switch slides its knob across in the frames it draws, though the store it writes
// echoes the click back to it; a value changed elsewhere mid-way puts the knob at its end at once.
TEST_F(SettingsRender, AClickedSwitchSlidesAcrossInTheFramesItDraws) {
    world.store->set("soundOn", false);
    auto view = world.view(SettingsTab::world);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    auto* toggle = view->page()->findChild<TobbiToggle*>("soundOn");
    ASSERT_TRUE(toggle);
    struct Frames : QObject {
        TobbiToggle* toggle = nullptr;
        std::vector<double> knobs;  // where each frame drew the knob
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) knobs.push_back(toggle->knob());
            return false;
        }
    } frames;
    frames.toggle = toggle;
    toggle->installEventFilter(&frames);
    QTest::mouseClick(toggle, Qt::LeftButton, {}, toggle->rect().center());
    EXPECT_TRUE(world.store->boolValue("soundOn"));
    EXPECT_LT(toggle->knob(), 0.5) << "the knob jumped with the click";
    QTRY_VERIFY_WITH_TIMEOUT(!toggle->sliding() && !frames.knobs.empty() && frames.knobs.back() == 1.0, 10000);
    EXPECT_TRUE(std::any_of(frames.knobs.begin(), frames.knobs.end(), [](double k) { return k > 0 && k < 1; }))
        << "no frame between the ends of " << frames.knobs.size();

    toggle->click();  // sliding back to off...
    ASSERT_TRUE(toggle->sliding());
    world.store->set("soundOn", true);  // ...when the store is set on elsewhere
    EXPECT_FALSE(toggle->sliding());
    EXPECT_EQ(toggle->knob(), 1.0);
    EXPECT_TRUE(toggle->isChecked());
}

// Every symbol of the window shows its glyph, not the small dot drawn for a name the icon font
// lacks: each row's badge on every tab, and each tab's icon in the bar.
TEST_F(SettingsRender, EverySymbolShowsItsGlyphNotADot) {
    world.wallet->setEnabled(true);  // the Shop tab too
    // How far the white ink of a symbol drawn as a badge draws it spreads, across or down.
    const auto spread = [](const QString& symbol) {
        QImage img(26, 26, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::black);
        QPainter p(&img);
        kit::drawSymbol(p, symbol, QRectF(0, 0, 26, 26), 11.5, Qt::white);
        p.end();
        QRect ink;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) > 128) ink |= QRect(x, y, 1, 1);
        return std::max(ink.width(), ink.height());
    };
    const int dot = spread(QStringLiteral("no.such.symbol"));
    QStringList symbols;
    for (SettingsTab tab : allCases<SettingsTab>()) {
        auto view = world.view(tab);
        for (IconBadge* badge : view->page()->findChildren<IconBadge*>()) symbols << badge->symbol();
        for (const SettingsTabs::Tab& t : view->tabBar()->tabs()) symbols << t.icon;
    }
    symbols.removeDuplicates();
    ASSERT_GE(symbols.size(), 20);
    for (const QString& symbol : symbols) EXPECT_GE(spread(symbol), dot + 3) << symbol.toStdString() << " draws as a dot";
}

// A duration row shows its unit whole, in ink, before the menu's arrow.
TEST_F(SettingsRender, ADurationRowShowsItsUnitBeforeTheArrow) {
    world.store->set("kittenLengthSeconds", 2 * 86400.0);  // the widest unit
    auto view = world.view(SettingsTab::cat);
    const QImage img = shoot(*view, "duration-days");
    auto* field = view->page()->findChild<QWidget*>("kittenLengthSeconds");
    ASSERT_TRUE(field);
    auto* menu = field->findChild<QComboBox*>();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->currentText(), "days");
    const QRect r = inView(menu, *view);
    int ink = 0, rightmost = -1;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (near(img.pixelColor(x, y), kit::ink(), 40)) {
                ++ink;
                rightmost = std::max(rightmost, x);
            }
    EXPECT_GT(ink, 25);
    EXPECT_LT(rightmost, r.right() - 14) << "the arrow's place";
}

// Every amount reads whole in its box: the ink of its text spans the text's whole width, inside
// the box, for long amounts stored in each unit and seen as the window opens afresh, and for
// amounts typed with many fraction digits, with a decimal point or a decimal comma. The widened
// box keeps clear of its row's title, inside its card.
TEST_F(SettingsRender, EveryAmountReadsWholeInItsBox) {
    const QLocale before;
    const auto whole = [](TestSettingsView& view, const char* key, const std::string& want) {
        auto* field = view.page()->findChild<DurationField*>(key);
        ASSERT_TRUE(field);
        auto* box = field->findChild<QLineEdit*>();
        const std::string shows = (box->text() + ' ' + field->findChild<QComboBox*>()->currentText()).toStdString();
        EXPECT_EQ(shows, want);
        QCoreApplication::processEvents();  // the layout follows the box's text
        const QImage img = shoot(view, QStringLiteral("amount-") + box->text());
        const QRect r = inView(box, view);
        int left = r.right(), right = r.left();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (near(img.pixelColor(x, y), kit::ink(), 40)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        const int text = QFontMetrics(box->font()).tightBoundingRect(box->text()).width();
        EXPECT_GE(right - left + 1, text - 4) << shows << ": " << right - left + 1 << " of " << text << " px read";
        EXPECT_GT(left, r.left() + 2) << shows;
        EXPECT_LT(right, r.right() - 2) << shows;
        auto* row = qobject_cast<SettingsRow*>(field->parentWidget());
        ASSERT_TRUE(row);
        EXPECT_FALSE(inView(row->title(), view).intersects(inView(field, view))) << shows;
        EXPECT_TRUE(inView(row, view).contains(inView(field, view))) << shows;
        EXPECT_LE(inView(row, view).right(), TestSettingsView::width - 20) << shows;
    };
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German)}) {
        QLocale::setDefault(locale);
        const auto local = [&locale](std::string s) {
            std::replace(s.begin(), s.end(), '.', locale.decimalPoint().at(0).toLatin1());
            return s;
        };
        struct Stored { const char* key; double seconds; const char* shows; };
        for (Stored stored : {Stored{"beatLengthSeconds", 12.3456789, "12.3456789 sec"},
                              Stored{"beatLengthSeconds", 1000.5, "1000.5 sec"},
                              Stored{"kittenLengthSeconds", 90061, "90061 sec"},
                              Stored{"kittenLengthSeconds", 874800, "243 h"},
                              Stored{"kittenLengthSeconds", 315359999.125, "315359999.125 sec"}}) {
            world.store->set(stored.key, stored.seconds);
            auto view = world.view(SettingsTab::cat);
            view->show();
            whole(*view, stored.key, local(stored.shows));
        }
        auto view = world.view(SettingsTab::cat);
        view->show();
        auto* field = view->page()->findChild<DurationField*>("statDrainSeconds");
        auto* box = field->findChild<QLineEdit*>();
        struct Typed { DurationUnit unit; const char* text; const char* stored; };
        for (Typed typed : {Typed{DurationUnit::days, "10.125", "10.125"}, Typed{DurationUnit::minutes, "1.2345", "1.2345"},
                            Typed{DurationUnit::hours, "123.456789", "123.456789"},
                            Typed{DurationUnit::seconds, "31535999.1234567", "31535999.1234567"},
                            Typed{DurationUnit::seconds, "12345678.123456789012345", "12345678.1234568"}}) {
            field->editUnit(typed.unit);
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, QString::fromStdString(local(typed.text)));
            const std::string unit = std::string(" ") + rawValue(typed.unit).data();
            if (std::string(typed.text) == typed.stored) {
                whole(*view, "statDrainSeconds", local(typed.text) + unit);
            } else {  // more digits than a double holds: the row still keeps inside its card
                QCoreApplication::processEvents();
                shoot(*view, "typed-long");
                EXPECT_LE(inView(field->parentWidget(), *view).right(), TestSettingsView::width - 20) << typed.text;
            }
            emit box->editingFinished();
            whole(*view, "statDrainSeconds", local(typed.stored) + unit);
        }
    }
    QLocale::setDefault(before);
}

// The weather's source is never broken at its hyphen, at any width: no line may break inside it.
TEST_F(SettingsRender, TheCreditsNeverBreakTheWeatherSourceAtItsHyphen) {
    auto view = world.view(SettingsTab::about);
    QString text;
    for (QLabel* label : view->page()->findChildren<QLabel*>())
        if (label->text().contains("Weather by")) text = label->text();
    EXPECT_TRUE(QString(text).remove(QChar(0x2060)).contains("Weather by Open-Meteo.")) << text.toStdString();
    const int name = int(text.indexOf("Open-")), end = int(text.indexOf("Meteo", name)) + 5;
    ASSERT_GE(name, 0);
    QTextBoundaryFinder lines(QTextBoundaryFinder::Line, text);
    for (int at = name + 1; at < end; ++at) {
        lines.setPosition(at);
        EXPECT_FALSE(lines.isAtBoundary()) << "a line may start at " << text.mid(at, end - at).toStdString();
    }
}

// The rows of a card are parted by hairlines that start where the row titles start.
TEST_F(SettingsRender, RowsArePartedByHairlinesFromTheirTitles) {
    auto view = world.view(SettingsTab::desktop);
    const QImage img = shoot(*view, "dividers");
    int seen = 0;
    for (RowDivider* divider : view->page()->findChildren<RowDivider*>()) {
        if (!divider->isVisible()) continue;
        ++seen;
        const QRect d = inView(divider, *view);
        auto* title = view->page()->findChild<SettingsRow*>("mischiefRow")->title();
        const int titleLeft = inView(title, *view).left();
        const int y = d.top();
        EXPECT_EQ(count(img, QRect(titleLeft + 2, y, d.right() - titleLeft - 4, 1), kit::line(), 4),
                  d.right() - titleLeft - 4);
        EXPECT_EQ(count(img, QRect(d.left() + 2, y, titleLeft - d.left() - 6, 1), kit::card(), 4),
                  titleLeft - d.left() - 6);
    }
    EXPECT_GE(seen, 3);
}
