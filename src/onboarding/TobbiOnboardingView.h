#pragma once
// The open island's content on a first run, for a new cat, and when the user asks to see the
// welcome again: the story film (new cats only), then six pages: name, breed, care, the weather
// window, the phone app, and a send-off. Painted with QPainter into the island; the host forwards
// the pointer and the keys and builds a fresh view each time the island enters onboarding.
//
// Times: every `now` here is seconds since the reference date, as Clock::now() gives; the host
// passes its frame time in the same units to paint().
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"
#include "island/TobbiFace.h"
#include "life/SkyModel.h"
#include "core/SkyTypes.h"
#include "onboarding/OnboardKit.h"
#include "onboarding/TobbiStory.h"

#include <QMetaObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QPainter;
class QTextLayout;

namespace kp {

class AppState;
class Clock;
class Defaults;
class NotificationCenter;
class Scheduler;

// What the pages need of the app; forApp() wires the shared instances.
struct OnboardingServices {
    Defaults* store = nullptr;
    NotificationCenter* hub = nullptr;
    Clock* clock = nullptr;
    Scheduler* scheduler = nullptr;
    // The island's name for the cat (AppState.petName) and how to set it.
    std::function<QString()> petName;
    std::function<void(const QString&)> setPetName;
    // The weather model.
    std::function<SkyModel::Status::Kind()> skyStatus;
    std::function<QString()> skyStatusText;
    std::function<SkyLook()> skyLook;
    std::function<void()> skyStart;
    std::function<void(const QUrl&)> openUrl;
    // Whether a tray shows the app's icon (its menu is on the island's right-click otherwise).
    std::function<bool()> trayShown;
    // Clipboard text for paste; none uses the system clipboard.
    std::function<QString()> clipboardText;
    StoryAudio audio;
    // The face drawn on the pages' cat; none draws a plain face.
    TobbiFace* face = nullptr;
    const FaceEmotes* emotes = nullptr;

    static OnboardingServices forApp(AppState& state);
};

class TobbiOnboardingView {
public:
    static constexpr double kWidth = 640;
    static constexpr double kHeight = 180;
    static constexpr int kLastPage = 5;
    static constexpr int kNameLimit = 24;  // characters as a reader counts them: an emoji is one

    // Reads "onboardedV1" once: false or absent gives the film and the new-cat pages.
    explicit TobbiOnboardingView(OnboardingServices services);
    ~TobbiOnboardingView();
    TobbiOnboardingView(const TobbiOnboardingView&) = delete;
    TobbiOnboardingView& operator=(const TobbiOnboardingView&) = delete;

    // Draws into `rect` (640 x 180 at scale 1; other sizes scale) at frame time `now`.
    // The first painting of the film starts it.
    void paint(QPainter& p, const QRectF& rect, double now);
    // What the face needs of the host each frame: pointer, island frame, pet state, outfit.
    void setFaceWorld(const TobbiFace::World& world) { world_ = world; }
    void setOutfit(const CatOutfit& outfit) { outfit_ = outfit; }
    const CatOutfit& outfit() const { return outfit_; }

    // Input, in the same coordinates as paint()'s rect. Each returns true when it was used.
    bool mousePress(QPointF point, const QRectF& rect);
    void mouseMove(QPointF point, const QRectF& rect);
    void mouseLeave();
    // Whether a control lies under `point` (for a pointing-hand cursor).
    bool hitTest(QPointF point, const QRectF& rect) const;
    bool keyPress(QKeyEvent* event);
    // True while the name field shows: the host must let the island take keyboard focus.
    bool wantsKeyboard() const;
    // The breed whose swatch the pointer rests on (its name shows as a tip).
    std::optional<CatBreed> hoveredBreed() const { return hoveredBreed_; }

    // State.
    bool inStory() const { return story_ != nullptr && !storyLeaving_; }
    int page() const { return page_; }
    bool newCat() const { return newCat_; }
    bool askedLocation() const { return askedLocation_; }
    TobbiStory* story() const { return story_.get(); }
    CatBreed breed() const;
    QString storedName() const;
    int caret() const { return caret_; }

    // Texts of the page shown.
    QString pageTitle() const;
    QString pageBody() const;
    QString locationStatusText() const;
    // Where and how the weather page's location status is drawn once asked: font, text and box.
    onboard::FittedText locationStatusFit() const;

    // Actions.
    void storyDone();
    void nextPage();
    void finish();
    void allowLocation();
    void openPhoneApp();
    void pickBreed(CatBreed breed);
    void typeText(QStringView text);
    void backspace();
    void paste();

    // Layout, in the view's own 640 x 180 points.
    struct Control {
        enum class Kind { next, notNow, useLocation, seeIt, skip, letsGo, swatch, field };
        Kind kind;
        QRectF rect;
        CatBreed breed = CatBreed::orange;
    };
    // The controls of the page now, in drawing order.
    const std::vector<Control>& controls() const;

private:
    double now() const;
    void setStoredName(const QString& name);
    void syncPetName();
    void layoutControls() const;
    // Height of what sits under a page's body (the name field, the swatches); the body's layout,
    // in the largest size that leaves room for it above the buttons.
    double extraHeight(int page) const;
    const QTextLayout& bodyOf(int page) const;
    void paintPages(QPainter& p, double now);
    void paintColumn(QPainter& p, double now) const;
    void paintButtons(QPainter& p, double now) const;
    void activate(const Control& c);

    OnboardingServices s_;
    std::unique_ptr<TobbiStory> story_;
    bool storyLeaving_ = false;
    double storyEndedAt_ = 0;
    int page_ = 0;
    int previousPage_ = 0;
    double pageStart_ = 0;
    double previousPageStart_ = 0;
    bool askedLocation_ = false;
    double askedAt_ = -1e9;
    double pickedAt_ = -1e9;
    bool newCat_ = true;
    bool trayShown_ = true;  // asked once per showing: the texts name the menu where it is
    int caret_ = 0;
    TobbiFace::World world_;
    CatOutfit outfit_;
    std::optional<CatBreed> hoveredBreed_;
    QPointF hoverPoint_;

    // The stored breed and name, read once and again when the store says they changed.
    void readStore();
    CatBreed breed_ = CatBreed::orange;
    QString name_;
    QMetaObject::Connection storeWatch_;

    mutable std::vector<Control> controls_;
    mutable int laidPage_ = -1;
    mutable int laidKey_ = -1;
};

}  // namespace kp
