#include "onboarding/OnboardArt.h"
#include "onboarding/OnboardKit.h"
#include "onboarding/OnboardingContent.h"
#include "onboarding/TobbiOnboardingView.h"
#include "RenderSupport.h"

#include "app/AppLinks.h"
#include "core/BotFace.h"
#include "core/Notifications.h"
#include "cat/Closet.h"
#include "life/SkyClock.h"
#include "life/SkyModel.h"
#include "platform/InputIdle.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "support/Scratch.h"
#include "support/ThreadTime.h"

#include <QKeyEvent>
#include <QPaintDevice>
#include <QPaintEngine>

#include <gtest/gtest.h>

#include <any>
#include <cmath>

namespace kp {
namespace {

using Kind = TobbiOnboardingView::Control::Kind;

// The app around the pages, all of it in the test's hands.
struct Rig {
    test::ScratchStore store;
    NotificationCenter hub;
    ManualClock clock{800000000.0, 100.0};
    ManualScheduler scheduler;
    QString islandName = QStringLiteral("Tobbi");
    SkyModel::Status::Kind sky = SkyModel::Status::Kind::off;
    int skyStarts = 0;
    std::vector<QUrl> opened;
    std::vector<PetSound> sounds;
    std::vector<std::string> music;
    bool inStory = false;
    std::function<void()> fadeDone;
    int done = 0;
    std::vector<BotEmote> emotes;
    QString clipboard;
    Subscription doneSub{hub, note::onboardingDone, [this](const std::any&) { ++done; }};
    Subscription emoteSub{hub, note::triggerEmote, [this](const std::any& o) {
                              if (const auto* e = std::any_cast<BotEmote>(&o)) emotes.push_back(*e);
                          }};

    OnboardingServices services() {
        OnboardingServices s;
        s.store = store.store.get();
        s.hub = &hub;
        s.clock = &clock;
        s.scheduler = &scheduler;
        s.petName = [this] { return islandName; };
        s.setPetName = [this](const QString& n) { islandName = n; };
        s.skyStatus = [this] { return sky; };
        s.skyStatusText = [this] {
            SkyModel::Status st;
            switch (sky) {
                case SkyModel::Status::Kind::asking: st = SkyModel::Status::asking(); break;
                case SkyModel::Status::Kind::denied: st = SkyModel::Status::denied(); break;
                case SkyModel::Status::Kind::failed: st = SkyModel::Status::failed(); break;
                case SkyModel::Status::Kind::live: st = SkyModel::Status::live(QStringLiteral("light rain")); break;
                default: st = SkyModel::Status::off(); break;
            }
            return SkyModel::statusText(st);
        };
        s.skyLook = [] { return SkyLook{SkyTime::night, SkyWeather::rain}; };
        s.skyStart = [this] {
            ++skyStarts;
            sky = SkyModel::Status::Kind::asking;
        };
        s.openUrl = [this](const QUrl& u) { opened.push_back(u); };
        s.clipboardText = [this] { return clipboard; };
        s.audio.playSound = [this](PetSound p) { sounds.push_back(p); };
        s.audio.playStory = [this](double) {
            inStory = true;
            music.push_back("story");
        };
        s.audio.inStory = [this] { return inStory; };
        s.audio.fadeOut = [this](double seconds, std::function<void()> then) {
            music.push_back("fade " + std::to_string(seconds).substr(0, 3));
            fadeDone = std::move(then);
        };
        s.audio.endStory = [this] {
            inStory = false;
            music.push_back("end");
        };
        return s;
    }

    void advance(double seconds) {
        clock.advance(seconds);
        scheduler.advance(seconds);
    }
};

const QRectF kRect(0, 0, 640, 180);

QImage render(TobbiOnboardingView& v, Rig& rig) {
    return test::renderImage(640, 180, [&](QPainter& p) { v.paint(p, kRect, rig.clock.now()); });
}

const TobbiOnboardingView::Control* find(const TobbiOnboardingView& v, Kind kind) {
    for (const auto& c : v.controls())
        if (c.kind == kind) return &c;
    return nullptr;
}

void press(TobbiOnboardingView& v, Kind kind) {
    const auto* c = find(v, kind);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(v.mousePress(c->rect.center(), kRect));
}

// A view past its film, settled on its first page.
std::unique_ptr<TobbiOnboardingView> pagesOnly(Rig& rig) {
    auto v = std::make_unique<TobbiOnboardingView>(rig.services());
    if (v->inStory()) {
        render(*v, rig);
        v->story()->finish();
        rig.advance(1.0);
        render(*v, rig);
    }
    return v;
}

TEST(OnboardingStory, FirstRunPlaysTheFilmThenThePages) {
    Rig rig;
    TobbiOnboardingView v(rig.services());
    EXPECT_TRUE(v.newCat());
    ASSERT_TRUE(v.inStory());
    EXPECT_FALSE(v.wantsKeyboard());
    render(v, rig);  // on screen: the film begins
    EXPECT_EQ(rig.music, std::vector<std::string>{"story"});
    rig.advance(5.05);
    EXPECT_EQ(rig.sounds, std::vector<PetSound>{PetSound::mew});
    rig.advance(15.4);  // 20.45 s
    EXPECT_EQ(rig.sounds, (std::vector<PetSound>{PetSound::mew, PetSound::mew, PetSound::trill}));
    rig.advance(4.8);  // past 25.2 s: it finishes on its own
    EXPECT_TRUE(v.story() == nullptr || v.story()->finished());
    EXPECT_FALSE(v.inStory());
    EXPECT_EQ(rig.music, (std::vector<std::string>{"story", "fade 1.4"}));
    ASSERT_TRUE(rig.fadeDone);
    rig.fadeDone();
    EXPECT_FALSE(rig.inStory);
    // The pages begin at page 0 with t = 0; the name field wants the keyboard.
    EXPECT_EQ(v.page(), 0);
    EXPECT_TRUE(v.wantsKeyboard());
    rig.advance(1.0);
    render(v, rig);
    EXPECT_EQ(v.story(), nullptr);  // gone after its fade
}

TEST(OnboardingStory, TheFilmEndsOnItsOwnClockNotOnAnEarlyTimer) {
    Rig rig;
    TobbiOnboardingView v(rig.services());
    render(v, rig);
    // The deadline's timer comes 0.6 s before the film's clock reaches its end.
    rig.clock.advance(24.6);
    rig.scheduler.advance(25.2);
    EXPECT_TRUE(v.inStory());
    EXPECT_GT(story::endCardOpacity(v.story()->filmTime()), 0.0);  // the card is still fading
    render(v, rig);
    EXPECT_TRUE(v.inStory());
    // It ends at 25.2 s: by the timer waiting again, or by the first frame after it.
    rig.clock.advance(0.6);
    render(v, rig);
    EXPECT_FALSE(v.inStory());
    Rig other;
    TobbiOnboardingView w(other.services());
    render(w, other);
    other.clock.advance(24.6);
    other.scheduler.advance(25.2);
    other.clock.advance(0.6);
    other.scheduler.advance(0.61);
    EXPECT_FALSE(w.inStory());
}

TEST(OnboardingStory, FramesArmNoTimers) {
    // Sixty frames a second for the whole film: the three cues and the one deadline stay all that
    // is waiting, and the film still ends on time.
    Rig rig;
    TobbiOnboardingView v(rig.services());
    render(v, rig);
    const std::size_t armed = rig.scheduler.pendingCount();
    for (int frame = 0; frame < 60 * 24; ++frame) {
        rig.advance(1.0 / 60);
        render(v, rig);
        ASSERT_LE(rig.scheduler.pendingCount(), armed);
    }
    EXPECT_TRUE(v.inStory());
    rig.advance(1.3);
    EXPECT_FALSE(v.inStory());
}

TEST(OnboardingStory, SkipSilencesTheCuesAndFinishesOnce) {
    Rig rig;
    TobbiOnboardingView v(rig.services());
    render(v, rig);
    rig.advance(3.0);
    // Skip sits at the top trailing corner.
    EXPECT_TRUE(v.hitTest(QPointF(600, 18), kRect));
    EXPECT_TRUE(v.mousePress(QPointF(600, 18), kRect));
    EXPECT_FALSE(v.inStory());
    EXPECT_DOUBLE_EQ(v.story()->filmTime(), 25.2);
    rig.advance(30);
    EXPECT_TRUE(rig.sounds.empty());
    EXPECT_EQ(rig.music, (std::vector<std::string>{"story", "fade 1.4"}));
    EXPECT_EQ(rig.done, 0);  // the film's Skip leads to the pages, not out
}

TEST(OnboardingStory, SkipBetweenTheMewsAndTheTrill) {
    Rig rig;
    TobbiStory s(rig.clock, rig.scheduler, rig.services().audio, [] {});
    int done = 0;
    TobbiStory counted(rig.clock, rig.scheduler, rig.services().audio, [&] { ++done; });
    counted.begin();
    rig.advance(18.0);
    EXPECT_EQ(rig.sounds.size(), 2u);
    counted.finish();
    counted.finish();
    rig.advance(10);
    EXPECT_EQ(rig.sounds.size(), 2u);
    EXPECT_EQ(done, 1);
}

TEST(OnboardingStory, LeavingMidFilmHandsTheMusicBack) {
    Rig rig;
    {
        TobbiOnboardingView v(rig.services());
        render(v, rig);
        rig.advance(4);
    }
    EXPECT_EQ(rig.music, (std::vector<std::string>{"story", "fade 1.4"}));
    rig.advance(30);  // the queued cues and deadline find nothing to do
    EXPECT_TRUE(rig.sounds.empty());
    EXPECT_EQ(rig.done, 0);
}

TEST(OnboardingFlow, ShowAgainSkipsTheFilmAndTheQuestions) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    rig.store->set(QStringLiteral("catBreed"), QStringLiteral("maineCoon"));
    rig.islandName = QStringLiteral("Miso");
    TobbiOnboardingView v(rig.services());
    EXPECT_FALSE(v.inStory());
    EXPECT_FALSE(v.newCat());
    EXPECT_EQ(v.pageTitle(), QStringLiteral("Hi, I'm Miso!"));
    EXPECT_EQ(find(v, Kind::field), nullptr);
    EXPECT_FALSE(v.wantsKeyboard());
    press(v, Kind::next);
    EXPECT_EQ(v.pageTitle(), QStringLiteral("I'm a maine coon!"));
    EXPECT_EQ(v.pageBody(), QStringLiteral("A big fluffy gentle giant."));
    EXPECT_EQ(find(v, Kind::swatch), nullptr);
}

TEST(OnboardingText, TheArticleFollowsTheBreedsFirstSound) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    rig.store->set(QStringLiteral("catBreed"), QStringLiteral("orangeTabby"));
    TobbiOnboardingView v(rig.services());
    v.nextPage();
    EXPECT_EQ(v.pageTitle(), QStringLiteral("I'm an orange tabby!"));
    EXPECT_EQ(onboard::withArticle(QStringLiteral("tuxedo")), QStringLiteral("a tuxedo"));
    EXPECT_EQ(onboard::withArticle(QStringLiteral("Egyptian Mau")), QStringLiteral("an Egyptian Mau"));
    EXPECT_EQ(onboard::withArticle(QStringLiteral("unicorn")), QStringLiteral("a unicorn"));
    EXPECT_EQ(onboard::withArticle(QStringLiteral("hour-old kitten")), QStringLiteral("an hour-old kitten"));
}

