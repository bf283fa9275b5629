#include "onboarding/TobbiOnboardingView.h"

#include "app/AppLinks.h"
#include "app/AppState.h"
#include "core/BotFace.h"
#include "core/Notifications.h"
#include "core/Preferences.h"
#include "life/SkyModel.h"
#include "onboarding/OnboardArt.h"
#include "onboarding/OnboardKit.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/Spring.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QSystemTrayIcon>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <map>
#include <memory>

#include <algorithm>
#include <cmath>

namespace kp {

using namespace onboard;

namespace {

const QString kBreedKey = QStringLiteral("catBreed");
const QString kNameKey = QStringLiteral("petName");

constexpr double kColumnX = 290;
constexpr double kColumnY = 46;
constexpr double kColumnWidth = 330;
constexpr double kRowY = 142;
constexpr double kExtraGap = 6;  // between a body and the field or swatches under it

QString fromView(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QFont titleFont() { return roundedFont(17, QFont::Bold); }
QFont bodyFont() { return roundedFont(11.5, QFont::Medium); }
QFont fieldFont() { return roundedFont(15, QFont::Bold); }
QFont pillFont() { return roundedFont(11, QFont::Bold); }
QFont skipFont() { return roundedFont(10, QFont::DemiBold); }
QFont statusFont() { return roundedFont(10, QFont::DemiBold); }
constexpr double kStatusIndent = 14;  // the status's icon, left of its text

// A body laid out once: wrapped to the column with 1.5 points more between its lines, at a pixel
// size. The few bodies the pages show are kept (GUI thread only), so a frame only draws them.
const QTextLayout& bodyLayout(const QString& text, int pixels) {
    static std::map<std::pair<QString, int>, std::unique_ptr<QTextLayout>> kept;
    const auto key = std::make_pair(text, pixels);
    auto it = kept.find(key);
    if (it != kept.end()) return *it->second;
    if (kept.size() > 32) kept.clear();
    QFont font = bodyFont();
    font.setPixelSize(pixels);
    auto layout = std::make_unique<QTextLayout>(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout->setTextOption(option);
    layout->beginLayout();
    double y = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(kColumnWidth);
        line.setPosition(QPointF(0, y));
        y += line.height() + 1.5;
    }
    layout->endLayout();
    return *kept.emplace(key, std::move(layout)).first->second;
}

double layoutHeight(const QTextLayout& layout) {
    const int n = layout.lineCount();
    if (n == 0) return 0;
    const QTextLine last = layout.lineAt(n - 1);
    return last.position().y() + last.height();
}

// The body in the largest size, from its own down to 10 px, whose lines fit `room` points.
const QTextLayout& fittedBody(const QString& text, double room) {
    const int largest = bodyFont().pixelSize();
    for (int px = largest; px > 10; --px) {
        const QTextLayout& layout = bodyLayout(text, px);
        if (layoutHeight(layout) <= room + 0.5) return layout;
    }
    return bodyLayout(text, 10);
}

double titleHeight() { return QFontMetricsF(titleFont()).height(); }
double bodyTop() { return kColumnY + titleHeight() + 6; }

// The title on one line of the column: a long name steps the font down, then is cut.
FittedText fittedTitle(const QString& title) {
    const QRectF line(kColumnX, kColumnY, kColumnWidth, titleHeight());
    QFont font = titleFont();
    for (int px = font.pixelSize(); px >= 11; --px) {
        font.setPixelSize(px);
        const double w = QFontMetricsF(font).horizontalAdvance(title);
        if (w <= kColumnWidth) return {font, title, QRectF(line.topLeft(), QSizeF(w, line.height()))};
    }
    const QString cut = QFontMetricsF(font).elidedText(title, Qt::ElideMiddle, kColumnWidth);
    return {font, cut, line, false};
}

double pillWidth(const QString& title, bool icon) {
    const QFontMetricsF fm(pillFont());
    return 22 + fm.horizontalAdvance(title) + (icon ? 9 + 4 : 0);
}

double pillHeight() { return QFontMetricsF(pillFont()).height() + 12; }

void paintPill(QPainter& p, const QRectF& r, const QString& title, std::optional<Symbol> icon, bool primary,
               bool hovered) {
    p.save();
    p.setPen(Qt::NoPen);
    QColor fill = primary ? hex("#F8D7A4") : QColor::fromRgbF(1, 1, 1, 0.12f);
    if (hovered) fill = primary ? fill.lighter(106) : QColor::fromRgbF(1, 1, 1, 0.2f);
    p.setBrush(fill);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    const QColor ink = primary ? hex("#1A1614") : hex("#F7F4F0");
    double x = r.left() + 11;
    if (icon) {
        paintSymbol(p, *icon, QPointF(x + 4.5, r.center().y()), 9, ink);
        x += 13;
    }
    p.setFont(pillFont());
    p.setPen(ink);
    p.drawText(QRectF(x, r.top(), r.right() - 11 - x + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.restore();
}

}  // namespace

OnboardingServices OnboardingServices::forApp(AppState& state) {
    OnboardingServices s;
    s.store = &Defaults::standard();
    s.hub = &NotificationCenter::shared();
    s.clock = &SystemClock::shared();
    s.scheduler = &QtScheduler::shared();
    s.petName = [&state] { return state.petName(); };
    s.setPetName = [&state](const QString& name) { state.setPetName(name); };
    s.skyStatus = [] { return SkyModel::shared().status().kind(); };
    s.skyStatusText = [] { return SkyModel::shared().statusText(); };
    s.skyLook = [] { return SkyModel::shared().look(); };
    s.skyStart = [] { SkyModel::shared().start(); };
    s.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    s.trayShown = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    s.audio = StoryAudio::app();
    s.face = &TobbiFace::forKey("onboarding");
    s.emotes = &FaceEmotes::shared();
    return s;
}

TobbiOnboardingView::TobbiOnboardingView(OnboardingServices services) : s_(std::move(services)) {
    readStore();
    storeWatch_ = QObject::connect(s_.store, &Defaults::changed, [this](const QString& key) {
        if (key == kBreedKey || key == kNameKey) readStore();
    });
    const bool onboarded = s_.store->boolValue(QStringLiteral("onboardedV1"));
    newCat_ = !onboarded;
    trayShown_ = !s_.trayShown || s_.trayShown();
    pageStart_ = now();
    previousPageStart_ = pageStart_;
    caret_ = int(storedName().size());
    if (!onboarded) {
        story_ = std::make_unique<TobbiStory>(*s_.clock, *s_.scheduler, s_.audio, [this] { storyDone(); });
        story_->prepare(CatEnv{breed_, outfit_});
    }
}

TobbiOnboardingView::~TobbiOnboardingView() { QObject::disconnect(storeWatch_); }

void TobbiOnboardingView::readStore() {
    breed_ = fromRawValue<CatBreed>(s_.store->string(kBreedKey).toStdString()).value_or(CatBreed::orange);
    name_ = s_.store->string(kNameKey);
}

double TobbiOnboardingView::now() const { return s_.clock->now(); }

CatBreed TobbiOnboardingView::breed() const { return breed_; }

QString TobbiOnboardingView::storedName() const { return name_; }

// Texts -------------------------------------------------------------------------------------------

namespace {

QString titleFor(int page, bool newCat, const QString& name, CatBreed breed) {
    switch (page) {
        case 0: return newCat ? QStringLiteral("Hi! What's my name?") : QStringLiteral("Hi, I'm %1!").arg(name);
        case 1:
            return newCat ? QStringLiteral("What kind of cat am I?")
                          : QStringLiteral("I'm %1!").arg(withArticle(fromView(displayName(breed)).toLower()));
        case 2: return QStringLiteral("Take care of me");
        case 3: return QStringLiteral("My window, your sky");
        case 4: return QStringLiteral("I'm on your phone too!");
        default: return QStringLiteral("Come visit anytime");
    }
}

QString bodyFor(int page, bool newCat, CatBreed breed, bool trayShown) {
    switch (page) {
        case 0:
            return newCat ? QStringLiteral("I live in your notch now. Choose well: it's my name for life.")
                          : QStringLiteral("A tiny cat who lives in your notch. I nap, play, look out the window and "
                                           "grow up a little every day.");
        case 1:
            return newCat ? fromView(displayName(breed)) + QStringLiteral(". ") + fromView(blurb(breed)) +
                                QStringLiteral(" This one's for life too.")
                          : fromView(blurb(breed));
        case 2:
            return QStringLiteral("Feed me, play with me, let me nap and keep my litter box clean. When I need "
                                  "something, I'll peek out of the notch and tell you.");
        case 3:
            return QStringLiteral("Share your approximate location and my window shows your real weather and time "
                                  "of day. It's only used to ask for the forecast.");
        case 4:
            return QStringLiteral("There's a phone app too: a little camera of my bedroom on your phone's home "
                                  "screen, and my mood at a glance.");
        default:
            // Without a tray the menu has no icon to find: where to click is told.
            return QStringLiteral("Hover the notch to peek at me, click to come inside. Settings live in ") +
                   appMenuPlace(trayShown) +
                   (trayShown ? QStringLiteral(".")
                              : QStringLiteral(": right-click the very top centre of the screen (just below a top "
                                               "panel, if you have one)."));
    }
}

}  // namespace

QString TobbiOnboardingView::pageTitle() const {
    return titleFor(page_, newCat_, s_.petName ? s_.petName() : prefs::petName(*s_.store), breed());
}

QString TobbiOnboardingView::pageBody() const { return bodyFor(page_, newCat_, breed(), trayShown_); }

QString TobbiOnboardingView::locationStatusText() const { return s_.skyStatusText ? s_.skyStatusText() : QString(); }

namespace {
// The status at its one size, on at most two lines (a longer one is cut), its box at the top left.
FittedText statusAtOrigin(const QString& text) {
    const QFontMetricsF fm(statusFont());
    const QRectF area(kColumnX + kStatusIndent, 0, kColumnWidth - kStatusIndent, fm.height() + fm.lineSpacing());
    return fitText(text, statusFont(), area, statusFont().pixelSize());
}
}  // namespace

FittedText TobbiOnboardingView::locationStatusFit() const {
    // Under the question, which stays: the body makes room for it.
    FittedText fit = statusAtOrigin(locationStatusText());
    fit.box.moveTop(bodyTop() + layoutHeight(bodyOf(3)) + kExtraGap);
    return fit;
}

double TobbiOnboardingView::extraHeight(int page) const {
    if (page == 0 && newCat_) return QFontMetricsF(fieldFont()).height() + 10;
    if (page == 1 && newCat_) return 28;
    if (page == 3 && askedLocation_) return statusAtOrigin(locationStatusText()).box.height();
    return 0;
}

const QTextLayout& TobbiOnboardingView::bodyOf(int page) const {
    const double extra = extraHeight(page);
    return fittedBody(bodyFor(page, newCat_, breed(), trayShown_), kRowY - 6 - bodyTop() - (extra > 0 ? extra + kExtraGap : 0));
}

// Actions -----------------------------------------------------------------------------------------

void TobbiOnboardingView::storyDone() {
    if (!story_ || storyLeaving_) return;
    storyLeaving_ = true;
    storyEndedAt_ = now();
    pageStart_ = now();
    previousPageStart_ = pageStart_;
}

void TobbiOnboardingView::nextPage() {
    if (page_ >= kLastPage) return;
    previousPage_ = page_;
    previousPageStart_ = pageStart_;
    page_ = std::min(page_ + 1, kLastPage);
    pageStart_ = now();
}

void TobbiOnboardingView::finish() { s_.hub->post(note::onboardingDone); }

void TobbiOnboardingView::allowLocation() {
    askedLocation_ = true;
    askedAt_ = now();
    s_.store->set(QStringLiteral("liveWeather"), true);
    if (s_.skyStart) s_.skyStart();
}

void TobbiOnboardingView::openPhoneApp() {
    if (s_.openUrl) s_.openUrl(websiteURL());
}

void TobbiOnboardingView::pickBreed(CatBreed b) {
    s_.store->set(kBreedKey, fromView(rawValue(b)));
    breed_ = b;
    pickedAt_ = now();
    s_.hub->post(note::triggerEmote, BotEmote::happy);
}

void TobbiOnboardingView::setStoredName(const QString& name) {
    const bool changed = name != storedName() || !s_.store->contains(kNameKey);
    s_.store->set(kNameKey, name);
    name_ = name;
    if (changed) syncPetName();
}

void TobbiOnboardingView::syncPetName() {
    if (s_.setPetName) s_.setPetName(prefs::petName(*s_.store));
}

namespace {

// Where the caret may stand in a name: between whole user-perceived characters, so an emoji, a
// flag or a letter with its accents is typed, stepped over and erased as one.
int nextBoundary(const QString& text, int at) {
    QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, text);
    f.setPosition(std::clamp(at, 0, int(text.size())));
    const qsizetype next = f.toNextBoundary();
    return next < 0 ? int(text.size()) : int(next);
}

int previousBoundary(const QString& text, int at) {
    QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, text);
    f.setPosition(std::clamp(at, 0, int(text.size())));
    const qsizetype before = f.toPreviousBoundary();
    return before < 0 ? 0 : int(before);
}

int characterCount(const QString& text) {
    int n = 0;
    for (int at = 0; at < text.size(); at = nextBoundary(text, at)) ++n;
    return n;
}

// A name's characters, as a reader counts them, are a few code units each, a joined emoji a dozen
// or two: 256 each is more than any name needs. A longer text is read no further.
constexpr qsizetype kTypedUnits = TobbiOnboardingView::kNameLimit * 256;

// One line of text as typed, whole code points only; control characters stay out. `ended` tells
// whether the line ends in the text.
QString typedLine(QStringView text, bool* ended) {
    QString clean;
    *ended = false;
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\n' || c == U'\r' || c == 0x2028 || c == 0x2029) {
            *ended = true;
            break;
        }
        // Unpaired surrogates arrive as U+FFFD.
        if (c == 0xFFFD || QChar::category(c) == QChar::Other_Control) continue;
        clean += QString::fromUcs4(&c, 1);
    }
    return clean;
}

}  // namespace