TEST(OnboardingText, ThePagesNameWhatIsHere) {
    for (const bool tray : {true, false}) {
        Rig rig;
        rig.store->set(QStringLiteral("onboardedV1"), true);
        OnboardingServices s = rig.services();
        s.trayShown = [tray] { return tray; };
        TobbiOnboardingView v(s);
        for (int i = 0; i < 4; ++i) v.nextPage();
        // The phone page names no vendor's phone, and its link goes to the product's site.
        for (const char* word : {"iPhone", "Dynamic Island", "Home Screen"}) {
            EXPECT_FALSE(v.pageTitle().contains(QLatin1String(word))) << word;
            EXPECT_FALSE(v.pageBody().contains(QLatin1String(word))) << word;
        }
        press(v, Kind::seeIt);
        EXPECT_EQ(rig.opened, std::vector<QUrl>{websiteURL()});
        // The last page sends people to the menu where it is now.
        v.nextPage();
        EXPECT_FALSE(v.pageBody().contains(QStringLiteral("menu bar")));
        EXPECT_EQ(v.pageBody().contains(QStringLiteral("the tray icon's menu.")), tray);
        EXPECT_EQ(v.pageBody().contains(QStringLiteral("the island's right-click menu: right-click the very top "
                                                       "centre of the screen")),
                  !tray)
            << "without a tray, where the menu is";
    }
}

TEST(OnboardingText, ADeniedLocationIsToldInFullAboveTheButtons) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    TobbiOnboardingView v(rig.services());
    for (int i = 0; i < 3; ++i) v.nextPage();
    press(v, Kind::useLocation);
    rig.sky = SkyModel::Status::Kind::denied;
    const QString told = v.locationStatusText();
    EXPECT_EQ(told, QStringLiteral("Location is off for this app: allow it in your desktop's privacy settings "
                                   "(Location Services) or its location agent."));
    const onboard::FittedText fit = v.locationStatusFit();
    EXPECT_EQ(fit.text, told);  // whole, not cut
    EXPECT_TRUE(fit.whole);
    EXPECT_GE(fit.font.pixelSize(), 10);
    const QFontMetricsF fm(fit.font);
    const QRectF used = fm.boundingRect(QRectF(0, 0, fit.box.width(), 1e6), Qt::TextWordWrap, told)
                            .translated(fit.box.topLeft());
    const QRectF page(0, 0, TobbiOnboardingView::kWidth, TobbiOnboardingView::kHeight);
    EXPECT_TRUE(page.contains(used));
    for (const auto& c : v.controls()) EXPECT_FALSE(used.intersects(c.rect)) << int(c.kind);
    // Drawn: the warning colour only in the status's place (icon included), never on a button.
    for (int i = 0; i < 30; ++i) rig.advance(0.05);
    const QImage img = render(v, rig);
    const QRectF place = used.adjusted(-17, -2, 1, 2);
    int warm = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 290; x < img.width(); ++x) {  // the text side; the cat on the left is orange too
            const QColor c = img.pixelColor(x, y);
            if (std::abs(c.red() - 0xF4) < 12 && std::abs(c.green() - 0xB2) < 12 && std::abs(c.blue() - 0x6A) < 12) {
                ++warm;
                EXPECT_TRUE(place.contains(QPointF(x + 0.5, y + 0.5))) << x << "," << y;
            }
        }
    EXPECT_GT(warm, 20);
}