void TobbiOnboardingView::typeText(QStringView text) {
    bool ended = false;
    QString clean = typedLine(text.left(kTypedUnits), &ended);
    // The cut may have split the last character read.
    if (text.size() > kTypedUnits && !ended) clean.truncate(previousBoundary(clean, int(clean.size())));
    if (clean.isEmpty()) return;
    const QString name = storedName();
    caret_ = std::clamp(caret_, 0, int(name.size()));
    // As many whole characters as the limit leaves room for; a mark joining the one before
    // takes no room of its own.
    int taken = 0;
    for (int end = nextBoundary(clean, 0); end > taken; end = nextBoundary(clean, end)) {
        const QString tried = name.left(caret_) + clean.left(end) + name.mid(caret_);
        if (characterCount(tried) > kNameLimit) break;
        taken = end;
        if (end >= clean.size()) break;
    }
    if (taken == 0) return;
    caret_ += taken;
    setStoredName(name.left(caret_ - taken) + clean.left(taken) + name.mid(caret_ - taken));
}

void TobbiOnboardingView::backspace() {
    QString name = storedName();
    caret_ = std::clamp(caret_, 0, int(name.size()));
    if (caret_ == 0) return;
    const int from = previousBoundary(name, caret_);
    name.remove(from, caret_ - from);
    caret_ = from;
    setStoredName(name);
}

void TobbiOnboardingView::paste() {
    QString text;
    if (s_.clipboardText) text = s_.clipboardText();
    else if (auto* clip = QGuiApplication::clipboard()) text = clip->text();
    // Blanks around the paste are left out: the leading ones wherever they end, the trailing ones
    // when the paste is short enough to be read to its end. Its first line is typed.
    QStringView rest(text);
    while (!rest.isEmpty() && rest.front().isSpace()) rest = rest.mid(1);
    if (rest.size() <= kTypedUnits) rest = rest.trimmed();
    typeText(rest);
}

bool TobbiOnboardingView::wantsKeyboard() const { return !inStory() && page_ == 0 && newCat_; }

bool TobbiOnboardingView::keyPress(QKeyEvent* e) {
    if (!wantsKeyboard() || !e) return false;
    const int len = int(storedName().size());
    if (e->matches(QKeySequence::Paste)) {
        paste();
        return true;
    }
    switch (e->key()) {
        case Qt::Key_Backspace: backspace(); return true;
        case Qt::Key_Delete:
            if (caret_ < len) {
                caret_ = nextBoundary(storedName(), caret_);
                backspace();
            }
            return true;
        case Qt::Key_Left: caret_ = previousBoundary(storedName(), caret_); return true;
        case Qt::Key_Right: caret_ = nextBoundary(storedName(), caret_); return true;
        case Qt::Key_Home: caret_ = 0; return true;
        case Qt::Key_End: caret_ = len; return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Escape: return true;
        default: break;
    }
    if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = e->text();
    if (text.isEmpty()) return false;
    typeText(text);
    return true;
}