TEST(OnboardingText, TextIsFittedBySmallerFontsBeforeCutting) {
    QFont base = onboard::roundedFont(10, QFont::Bold);
    const QString text = QStringLiteral("A rather long sentence that cannot fit two lines at ten pixels in a box this narrow.");
    const onboard::FittedText roomy = onboard::fitText(text, base, QRectF(0, 0, 600, 40), 7);
    EXPECT_EQ(roomy.font.pixelSize(), 10);
    EXPECT_EQ(roomy.text, text);
    const onboard::FittedText tight = onboard::fitText(text, base, QRectF(0, 0, 200, 24), 7);
    EXPECT_LT(tight.font.pixelSize(), 10);
    EXPECT_GE(tight.font.pixelSize(), 7);
    EXPECT_EQ(tight.text, text);
    const onboard::FittedText cut = onboard::fitText(text, base, QRectF(0, 0, 80, 10), 7);
    EXPECT_EQ(cut.font.pixelSize(), 7);
    EXPECT_TRUE(cut.text.endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetricsF(cut.font).boundingRect(QRectF(0, 0, 80, 1e6), Qt::TextWordWrap, cut.text).height(),
              QFontMetricsF(cut.font).height() + 0.5);
}

TEST(OnboardingFlow, PagesMoveForwardAndEnd) {
    Rig rig;
    auto v = pagesOnly(rig);
    EXPECT_EQ(v->pageTitle(), QStringLiteral("Hi! What's my name?"));
    press(*v, Kind::next);
    EXPECT_EQ(v->pageBody(), QStringLiteral("Orange tabby. The original. Stripes, and always hungry. This one's for life too."));
    press(*v, Kind::next);
    press(*v, Kind::next);
    ASSERT_EQ(v->page(), 3);
    EXPECT_NE(find(*v, Kind::notNow), nullptr);
    EXPECT_EQ(find(*v, Kind::next), nullptr);
    press(*v, Kind::notNow);
    EXPECT_EQ(v->page(), 4);
    EXPECT_FALSE(rig.store->contains(QStringLiteral("liveWeather")));
    press(*v, Kind::seeIt);
    ASSERT_EQ(rig.opened.size(), 1u);
    EXPECT_EQ(rig.opened[0], websiteURL());
    EXPECT_EQ(v->page(), 4);
    press(*v, Kind::next);
    EXPECT_EQ(v->page(), 5);
    EXPECT_EQ(find(*v, Kind::skip), nullptr);
    EXPECT_EQ(find(*v, Kind::next), nullptr);
    v->nextPage();
    EXPECT_EQ(v->page(), 5);
    EXPECT_EQ(rig.done, 0);
    press(*v, Kind::letsGo);
    EXPECT_EQ(rig.done, 1);
    // Nothing of the island's is stored here.
    EXPECT_FALSE(rig.store->contains(QStringLiteral("onboardedV1")));
}

TEST(OnboardingFlow, SkipOnTheFirstPageLeavesAtOnce) {
    Rig rig;
    auto v = pagesOnly(rig);
    press(*v, Kind::skip);
    EXPECT_EQ(rig.done, 1);
    EXPECT_FALSE(rig.store->contains(QStringLiteral("petName")));
}

TEST(OnboardingFlow, LocationConsent) {
    Rig rig;
    auto v = pagesOnly(rig);
    for (int i = 0; i < 3; ++i) v->nextPage();
    press(*v, Kind::useLocation);
    EXPECT_TRUE(v->askedLocation());
    EXPECT_TRUE(rig.store->boolValue(QStringLiteral("liveWeather")));
    EXPECT_EQ(rig.skyStarts, 1);
    EXPECT_EQ(v->page(), 3);
    EXPECT_EQ(v->locationStatusText(), QStringLiteral("Waiting for permission\u2026"));
    EXPECT_EQ(find(*v, Kind::useLocation), nullptr);
    EXPECT_NE(find(*v, Kind::next), nullptr);
    rig.sky = SkyModel::Status::Kind::denied;
    rig.advance(0.5);
    test::keepRender(render(*v, rig), QStringLiteral("page-3-denied"));
    press(*v, Kind::next);
    EXPECT_EQ(v->page(), 4);
}

TEST(OnboardingFlow, EveryShowingStartsAfresh) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    for (int showing = 1; showing <= 2; ++showing) {
        TobbiOnboardingView v(rig.services());
        EXPECT_EQ(v.page(), 0);
        EXPECT_FALSE(v.askedLocation());
        for (int i = 0; i < 3; ++i) v.nextPage();
        EXPECT_NE(find(v, Kind::useLocation), nullptr);
        press(v, Kind::useLocation);
        EXPECT_EQ(rig.skyStarts, showing);
        rig.sky = SkyModel::Status::Kind::live;
        EXPECT_EQ(v.locationStatusText(), QStringLiteral("Live: light rain."));
    }
}

TEST(OnboardingFlow, BreedPickStoresPostsAndBounces) {
    Rig rig;
    rig.store->set(QStringLiteral("catBreed"), QStringLiteral("lion"));
    auto v = pagesOnly(rig);
    v->nextPage();
    EXPECT_EQ(v->breed(), CatBreed::orange);  // an unknown breed reads as orange
    int swatches = 0;
    const TobbiOnboardingView::Control* siamese = nullptr;
    for (const auto& c : v->controls())
        if (c.kind == Kind::swatch) {
            ++swatches;
            if (c.breed == CatBreed::siamese) siamese = &c;
        }
    EXPECT_EQ(swatches, 10);
    ASSERT_NE(siamese, nullptr);
    const QPointF at = siamese->rect.center();
    v->mouseMove(at, kRect);
    EXPECT_EQ(v->hoveredBreed(), CatBreed::siamese);
    rig.advance(0.5);
    test::keepRender(render(*v, rig), QStringLiteral("page-1-hover"));
    EXPECT_TRUE(v->hitTest(at, kRect));
    EXPECT_FALSE(v->hitTest(QPointF(100, 20), kRect));
    EXPECT_TRUE(v->mousePress(at, kRect));
    EXPECT_EQ(rig.store->string(QStringLiteral("catBreed")), QStringLiteral("siamese"));
    EXPECT_EQ(rig.emotes, std::vector<BotEmote>{BotEmote::happy});
    EXPECT_TRUE(v->pageBody().startsWith(QStringLiteral("Siamese. Blue eyes")));
    EXPECT_EQ(v->pageTitle(), QStringLiteral("What kind of cat am I?"));
    // A breed stored elsewhere shows at once.
    rig.store->set(QStringLiteral("catBreed"), QStringLiteral("black"));
    EXPECT_EQ(v->breed(), CatBreed::black);
    EXPECT_DOUBLE_EQ(onboard::pickBounce(0.225), 1.0);
    EXPECT_DOUBLE_EQ(onboard::pickBounce(0.45), 0.0);
    EXPECT_DOUBLE_EQ(onboard::pickBounce(1e9), 0.0);
}

// Every control of a page inside the page and clear of every other; a press on the middle of
// each does that control's work (on the breed page, "Next" moves on and picks no breed).
void expectApart(TobbiOnboardingView& v, const std::string& where) {
    const QRectF page(0, 0, TobbiOnboardingView::kWidth, TobbiOnboardingView::kHeight);
    const auto& cs = v.controls();
    for (std::size_t i = 0; i < cs.size(); ++i) {
        EXPECT_TRUE(page.contains(cs[i].rect)) << where << " control " << int(cs[i].kind);
        for (std::size_t j = i + 1; j < cs.size(); ++j)
            EXPECT_FALSE(cs[i].rect.intersects(cs[j].rect))
                << where << ": " << int(cs[i].kind) << " overlaps " << int(cs[j].kind);
    }
}