// Layout ------------------------------------------------------------------------------------------

const std::vector<TobbiOnboardingView::Control>& TobbiOnboardingView::controls() const {
    layoutControls();
    return controls_;
}

void TobbiOnboardingView::layoutControls() const {
    using K = Control::Kind;
    controls_.clear();
    if (inStory()) return;
    // The column: title, body, then the field or the swatches, never down into the button row.
    const double extra = extraHeight(page_);
    const double y = std::min(bodyTop() + layoutHeight(bodyOf(page_)) + kExtraGap, kRowY - 6 - extra);
    if (page_ == 0 && newCat_) {
        controls_.push_back({K::field, QRectF(kColumnX, y, 200, extra)});
    } else if (page_ == 1 && newCat_) {
        int i = 0;
        for (const CatBreed b : allCases<CatBreed>()) {
            controls_.push_back({K::swatch, QRectF(kColumnX + 32 * i, y, 28, 28), b});
            ++i;
        }
    }
    // The button row.
    const double h = pillHeight();
    const double dotsW = 14 + 5 * 5 + 5 * 4;
    if (page_ <= 4) {
        const QFontMetricsF fm(skipFont());
        controls_.push_back({K::skip, QRectF(kColumnX + dotsW + 8 - 4, kRowY, fm.horizontalAdvance(QStringLiteral("Skip")) + 8, h)});
    }
    struct Pill {
        K kind;
        const char* title;
        bool icon;
    };
    std::vector<Pill> pills;
    pills.reserve(2);
    if (page_ <= 2) pills.push_back({K::next, "Next", false});
    else if (page_ == 3 && !askedLocation_) {
        pills.push_back({K::notNow, "Not now", false});
        pills.push_back({K::useLocation, "Use my location", true});
    } else if (page_ == 3) pills.push_back({K::next, "Next", false});
    else if (page_ == 4) {
        pills.push_back({K::seeIt, "See it", true});
        pills.push_back({K::next, "Next", false});
    } else pills.push_back({K::letsGo, "Let's go!", true});
    double right = kColumnX + kColumnWidth;
    for (auto it = pills.rbegin(); it != pills.rend(); ++it) {
        const double w = pillWidth(QString::fromLatin1(it->title), it->icon);
        controls_.push_back({it->kind, QRectF(right - w, kRowY, w, h)});
        right -= w + 8;
    }
}