TEST(OnboardingLayout, NoTwoControlsOverlapOnAnyPage) {
    Rig rig;
    auto v = pagesOnly(rig);
    expectApart(*v, "name");
    v->nextPage();
    for (const CatBreed b : allCases<CatBreed>()) {  // each breed brings its own body text
        v->pickBreed(b);
        expectApart(*v, "breed " + std::string(rawValue(b)));
    }
    const auto* next = find(*v, Kind::next);
    ASSERT_NE(next, nullptr);
    const CatBreed picked = v->breed();
    for (const QPointF at : {next->rect.center(), next->rect.topLeft() + QPointF(2, 2)}) {
        if (v->page() != 1) break;
        EXPECT_TRUE(v->mousePress(at, kRect));
    }
    EXPECT_EQ(v->page(), 2);
    EXPECT_EQ(v->breed(), picked);
    expectApart(*v, "care");
    v->nextPage();
    expectApart(*v, "weather");
    press(*v, Kind::useLocation);
    using S = SkyModel::Status::Kind;
    for (const S sky : {S::asking, S::denied, S::failed, S::live}) {
        rig.sky = sky;
        expectApart(*v, "weather asked");
        // The answer is told whole, at a readable size, clear of the buttons.
        const onboard::FittedText fit = v->locationStatusFit();
        EXPECT_TRUE(fit.whole) << int(sky);
        EXPECT_GE(fit.font.pixelSize(), 10);
        const QRectF used = QFontMetricsF(fit.font)
                                .boundingRect(QRectF(0, 0, fit.box.width(), 1e6), Qt::TextWordWrap, fit.text)
                                .translated(fit.box.topLeft());
        for (const auto& c : v->controls()) EXPECT_FALSE(used.intersects(c.rect)) << int(c.kind);
    }
    v->nextPage();
    expectApart(*v, "phone");
    v->nextPage();
    expectApart(*v, "last");
    Rig again;
    again.store->set(QStringLiteral("onboardedV1"), true);
    TobbiOnboardingView replay(again.services());
    for (int i = 0; i <= TobbiOnboardingView::kLastPage; ++i, replay.nextPage())
        expectApart(replay, "replay " + std::to_string(i));
}

// Every text a frame draws, with the box its line takes on the page, as a person reads it.
struct DrawnText {
    QString text;
    QRectF box;
    int pixels;
};

class TextRecorder final : public QPaintDevice {
public:
    std::vector<DrawnText> texts;
    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth: return 640;
            case PdmHeight: return 180;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY: return 96;
            case PdmDepth: return 32;
            case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
            default: return 1;
        }
    }

private:
    struct Engine final : QPaintEngine {
        TextRecorder* owner;
        QTransform transform;
        explicit Engine(TextRecorder* o) : QPaintEngine(QPaintEngine::AllFeatures), owner(o) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override {
            if (state.state() & DirtyTransform) transform = state.transform();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawRects(const QRectF*, int) override {}
        void drawEllipse(const QRectF&) override {}
        void drawLines(const QLineF*, int) override {}
        void drawTextItem(const QPointF& at, const QTextItem& item) override {
            const QRectF line(at.x(), at.y() - item.ascent(), item.width(), item.ascent() + item.descent());
            owner->texts.push_back({item.text(), transform.mapRect(line), item.font().pixelSize()});
        }
        Type type() const override { return User; }
    };
    mutable Engine engine_{this};
};

std::vector<DrawnText> drawnTexts(TobbiOnboardingView& v, Rig& rig) {
    TextRecorder page;
    {
        QPainter p(&page);
        v.paint(p, kRect, rig.clock.now());
    }
    std::erase_if(page.texts, [](const DrawnText& t) { return t.text.trimmed().isEmpty(); });
    return page.texts;
}

QString squeezed(QString s) { return s.remove(QLatin1Char(' ')); }

// No two texts of the page overlap, and the body is drawn whole, its ink plain to see.
void expectReadable(TobbiOnboardingView& v, Rig& rig, const std::string& where) {
    const std::vector<DrawnText> texts = drawnTexts(v, rig);
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = i + 1; j < texts.size(); ++j)
            EXPECT_FALSE(texts[i].box.adjusted(0.5, 0.5, -0.5, -0.5).intersects(texts[j].box.adjusted(0.5, 0.5, -0.5, -0.5)))
                << where << ": \"" << texts[i].text.toStdString() << "\" over \"" << texts[j].text.toStdString() << "\"";
    QString all;
    QRectF body;
    const QString wanted = squeezed(v.pageBody());
    for (const DrawnText& t : texts) {
        const QString piece = squeezed(t.text);
        if (wanted.contains(piece) && piece.size() > 8) body |= t.box;
        all += piece;
    }
    EXPECT_TRUE(all.contains(wanted)) << where << ": the body is not drawn whole";
    const QImage img = render(v, rig);
    test::keepRender(test::renderImage(640, 180, [&](QPainter& p) { v.paint(p, kRect, rig.clock.now()); }, 2.0),
                     QString::fromStdString("readable-" + where).replace(QLatin1Char(' '), QLatin1Char('-')));
    int ink = 0;
    for (int y = int(body.top()); y < int(body.bottom()); ++y)
        for (int x = int(body.left()); x < int(body.right()); ++x)
            if (test::luminance(img.pixel(x, y)) > 150) ++ink;
    EXPECT_GT(ink, 200) << where << ": the body's ink";
}

// Page 1 with the pointer resting on each swatch, page 3 after "Use my location" in every answer:
// the question stays, with the status below it in 10-pixel type on at most two lines.
TEST(OnboardingLayout, TheTextsOfThePagesNeverOverlap) {
    Rig rig;
    auto v = pagesOnly(rig);
    v->nextPage();
    rig.advance(2.0);
    expectReadable(*v, rig, "breeds");
    for (const auto& c : std::vector<TobbiOnboardingView::Control>(v->controls())) {
        if (c.kind != Kind::swatch) continue;
        v->mouseMove(c.rect.center(), kRect);
        expectReadable(*v, rig, "hovering " + std::string(rawValue(c.breed)));
        bool tip = false;
        for (const DrawnText& t : drawnTexts(*v, rig)) tip |= t.text == QString::fromUtf8(displayName(c.breed).data(), qsizetype(displayName(c.breed).size()));
        EXPECT_TRUE(tip) << rawValue(c.breed);
    }
    v->mouseLeave();
    v->nextPage();
    v->nextPage();
    rig.advance(2.5);  // between two of the window's looks, not in their cross-fade
    expectReadable(*v, rig, "weather");
    press(*v, Kind::useLocation);
    rig.advance(0.8);
    using S = SkyModel::Status::Kind;
    for (const S sky : {S::asking, S::denied, S::failed, S::live}) {
        rig.sky = sky;
        const std::string where = "weather asked " + std::to_string(int(sky));
        expectReadable(*v, rig, where);
        const QString status = squeezed(v->locationStatusText());
        std::vector<double> lines;
        for (const DrawnText& t : drawnTexts(*v, rig)) {
            if (!status.contains(squeezed(t.text))) continue;
            EXPECT_EQ(t.pixels, 10) << where;
            if (std::find(lines.begin(), lines.end(), t.box.top()) == lines.end()) lines.push_back(t.box.top());
        }
        EXPECT_GE(lines.size(), 1u) << where;
        EXPECT_LE(lines.size(), 2u) << where;
    }
}

QKeyEvent key(int k, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    return QKeyEvent(QEvent::KeyPress, k, mods, text);
}

TEST(OnboardingName, TypingStoresEveryKeystroke) {
    Rig rig;
    auto v = pagesOnly(rig);
    ASSERT_TRUE(v->wantsKeyboard());
    for (const char c : std::string("Mochi")) {
        auto e = key(Qt::Key_A, QString(QChar(c)));
        EXPECT_TRUE(v->keyPress(&e));
    }
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Mochi"));
    EXPECT_EQ(rig.islandName, QStringLiteral("Mochi"));
    rig.advance(0.1);
    const QImage typed = render(*v, rig);
    test::keepRender(typed, QStringLiteral("page-0-typed"));
    // The typed name shows light inside the field; the placeholder is gone.
    const auto* field = find(*v, Kind::field);
    ASSERT_NE(field, nullptr);
    int light = 0;
    for (int x = int(field->rect.left()) + 10; x < int(field->rect.left()) + 70; ++x)
        for (int y = int(field->rect.top()) + 4; y < int(field->rect.bottom()) - 4; ++y)
            if (test::luminance(typed.pixel(x, y)) > 200) ++light;
    EXPECT_GT(light, 40);
    auto left = key(Qt::Key_Left);
    v->keyPress(&left);
    auto bs = key(Qt::Key_Backspace);
    v->keyPress(&bs);
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Moci"));
    auto end = key(Qt::Key_End);
    v->keyPress(&end);
    for (int i = 0; i < 6; ++i) v->keyPress(&bs);
    // Cleared: stored empty, the island falls back to the default name.
    EXPECT_TRUE(rig.store->contains(QStringLiteral("petName")));
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QString());
    EXPECT_EQ(rig.islandName, QStringLiteral("Tobbi"));
    // Blanks stay as typed.
    auto space = key(Qt::Key_Space, QStringLiteral("  "));
    v->keyPress(&space);
    EXPECT_EQ(rig.islandName, QStringLiteral("  "));
}

TEST(OnboardingName, EmojiAndAccentsAreKeptWholeAndErasedWhole) {
    Rig rig;
    auto v = pagesOnly(rig);
    const QString cat = QStringLiteral("\U0001F431");                          // one code point, two units
    const QString cook = QStringLiteral("\U0001F469\u200D\U0001F373");         // joined: one character
    const QString accented = QStringLiteral("e\u0301");                       // e and a combining acute
    v->typeText(QStringLiteral("Mo") + cat);
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Mo") + cat);
    EXPECT_EQ(rig.islandName, QStringLiteral("Mo") + cat);
    v->typeText(cook + accented + QStringLiteral("\u0007"));  // a bell is not part of a name
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Mo") + cat + cook + accented);
    // Backspace, Left and Delete each take one whole character.
    auto bs = key(Qt::Key_Backspace);
    v->keyPress(&bs);
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Mo") + cat + cook);
    auto left = key(Qt::Key_Left);
    v->keyPress(&left);
    auto del = key(Qt::Key_Delete);
    v->keyPress(&del);
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Mo") + cat);
    v->keyPress(&bs);
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Mo"));
    // The limit counts characters as read: 22 letters and two emoji fill it, a third does not fit.
    v->typeText(QString(20, QLatin1Char('a')) + cat + cat + cat);
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("Mo") + QString(20, QLatin1Char('a')) + cat + cat);
}

TEST(OnboardingName, TheLongestNameFitsTheReplayTitle) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    rig.islandName = QString(TobbiOnboardingView::kNameLimit, QLatin1Char('W'));
    TobbiOnboardingView v(rig.services());
    const QImage img = render(v, rig);
    test::keepRender(img, QStringLiteral("replay-long-name"));
    // The title's light letters reach towards the column's end but not into the page's margin.
    int inColumn = 0;
    for (int y = 46; y < 68; ++y) {
        for (int x = 560; x < 620; ++x)
            if (test::luminance(img.pixel(x, y)) > 180) ++inColumn;
        for (int x = 622; x < 640; ++x) EXPECT_LT(test::luminance(img.pixel(x, y)), 120) << x << "," << y;
    }
    EXPECT_GT(inColumn, 20);
}

TEST(OnboardingName, PasteIsOneLineAndLimited) {
    Rig rig;
    auto v = pagesOnly(rig);
    rig.clipboard = QStringLiteral("  Sir Pounce\u0007alot the Third of Kettle Lane\nsecond line");
    v->paste();
    const QString name = rig.store->string(QStringLiteral("petName"));
    EXPECT_EQ(name.size(), TobbiOnboardingView::kNameLimit);
    EXPECT_TRUE(name.startsWith(QStringLiteral("Sir Pouncealot")));
    EXPECT_FALSE(name.contains(QLatin1Char('\n')));
    auto more = key(Qt::Key_X, QStringLiteral("x"));
    v->keyPress(&more);
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), name);
    // Control shortcuts other than paste are not typed.
    auto ctrl = key(Qt::Key_S, QStringLiteral("\u0013"), Qt::ControlModifier);
    EXPECT_FALSE(v->keyPress(&ctrl));
    // Off the name page the keys are not taken.
    v->nextPage();
    auto a = key(Qt::Key_A, QStringLiteral("a"));
    EXPECT_FALSE(v->keyPress(&a));
}

// A paste is read only as far as a name can reach: a line of twenty million characters is typed as
// its start would be, at once, and a character is never kept in part.
TEST(OnboardingName, AHugePasteKeepsWhatItsStartKeepsAtOnce) {
    const QString cat = QStringLiteral("\U0001F431");
    const QString cook = QStringLiteral("\U0001F469\u200D\U0001F373");
    const QString piece = QStringLiteral("Sir ") + cat + cook + QStringLiteral("e\u0301\u0007-");  // 8 and a bell
    QString line = QStringLiteral(" \t ");
    line.reserve(20'000'100);
    while (line.size() < 20'000'000) line += piece;
    line += QStringLiteral("\nsecond line");
    const QString threePieces = QString(piece + piece + piece).remove(QChar(0x7));
    QString heavy;  // letters under three hundred accents each
    for (int i = 0; i < 30; ++i) heavy += QChar(u'a' + i % 26) + QString(300, QChar(0x301));

    const std::vector<std::pair<QString, QString>> pastes = {
        {line, threePieces},
        {line.left(200), threePieces},
        {QString(20'000'000, QLatin1Char(' ')) + QStringLiteral("Tom "), QStringLiteral("Tom")},
    };
    for (const auto& [paste, kept] : pastes) {
        Rig rig;
        auto v = pagesOnly(rig);
        rig.clipboard = paste;
        const double before = test::threadSeconds();
        v->paste();
        EXPECT_LT(test::threadSeconds() - before, 1.0) << paste.size() << " characters";
        EXPECT_EQ(rig.store->string(QStringLiteral("petName")), kept) << paste.size() << " characters";
    }

    Rig rig;
    auto v = pagesOnly(rig);
    rig.clipboard = heavy;
    v->paste();
    const QString name = rig.store->string(QStringLiteral("petName"));
    EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(name.size() % 301, 0) << name.size();
    EXPECT_TRUE(heavy.startsWith(name));
}