// Input -------------------------------------------------------------------------------------------

namespace {
QPointF toView(QPointF point, const QRectF& rect) {
    return QPointF((point.x() - rect.left()) * TobbiOnboardingView::kWidth / rect.width(),
                   (point.y() - rect.top()) * TobbiOnboardingView::kHeight / rect.height());
}

bool hits(const TobbiOnboardingView::Control& c, QPointF at) {
    if (c.kind == TobbiOnboardingView::Control::Kind::swatch) {
        const QPointF d = at - c.rect.center();
        return d.x() * d.x() + d.y() * d.y() <= 14 * 14;
    }
    return c.rect.contains(at);
}
}  // namespace

bool TobbiOnboardingView::mousePress(QPointF point, const QRectF& rect) {
    if (story_ && !storyLeaving_) return story_->mousePress(toView(point, rect), QRectF(0, 0, kWidth, kHeight));
    const QPointF at = toView(point, rect);
    hoverPoint_ = at;
    layoutControls();
    for (const Control& c : controls_) {
        if (!hits(c, at)) continue;
        const Control chosen = c;  // the actions may lay the controls out anew
        activate(chosen);
        return true;
    }
    return false;
}

void TobbiOnboardingView::activate(const Control& c) {
    using K = Control::Kind;
    switch (c.kind) {
        case K::next:
        case K::notNow: nextPage(); break;
        case K::useLocation: allowLocation(); break;
        case K::seeIt: openPhoneApp(); break;
        case K::skip:
        case K::letsGo: finish(); break;
        case K::swatch: pickBreed(c.breed); break;
        case K::field: {
            // Put the caret where the press landed.
            const QFontMetricsF fm(fieldFont());
            const QString name = storedName();
            const double x = hoverPoint_.x() - (c.rect.left() + 10);
            int best = 0;
            while (best < name.size() && fm.horizontalAdvance(name.left(best)) < x) best = nextBoundary(name, best);
            caret_ = best;
            break;
        }
    }
}