TEST(OnboardingArt, TimingsOfTheIllustrations) {
    EXPECT_DOUBLE_EQ(onboard::nameCatX(0.1), -30);
    EXPECT_NEAR(onboard::nameCatX(1.5), 140, 1e-9);
    EXPECT_FALSE(onboard::nameWaving(1.8));
    EXPECT_TRUE(onboard::nameWaving(2.0));
    EXPECT_FALSE(onboard::nameWaving(3.2));
    EXPECT_TRUE(onboard::nameWaving(7.0));
    EXPECT_FALSE(onboard::floatingHeart(0, 2.2, 2.2, 0, 0).shown);
    EXPECT_FALSE(onboard::floatingHeart(0, 0, 1.2, 0, 0).shown);
    EXPECT_TRUE(onboard::floatingHeart(1, 2.2, 2.5, 0, 0).shown);
    const auto top = onboard::floatingHeart(0, 0, 0.6, 100, 80);
    EXPECT_NEAR(top.centre.y(), 65, 1e-9);
    EXPECT_EQ(onboard::windowLook(10.3, false, {}).weather, SkyWeather::storm);
    EXPECT_EQ(onboard::windowLook(0.5, false, {}).time, SkyTime::morning);
    EXPECT_EQ(onboard::windowLook(13.7, false, {}).time, SkyTime::morning);  // round again
    const SkyLook live{SkyTime::sunset, SkyWeather::snow};
    EXPECT_EQ(onboard::windowLook(3, true, live), live);
    EXPECT_FALSE(onboard::phoneExpanded(1.0));
    EXPECT_TRUE(onboard::phoneExpanded(2.0));
    EXPECT_FALSE(onboard::phoneExpanded(3.5));
    EXPECT_TRUE(onboard::phoneExpanded(6.0));
}

// Ink of about colour `c` in `area` of `img`, split into its 4-connected pieces: the sizes of each.
std::vector<int> inkPieces(const QImage& img, const QRect& area, QColor c, int tolerance) {
    const auto ink = [&](int x, int y) {
        const QColor d = img.pixelColor(x, y);
        return area.contains(x, y) && std::abs(d.red() - c.red()) <= tolerance &&
               std::abs(d.green() - c.green()) <= tolerance && std::abs(d.blue() - c.blue()) <= tolerance;
    };
    std::vector<char> seen(std::size_t(img.width() * img.height()), 0);
    std::vector<int> pieces;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            if (seen[std::size_t(y * img.width() + x)] || !ink(x, y)) continue;
            int size = 0;
            std::vector<QPoint> todo{{x, y}};
            seen[std::size_t(y * img.width() + x)] = 1;
            while (!todo.empty()) {
                const QPoint q = todo.back();
                todo.pop_back();
                ++size;
                for (const QPoint n : {q + QPoint(1, 0), q - QPoint(1, 0), q + QPoint(0, 1), q - QPoint(0, 1)}) {
                    if (!img.rect().contains(n) || seen[std::size_t(n.y() * img.width() + n.x())] || !ink(n.x(), n.y()))
                        continue;
                    seen[std::size_t(n.y() * img.width() + n.x())] = 1;
                    todo.push_back(n);
                }
            }
            pieces.push_back(size);
        }
    return pieces;
}

// The phone's island shows the cat's head in one piece (not a pawprint's pad and toes), its two
// ears standing up apart.
TEST(OnboardingArt, ThePhonesIslandShowsACat) {
    onboard::ArtContext ctx;
    ctx.t = 2.5;
    ASSERT_TRUE(onboard::phoneExpanded(ctx.t));
    const double scale = 8;
    const QImage img = test::renderImage(280, 180, [&](QPainter& p) { onboard::phoneArt(p, ctx); }, scale);
    test::keepRender(img.copy(QRect(150 * 8, 36 * 8, 70 * 8, 20 * 8)), QStringLiteral("phone-island"));
    // The symbol's 8-point square, left in the island's row.
    const QRect symbol(int(158.5 * scale), int(41 * scale), int(9 * scale), int(9 * scale));
    std::vector<int> pieces = inkPieces(img, symbol, QColor(0xF8, 0xD7, 0xA4), 40);
    std::erase_if(pieces, [](int n) { return n < 6; });  // stray edge pixels
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_GT(pieces[0], 1500);
    // Across the top third, two separate runs of ink: the ears.
    int ears = 0;
    const int y = symbol.top() + symbol.height() / 4;
    bool inside = false;
    for (int x = symbol.left(); x <= symbol.right(); ++x) {
        const QColor d = img.pixelColor(x, y);
        const bool on = std::abs(d.red() - 0xF8) <= 40 && std::abs(d.green() - 0xD7) <= 40 && std::abs(d.blue() - 0xA4) <= 40;
        if (on && !inside) ++ears;
        inside = on;
    }
    EXPECT_EQ(ears, 2);
}

// The box around what is drawn opaquely in `area`.
QRect inkBounds(const QImage& img, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(img.pixel(x, y)) > 128) box |= QRect(x, y, 1, 1);
    return box;
}

// Once a page's entry has played the cat sits (head up, taller than long, not stretched out on
// four legs); on the last page it then lifts a front paw off the floor up to its face.
TEST(OnboardingArt, TheCatSitsOnEveryPageAndWavesUpAtTheEnd) {
    onboard::ArtContext ctx;
    const struct {
        int page;
        double x;  // the cat's centre in the canvas
    } cats[] = {{1, 140}, {2, 140}, {4, 90}, {5, 140}};
    for (const auto& c : cats) {
        ctx.t = 0;  // before the badges, the phone and the hearts come in
        const QImage img = test::renderImage(280, 180, [&](QPainter& p) { onboard::paintIllustration(p, c.page, ctx, 1e9); });
        const QRect cat = inkBounds(img, QRect(int(c.x) - 60, 80, 120, 78));  // above the floor line
        ASSERT_FALSE(cat.isEmpty()) << c.page;
        EXPECT_GT(cat.height(), cat.width()) << "page " << c.page << ": the cat is " << cat.width() << " long, "
                                             << cat.height() << " tall";
    }
    // The paw stands on the floor in front of the chest, then leaves: the front there draws back.
    const auto chestFront = [&](double t) {
        ctx.t = t;
        const QImage img = test::renderImage(280, 180, [&](QPainter& p) { onboard::closingArt(p, ctx); });
        test::keepRender(img, QStringLiteral("closing-%1").arg(t));
        return inkBounds(img, QRect(100, 144, 100, 10)).right();
    };
    const int resting = chestFront(0);
    const int lifted = chestFront(1.5);
    EXPECT_GE(resting - lifted, 3) << "the chest's front at " << resting << " and then " << lifted;
}

// The weather page: the look's name in its capsule above the window, the cat sitting in front
// of the window's lower right.
TEST(OnboardingArt, TheWeatherPageNamesTheLookAboveTheWindowWithTheCatInFront) {
    onboard::ArtContext ctx;
    ctx.t = 0.5;
    const QImage img = test::renderImage(280, 180, [&](QPainter& p) { onboard::windowArt(p, ctx); });
    test::keepRender(img, QStringLiteral("window-page"));
    int words = 0, fur = 0;
    for (int y = 42; y <= 52; ++y)
        for (int x = 110; x <= 170; ++x) words += test::luminance(img.pixel(x, y)) > 200;
    const QColor coat(0xE9, 0xA1, 0x5B);  // the orange cat's
    for (int y = 95; y <= 140; ++y)
        for (int x = 145; x <= 195; ++x) {
            const QColor d = img.pixelColor(x, y);
            fur += std::abs(d.red() - coat.red()) + std::abs(d.green() - coat.green()) + std::abs(d.blue() - coat.blue()) < 40;
        }
    EXPECT_GT(words, 15);
    EXPECT_GT(fur, 200);
}

// Pixels of about colour `c` in `area`.
int pixelsNear(const QImage& img, const QRect& area, QColor c, int tolerance) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor d = img.pixelColor(x, y);
            n += std::abs(d.red() - c.red()) <= tolerance && std::abs(d.green() - c.green()) <= tolerance &&
                 std::abs(d.blue() - c.blue()) <= tolerance;
        }
    return n;
}