void TobbiOnboardingView::mouseMove(QPointF point, const QRectF& rect) {
    hoverPoint_ = toView(point, rect);
    hoveredBreed_.reset();
    if (inStory()) return;
    layoutControls();
    for (const Control& c : controls_)
        if (c.kind == Control::Kind::swatch && hits(c, hoverPoint_)) hoveredBreed_ = c.breed;
}

void TobbiOnboardingView::mouseLeave() {
    hoveredBreed_.reset();
    hoverPoint_ = QPointF(-1000, -1000);
}

bool TobbiOnboardingView::hitTest(QPointF point, const QRectF& rect) const {
    const QPointF at = toView(point, rect);
    if (story_ && !storyLeaving_) return TobbiStory::skipRect(QRectF(0, 0, kWidth, kHeight)).contains(at);
    layoutControls();
    return std::any_of(controls_.begin(), controls_.end(), [&](const Control& c) { return hits(c, at); });
}

// Painting ----------------------------------------------------------------------------------------

void TobbiOnboardingView::paint(QPainter& p, const QRectF& rect, double frameNow) {
    p.save();
    p.translate(rect.topLeft());
    p.scale(rect.width() / kWidth, rect.height() / kHeight);
    p.setClipRect(QRectF(0, 0, kWidth, kHeight), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    CatEnv env{breed(), outfit_};
    if (story_ && !storyLeaving_) {
        if (!story_->begun()) story_->begin();
        story_->tick();
    }
    if (story_ && !storyLeaving_) {
        story_->paint(p, QRectF(0, 0, kWidth, kHeight), env);
        p.restore();
        return;
    }
    paintPages(p, frameNow);
    if (story_ && storyLeaving_) {
        // The film fades out over the arriving pages.
        const double u = (frameNow - storyEndedAt_) / 0.6;
        if (u >= 1) {
            story_.reset();
        } else {
            p.save();
            p.setOpacity(1 - story::smooth(u));
            story_->paint(p, QRectF(0, 0, kWidth, kHeight), env);
            p.restore();
        }
    }
    p.restore();
}

void TobbiOnboardingView::paintPages(QPainter& p, double frameNow) {
    // Background.
    QLinearGradient g(0, 0, 0, kHeight);
    g.setColorAt(0, hex("#1E1A2E"));
    g.setColorAt(1, hex("#2B2238"));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), g);

    // Illustration, cross-fading from the page before.
    ArtContext ctx;
    ctx.clock = frameNow;
    ctx.env = CatEnv{breed(), outfit_};
    ctx.face = s_.face;
    ctx.emotes = s_.emotes;
    ctx.world = world_;
    ctx.faceTime = s_.clock->monotonic();
    ctx.liveWeather = s_.skyStatus && s_.skyStatus() == SkyModel::Status::Kind::live;
    ctx.liveLook = s_.skyLook ? s_.skyLook() : SkyLook{};
    const double since = frameNow - pageStart_;
    const double k = page_ == previousPage_ ? 1.0 : std::clamp(springProgress(since, 0.45, 0.85), 0.0, 1.0);
    const double sincePick = frameNow - pickedAt_;
    if (k < 1) {
        ArtContext old = ctx;
        old.t = frameNow - previousPageStart_;
        p.save();
        p.setOpacity(1 - std::min(k, 1.0));
        paintIllustration(p, previousPage_, old, sincePick);
        p.restore();
    }
    ctx.t = since;
    p.save();
    p.setOpacity(std::min(k, 1.0));
    paintIllustration(p, page_, ctx, sincePick);
    p.restore();

    paintColumn(p, frameNow);
    paintButtons(p, frameNow);
}

void TobbiOnboardingView::paintColumn(QPainter& p, double frameNow) const {
    const double since = frameNow - pageStart_;
    const double k = page_ == previousPage_ ? 1.0 : springProgress(since, 0.45, 0.85);
    const auto column = [&](int page, double opacity, double dx, bool current) {
        if (opacity <= 0.002) return;
        p.save();
        p.setOpacity(p.opacity() * opacity);
        p.translate(dx, 0);
        const QString name = s_.petName ? s_.petName() : prefs::petName(*s_.store);
        const QString title = titleFor(page, newCat_, name, breed());
        const FittedText fittedTitleText = fittedTitle(title);
        p.setPen(hex("#F7F4F0"));
        p.setFont(fittedTitleText.font);
        // Smaller type for a long name keeps the line's baseline.
        p.drawText(QPointF(kColumnX, kColumnY + QFontMetricsF(titleFont()).ascent()), fittedTitleText.text);
        p.setPen(hex("#F7F4F0", 0.72));
        bodyOf(page).draw(&p, QPointF(kColumnX, bodyTop()));
        if (current) {
            for (const Control& c : controls_) {
                if (c.kind == Control::Kind::field) {
                    const QRectF r = c.rect;
                    p.setPen(Qt::NoPen);
                    p.setBrush(QColor::fromRgbF(1, 1, 1, 0.1f));
                    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
                    p.setBrush(Qt::NoBrush);
                    p.setPen(QPen(hex("#F8D7A4", 0.6), 1));
                    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), r.height() / 2 - 0.5, r.height() / 2 - 0.5);
                    const QFont ff = fieldFont();
                    const QFontMetricsF fm(ff);
                    const QString typed = storedName();
                    const QRectF inner = r.adjusted(10, 0, -10, 0);
                    const double caretX = fm.horizontalAdvance(typed.left(caret_));
                    const double shift = std::max(0.0, caretX - inner.width() + 2);
                    p.save();
                    p.setClipRect(inner.adjusted(-1, 0, 1, 0), Qt::IntersectClip);
                    p.setFont(ff);
                    const double base = r.center().y() + (fm.ascent() - fm.descent()) / 2;
                    if (typed.isEmpty()) {
                        p.setPen(hex("#F7F4F0", 0.3));
                        p.drawText(QPointF(inner.left(), base), QStringLiteral("Tobbi"));
                    } else {
                        p.setPen(hex("#F7F4F0"));
                        p.drawText(QPointF(inner.left() - shift, base), typed);
                    }
                    // The caret blinks once a second.
                    if (std::fmod(std::max(since, 0.0), 1.06) < 0.62) {
                        p.setPen(QPen(hex("#F8D7A4"), 1.6, Qt::SolidLine, Qt::RoundCap));
                        const double x = inner.left() + caretX - shift + 0.5;
                        p.drawLine(QPointF(x, r.center().y() - fm.ascent() / 2 - 1),
                                   QPointF(x, r.center().y() + fm.ascent() / 2 + 1));
                    }
                    p.restore();
                } else if (c.kind == Control::Kind::swatch) {
                    const bool selected = c.breed == breed();
                    const QPointF centre = c.rect.center();
                    p.setPen(Qt::NoPen);
                    p.setBrush(QColor::fromRgbF(1, 1, 1, selected ? 0.22f : (hoveredBreed_ == c.breed ? 0.12f : 0.06f)));
                    p.drawEllipse(centre, 14, 14);
                    CatHead head;
                    head.expression = selected ? CatExpression::happy : CatExpression::content;
                    head.size = 22;
                    head.breed = c.breed;
                    head.outfit = CatOutfit{};
                    p.save();
                    p.translate(centre);
                    head.paint(p, CatEnv{c.breed, {}});
                    p.restore();
                    if (selected) {
                        p.setBrush(Qt::NoBrush);
                        p.setPen(QPen(hex("#F8D7A4"), 1.5));
                        p.drawEllipse(centre, 13.25, 13.25);
                    }
                }
            }
            if (page == 3 && askedLocation_) {
                using Kind = SkyModel::Status::Kind;
                const Kind kind = s_.skyStatus ? s_.skyStatus() : Kind::off;
                Symbol icon = Symbol::locationCircle;
                const char* colour = "#B8C4FF";
                if (kind == Kind::denied || kind == Kind::failed) {
                    icon = Symbol::alertCircle;
                    colour = "#F4B26A";
                } else if (kind == Kind::live) {
                    icon = Symbol::checkCircle;
                    colour = "#8FE0A8";
                }
                const double fade = std::clamp((frameNow - askedAt_) / 0.25, 0.0, 1.0);
                p.save();
                p.setOpacity(p.opacity() * (1 - (1 - fade) * (1 - fade)));
                const FittedText fitted = locationStatusFit();
                const QFontMetricsF fm(fitted.font);
                paintSymbol(p, icon, QPointF(fitted.box.left() - kStatusIndent / 2 - 1, fitted.box.top() + fm.height() / 2), 10,
                            hex(colour));
                p.setFont(fitted.font);
                p.setPen(hex(colour));
                p.drawText(fitted.box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, fitted.text);
                p.restore();
            }
        }
        p.restore();
    };
    layoutControls();
    if (k < 1) column(previousPage_, 1 - std::clamp(k, 0.0, 1.0), 0, false);
    column(page_, std::clamp(k, 0.0, 1.0), 60 * (1 - k), true);

    // The swatch's tip: the breed's name under the swatch, in the button row's empty middle
    // between "Skip" and the buttons, where it covers no text.
    if (hoveredBreed_) {
        double from = kColumnX, to = kColumnX + kColumnWidth;
        for (const Control& c : controls_) {
            if (c.kind == Control::Kind::skip) from = std::max(from, c.rect.right() + 6);
            else if (c.kind != Control::Kind::swatch && c.kind != Control::Kind::field && c.rect.top() >= kRowY)
                to = std::min(to, c.rect.left() - 6);
        }
        for (const Control& c : controls_) {
            if (c.kind != Control::Kind::swatch || c.breed != *hoveredBreed_) continue;
            const QString text = fromView(displayName(c.breed));
            const QFont f = roundedFont(9, QFont::Bold);
            const QFontMetricsF fm(f);
            const double w = fm.horizontalAdvance(text) + 12;
            const double h = fm.height() + 4;
            const double x = std::clamp(c.rect.center().x() - w / 2, from, std::max(from, to - w));
            const QRectF tip(x, kRowY + (pillHeight() - h) / 2, w, h);
            p.save();
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgbF(0.06f, 0.05f, 0.08f, 0.92f));
            p.drawRoundedRect(tip, h / 2, h / 2);
            p.setFont(f);
            p.setPen(hex("#F7F4F0"));
            p.drawText(tip, Qt::AlignCenter, text);
            p.restore();
        }
    }
}