// The care page's four needs come in as badges on an arc over the cat's head, food to health from
// left to right, the middle two highest.
TEST(OnboardingArt, TheCareBadgesArcOverTheCatInOrder) {
    onboard::ArtContext ctx;
    ctx.env.breed = CatBreed::tuxedo;  // a coat unlike any badge
    ctx.t = 1.55;                      // all four in, before the hearts
    const QImage img = test::renderImage(280, 180, [&](QPainter& p) { onboard::careArt(p, ctx); });
    test::keepRender(img, QStringLiteral("care-badges"));
    std::vector<QPointF> at;
    for (const char* colour : {"#E7B15A", "#F0A0B0", "#7EB6E0", "#6FBF78"}) {
        QPointF sum;
        int n = 0;
        for (int y = 0; y < 180; ++y)
            for (int x = 0; x < 280; ++x) {
                const QColor d = img.pixelColor(x, y), c(colour);
                if (std::abs(d.red() - c.red()) <= 24 && std::abs(d.green() - c.green()) <= 24 && std::abs(d.blue() - c.blue()) <= 24) {
                    sum += QPointF(x, y);
                    ++n;
                }
            }
        ASSERT_GT(n, 20) << colour;
        at.push_back(sum / n);
    }
    for (std::size_t i = 0; i < at.size(); ++i) {
        EXPECT_LT(at[i].y(), 112) << "badge " << i << " stays above the cat's head";
        if (i > 0) {
            EXPECT_GT(at[i].x(), at[i - 1].x() + 20) << "badge " << i;
        }
    }
    EXPECT_LT(std::max(at[1].y(), at[2].y()), std::min(at[0].y(), at[3].y()) - 10);
}

// Hearts rise over the cat on every page but the weather's: on the name, care, phone and last
// pages once the entry has played, on the breed page right after a pick.
TEST(OnboardingArt, HeartsRiseOverTheCat) {
    onboard::ArtContext ctx;
    ctx.env.breed = CatBreed::tuxedo;
    const struct {
        int page;
        double t, sincePick;
    } shown[] = {{0, 2.6, 1e9}, {1, 3.0, 0.5}, {2, 2.0, 1e9}, {4, 1.6, 1e9}, {5, 1.4, 1e9}};
    for (const auto& s : shown) {
        ctx.t = s.t;
        const QImage img = test::renderImage(280, 180, [&](QPainter& p) { onboard::paintIllustration(p, s.page, ctx, s.sincePick); });
        EXPECT_GT(pixelsNear(img, QRect(0, 0, 280, 95), QColor("#F07A93"), 20), 30) << "page " << s.page;
    }
}

// Lightning whitens the weather page only while the window shows a storm.
TEST(OnboardingArt, LightningOnlyInAStorm) {
    onboard::ArtContext ctx;
    double clock = 0;
    while (lightningFlash(clock * 0.12) < 0.5 && clock < 2000) clock += 0.05;
    ASSERT_LT(clock, 2000);
    ctx.clock = clock;
    const auto corner = [&](double t) {
        ctx.t = t;
        const QImage img = test::renderImage(280, 180, [&](QPainter& p) { onboard::windowArt(p, ctx); });
        return qAlpha(img.pixel(5, 5));
    };
    EXPECT_GT(corner(6 * 1.7 + 0.8), 100);  // the night storm
    for (const int look : {0, 1, 4, 5})     // clear mornings and days, a clear night, rain
        EXPECT_EQ(corner(look * 1.7 + 0.8), 0) << "look " << look;
}

// Counts pixels that differ clearly from the page's background gradient.
int drawnPixels(const QImage& img, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 90 || c.green() > 90 || c.blue() > 110) ++n;
        }
    return n;
}

TEST(OnboardingRender, EveryPageAsAPersonSeesIt) {
    Rig rig;
    auto v = pagesOnly(rig);
    for (int page = 0; page <= 5; ++page) {
        rig.advance(2.5);
        if (page == 1) v->pickBreed(CatBreed::tuxedo);
        if (page == 1) rig.advance(0.2);
        const QImage img = render(*v, rig);
        test::keepRender(img, QStringLiteral("page-%1").arg(page));
        // Background at a quiet corner.
        EXPECT_LT(test::luminance(img.pixel(630, 5)), 70) << page;
        // The cat (or window) in the illustration, the title in the column.
        EXPECT_GT(drawnPixels(img, QRect(60, 60, 160, 100)), 300) << page;
        EXPECT_GT(drawnPixels(img, QRect(290, 46, 200, 20)), 60) << page;
        // The primary button's peach fill near the row's right end.
        const QColor pill = img.pixelColor(614, 154);
        EXPECT_GT(pill.red(), 200) << page;
        EXPECT_GT(pill.green(), 170) << page;
        // Nothing spills outside the 640 x 180 frame.
        if (page < 5) v->nextPage();
    }
    // Larger, for a closer look.
    v = pagesOnly(rig);
    rig.advance(2.4);
    test::keepRender(test::renderImage(640, 180, [&](QPainter& p) { v->paint(p, kRect, rig.clock.now()); }, 2.0),
                     QStringLiteral("page-0-x2"));
}

TEST(OnboardingRender, OneDotLooksCurrentOnEveryPageItsOwn) {
    Rig rig;
    auto v = pagesOnly(rig);
    for (int page = 0;; ++page) {
        rig.advance(1.0);  // the wide dot has slid to its place
        const QImage img = render(*v, rig);
        // The dots lead the button row: from the text column's left edge to the lowest row's first control.
        const TobbiOnboardingView::Control* first = nullptr;
        for (const auto& c : v->controls())
            if (!first || c.rect.top() > first->rect.top() || (c.rect.top() == first->rect.top() && c.rect.left() < first->rect.left()))
                first = &c;
        ASSERT_TRUE(first) << page;
        const int left = int(kRect.left()) + 286;
        const QRect strip(left, int(first->rect.top()), int(first->rect.left()) - 2 - left, int(first->rect.height()));
        // Each dot is a run of lit columns; the current one is bright white, the others faint.
        std::vector<bool> bright;
        bool inDot = false;
        for (int x = strip.left(); x <= strip.right(); ++x) {
            double most = 0;
            for (int y = strip.top(); y <= strip.bottom(); ++y) most = std::max(most, test::luminance(img.pixel(x, y)));
            if (most > 65 && !inDot) bright.push_back(false);
            if (most > 170) bright.back() = true;
            inDot = most > 65;
        }
        EXPECT_EQ(std::count(bright.begin(), bright.end(), true), 1) << "current dots on page " << page;
        EXPECT_EQ(bright.size(), 6u) << "dots on page " << page;
        EXPECT_TRUE(std::size_t(page) < bright.size() && bright[std::size_t(page)]) << "page " << page << "'s own dot";
        if (page == 5) break;
        v->nextPage();
        ASSERT_EQ(v->page(), page + 1);
    }
}

// Every action button shows its label (and icon) whole, in the middle of its capsule: as much
// of the capsule's fill to the left of it as to the right.
TEST(OnboardingRender, EachButtonsLabelSitsInTheMiddleOfItsButton) {
    const auto title = [](Kind k) {
        switch (k) {
            case Kind::notNow: return QStringLiteral("Not now");
            case Kind::useLocation: return QStringLiteral("Use my location");
            case Kind::seeIt: return QStringLiteral("See it");
            case Kind::letsGo: return QStringLiteral("Let's go!");
            default: return QStringLiteral("Next");
        }
    };
    // How wide the words are when nothing cuts them.
    const auto wordsWidth = [](const QString& words) {
        const QImage img = test::renderImage(200, 30, [&](QPainter& p) {
            p.setFont(onboard::roundedFont(11, QFont::Bold));
            p.setPen(Qt::white);
            p.drawText(QPointF(10, 20), words);
        });
        return inkBounds(img, img.rect()).width();
    };
    Rig rig;
    auto v = pagesOnly(rig);
    for (int page = 0; page <= TobbiOnboardingView::kLastPage; ++page) {
        rig.advance(1.0);
        const QImage img = render(*v, rig);
        int pills = 0;
        for (const auto& c : v->controls()) {
            if (c.kind == Kind::skip || c.kind == Kind::swatch || c.kind == Kind::field) continue;
            ++pills;
            const QRect r = c.rect.toAlignedRect();
            const int mid = r.center().y();
            const QColor fill = img.pixelColor(r.left() + 5, mid);
            const auto ink = [&](int x) {
                for (int y = mid - 5; y <= mid + 5; ++y) {
                    const QColor d = img.pixelColor(x, y);
                    if (std::abs(d.red() - fill.red()) + std::abs(d.green() - fill.green()) + std::abs(d.blue() - fill.blue()) > 90)
                        return true;
                }
                return false;
            };
            int first = -1, last = -1;
            for (int x = r.left() + 4; x <= r.right() - 4; ++x)
                if (ink(x)) {
                    if (first < 0) first = x;
                    last = x;
                }
            ASSERT_GE(first, 0) << "page " << page << " button " << int(c.kind);
            EXPECT_NEAR(first - r.left(), r.right() - last, 3) << "page " << page << " button " << int(c.kind);
            const bool icon = c.kind == Kind::useLocation || c.kind == Kind::seeIt || c.kind == Kind::letsGo;
            // The words whole, not cut at the capsule's padding.
            EXPECT_GE(last - first + 1, wordsWidth(title(c.kind)) + (icon ? 9 : 0)) << "page " << page << " button " << int(c.kind);
        }
        EXPECT_GE(pills, 1) << page;
        if (page < TobbiOnboardingView::kLastPage) v->nextPage();
    }
}

TEST(OnboardingRender, TransitionsBlendBothSides) {
    Rig rig;
    TobbiOnboardingView v(rig.services());
    render(v, rig);
    rig.advance(24.0);
    v.story()->finish();
    rig.advance(0.3);
    // Halfway through the film's fade the cream paper and the pages mix.
    const QImage mid = render(v, rig);
    test::keepRender(mid, QStringLiteral("transition-film"));
    const double l = test::luminance(mid.pixel(630, 5));
    EXPECT_GT(l, 60);
    EXPECT_LT(l, 230);
    rig.advance(2.0);
    v.nextPage();
    rig.advance(0.12);
    test::keepRender(render(v, rig), QStringLiteral("transition-page"));
    rig.advance(1.0);
    EXPECT_LT(test::luminance(render(v, rig).pixel(630, 5)), 70);
}

TEST(OnboardingRender, TheLiveFaceShowsOnThePagesCat) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    FaceEmotes emotes(rig.hub, rig.clock);
    OnboardingServices s = rig.services();
    s.face = &TobbiFace::forKey("onboarding-test");
    s.emotes = &emotes;
    TobbiOnboardingView v(s);
    v.nextPage();
    rig.advance(1.0);
    v.pickBreed(CatBreed::calico);  // the happy emote shows on the face
    rig.advance(0.6);
    const QImage img = test::renderImage(640, 180, [&](QPainter& p) { v.paint(p, kRect, rig.clock.now()); }, 2.0);
    test::keepRender(img, QStringLiteral("page-1-face"));
    EXPECT_GT(drawnPixels(img, QRect(200, 120, 160, 160)), 2000);
}

TEST(OnboardingRender, StaysInsideItsRect) {
    Rig rig;
    auto v = pagesOnly(rig);
    const QImage img = test::renderImage(700, 240, [&](QPainter& p) { v->paint(p, QRectF(30, 30, 640, 180), rig.clock.now()); });
    for (int x = 0; x < 700; x += 7) {
        EXPECT_EQ(qAlpha(img.pixel(x, 10)), 0);
        EXPECT_EQ(qAlpha(img.pixel(x, 225)), 0);
    }
    EXPECT_EQ(qAlpha(img.pixel(10, 100)), 0);
    EXPECT_EQ(qAlpha(img.pixel(690, 100)), 0);
    EXPECT_EQ(qAlpha(img.pixel(40, 40)), 255);
}

TEST(OnboardingHosting, TheIslandForwardsToThePages) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    int worldAsks = 0;
    OnboardingContent content(rig.services(), [&](TobbiFace::World& w) {
        ++worldAsks;
        w.pointer = QPointF(10, 10);
    });
    content.didAppear();
    EXPECT_TRUE(content.isTicking());
    // The island draws its content at the settled island's place in its window.
    const QRectF place(100, 0, 640, 180);
    const QImage img = test::renderImage(840, 180, [&](QPainter& p) { content.paint(p, place, 180); });
    EXPECT_EQ(worldAsks, 1);
    EXPECT_EQ(qAlpha(img.pixel(50, 90)), 0);
    EXPECT_TRUE(content.wantsKeyboard() == false);  // a returning cat has no name field
    const auto* next = find(content.view(), Kind::next);
    ASSERT_NE(next, nullptr);
    const QPointF at = next->rect.center() + place.topLeft();
    EXPECT_TRUE(content.isActionableAt(at));
    EXPECT_TRUE(content.mousePress(at));
    EXPECT_EQ(content.view().page(), 1);
    content.didDisappear();
    EXPECT_FALSE(content.isTicking());
}

TEST(OnboardingHosting, TheOutfitFollowsTheClosetNotTheFrames) {
    Rig rig;
    rig.store->set(QStringLiteral("onboardedV1"), true);
    rig.store->set(QStringLiteral("togetherSeconds"), Closet::openingSeconds + 10);
    ManualInputIdleness idle;
    Closet closet(*rig.store, rig.clock, idle, rig.scheduler);
    const CatAccessory piece = closet.unlocked().front();
    closet.wear(piece);
    OnboardingContent content(rig.services(), {}, &closet);
    EXPECT_TRUE(content.view().outfit().wears(piece));  // what he has on when it opens
    closet.wear(piece);                                  // taken off: told at once, no frame needed
    EXPECT_FALSE(content.view().outfit().wears(piece));
    EXPECT_EQ(content.view().outfit(), closet.outfit());
    closet.wear(piece);
    EXPECT_TRUE(content.view().outfit().wears(piece));
    // A frame draws what it was told and asks the closet nothing.
    content.view().setOutfit(CatOutfit{});
    test::renderImage(640, 180, [&](QPainter& p) { content.paint(p, kRect, 180); });
    EXPECT_FALSE(content.view().outfit().wears(piece));
}

TEST(OnboardingHosting, TheNameFieldAsksForTheKeyboard) {
    Rig rig;
    OnboardingContent content(rig.services());
    content.didAppear();
    EXPECT_FALSE(content.wantsKeyboard());  // the film first
    test::renderImage(640, 180, [&](QPainter& p) { content.paint(p, kRect, 180); });
    content.view().story()->finish();
    EXPECT_TRUE(content.wantsKeyboard());
    auto e = key(Qt::Key_K, QStringLiteral("K"));
    EXPECT_TRUE(content.keyPress(&e));
    EXPECT_EQ(rig.store->string(QStringLiteral("petName")), QStringLiteral("K"));
    content.view().nextPage();
    EXPECT_FALSE(content.wantsKeyboard());
}

}  // namespace
}  // namespace kp