void TobbiOnboardingView::paintButtons(QPainter& p, double frameNow) const {
    // Page dots: the wide one slides along on a spring.
    const double since = frameNow - pageStart_;
    const double k = page_ == previousPage_ ? 1.0 : springProgress(since, 0.35, 0.75);
    const double h = pillHeight();
    const double cy = kRowY + h / 2;
    double x = kColumnX;
    p.setPen(Qt::NoPen);
    for (int i = 0; i <= kLastPage; ++i) {
        const double was = i == previousPage_ ? 1 : 0;
        const double is = i == page_ ? 1 : 0;
        const double on = std::clamp(was + (is - was) * k, 0.0, 1.2);
        const double w = 5 + 9 * on;
        p.setBrush(QColor::fromRgbF(1, 1, 1, float(0.25 + 0.65 * std::clamp(on, 0.0, 1.0))));
        p.drawRoundedRect(QRectF(x, cy - 2.5, w, 5), 2.5, 2.5);
        x += w + 4;
    }
    using K = Control::Kind;
    for (const Control& c : controls_) {
        const bool hovered = c.rect.contains(hoverPoint_);
        switch (c.kind) {
            case K::skip: {
                p.setFont(skipFont());
                p.setPen(QColor::fromRgbF(1, 1, 1, hovered ? 0.7f : 0.45f));
                p.drawText(c.rect, Qt::AlignCenter, QStringLiteral("Skip"));
                break;
            }
            case K::next: paintPill(p, c.rect, QStringLiteral("Next"), std::nullopt, true, hovered); break;
            case K::notNow: paintPill(p, c.rect, QStringLiteral("Not now"), std::nullopt, false, hovered); break;
            case K::useLocation:
                paintPill(p, c.rect, QStringLiteral("Use my location"), Symbol::locationFill, true, hovered);
                break;
            case K::seeIt: paintPill(p, c.rect, QStringLiteral("See it"), Symbol::phone, false, hovered); break;
            case K::letsGo: paintPill(p, c.rect, QStringLiteral("Let's go!"), Symbol::pawprint, true, hovered); break;
            default: break;
        }
    }
}

}  // namespace kp
