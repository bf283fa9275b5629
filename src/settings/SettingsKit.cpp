#include "settings/SettingsKit.h"

#include "cat/art/CatDrawing.h"
#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/Spring.h"
#include "settings/DurationField.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace kp {

namespace kit {

const QColor& ink() {
    static const QColor c = colorFromHex("#FAFAFA");
    return c;
}
const QColor& muted() {
    static const QColor c = colorFromHex("#8A8A8A");
    return c;
}
const QColor& line() {
    static const QColor c = colorFromHex("#1F1F1F");
    return c;
}
const QColor& accent() {
    static const QColor c = colorFromHex("#E39455");
    return c;
}
const QColor& peach() {
    static const QColor c = colorFromHex("#F8D7A4");
    return c;
}
const QColor& card() {
    static const QColor c = colorFromHex("#0A0A0A");
    return c;
}

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return c;
}

QFont font(double pixelSize, int weight) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(QFont::Weight(weight));
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

namespace {

struct Glyph {
    char16_t code;
    bool flip = false;  // turned upside down
};

// Apple-style symbol names to the icon font's code points.
const std::unordered_map<QString, Glyph>& glyphs() {
    static const std::unordered_map<QString, Glyph> map{
        {QStringLiteral("pawprint.fill"), {0xe91d}},
        {QStringLiteral("macwindow"), {0xe069}},
        {QStringLiteral("tshirt.fill"), {0xf19e}},
        {QStringLiteral("bag.fill"), {0xf1cc}},
        {QStringLiteral("speaker.wave.2.fill"), {0xe050}},
        {QStringLiteral("rectangle.topthird.inset.filled"), {0xe071, true}},
        {QStringLiteral("heart.fill"), {0xe87d}},
        {QStringLiteral("timer"), {0xe425}},
        {QStringLiteral("fork.knife"), {0xe56c}},
        {QStringLiteral("birthday.cake.fill"), {0xe7e9}},
        {QStringLiteral("lock.fill"), {0xe897}},
        {QStringLiteral("cup.and.saucer.fill"), {0xe541}},
        {QStringLiteral("house.fill"), {0xe88a}},
        {QStringLiteral("figure.walk"), {0xe536}},
        {QStringLiteral("leaf.fill"), {0xea35}},
        {QStringLiteral("cross.case.fill"), {0xf109}},
        {QStringLiteral("sparkles"), {0xe65f}},
        {QStringLiteral("play.rectangle.fill"), {0xf06a}},
        {QStringLiteral("music.note"), {0xe405}},
        {QStringLiteral("hand.tap.fill"), {0xe913}},
        {QStringLiteral("slider.horizontal.3"), {0xe429}},
        {QStringLiteral("infinity"), {0xeb3d}},
        {QStringLiteral("cloud.sun.fill"), {0xe3dd}},
        {QStringLiteral("cursorarrow.rays"), {0xe762}},
        {QStringLiteral("rectangle.expand.vertical"), {0xe5d7}},
        {QStringLiteral("rectangle.compress.vertical"), {0xe5d6}},
        {QStringLiteral("hand.wave.fill"), {0xe766}},
        {QStringLiteral("arrow.counterclockwise"), {0xf053}},
        {QStringLiteral("globe"), {0xe80b}},
        {QStringLiteral("arrow.up.right"), {0xf1e1}},
    };
    return map;
}

// The icon font's family, loaded once; empty when it is not installed.
const QString& symbolFamily() {
    static const QString family = [] {
        const QString path =
            QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf");
        if (QFile::exists(path)) {
            const int id = QFontDatabase::addApplicationFont(path);
            if (id >= 0) {
                const QStringList families = QFontDatabase::applicationFontFamilies(id);
                if (!families.isEmpty()) return families.first();
            }
        }
        if (QFontDatabase::families().contains(QStringLiteral("Material Icons"))) return QStringLiteral("Material Icons");
        return QString();
    }();
    return family;
}

std::function<void()>& tapSound() {
    static std::function<void()> tap;
    return tap;
}

void paintCapsule(QPainter& p, const QRectF& r, const QBrush& fill) {
    const double radius = r.height() / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// A 1-wide stroke along the inside of a rounded rectangle's edge.
void strokeInside(QPainter& p, const QRectF& r, double radius, const QColor& colour, double width = 1) {
    const double h = width / 2;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width));
    p.drawRoundedRect(r.adjusted(h, h, -h, -h), std::max(0.0, radius - h), std::max(0.0, radius - h));
}

}  // namespace

bool hasSymbol(const QString& name) { return glyphs().count(name) > 0; }

void drawSymbol(QPainter& p, const QString& name, const QRectF& box, double pixelSize, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const auto it = glyphs().find(name);
    if (it == glyphs().end() || symbolFamily().isEmpty()) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const double r = pixelSize * 0.25;
        p.drawEllipse(box.center(), r, r);
        p.restore();
        return;
    }
    // The icon font's glyphs sit in a padded square; this size matches a text symbol's ink.
    QFont f(symbolFamily());
    f.setPixelSize(std::max(1, int(std::lround(pixelSize * 1.3))));
    f.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(f);
    p.setPen(colour);
    if (it->second.flip) {
        p.translate(box.center());
        p.scale(1, -1);
        p.translate(-box.center());
    }
    p.drawText(box, Qt::AlignCenter, QString(QChar(it->second.code)));
    p.restore();
}

void setTapSound(std::function<void()> tap) { tapSound() = std::move(tap); }
void playTap() {
    if (tapSound()) tapSound()();
}

void setLabelColour(QLabel* l, const QColor& colour) {
    QPalette pal = l->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::WindowText, colour);
        pal.setColor(group, QPalette::Text, colour);
    }
    l->setPalette(pal);
}

QLabel* label(const QString& text, double pixelSize, int weight, const QColor& colour, bool wrap) {
    auto* l = new QLabel(text);
    l->setTextFormat(Qt::PlainText);
    l->setFont(font(pixelSize, weight));
    l->setWordWrap(wrap);
    setLabelColour(l, colour);
    if (wrap) l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    return l;
}

void style(DurationField* field) {
    field->hideTitle();
    // As wide as its amount needs, less where the row has no more room (the amount then fits).
    field->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    field->setStyleSheet(QStringLiteral(
        "QLineEdit { background: rgba(250,250,250,18); color: #FAFAFA; border: 1px solid #2A2A2A;"
        "  border-radius: 7px; padding: 3px 6px; font-family: 'DejaVu Sans'; font-size: 12px; font-weight: bold;"
        "  selection-background-color: #E39455; }"
        "QLineEdit:focus { border: 1px solid #E39455; }"
        "QComboBox { color: #FAFAFA; font-family: 'DejaVu Sans'; font-size: 12px; font-weight: bold; }"
        "QComboBox QAbstractItemView { background: #141414; color: #FAFAFA; border: 1px solid #2A2A2A;"
        "  selection-background-color: #E39455; selection-color: white; outline: none; }"));
}

}  // namespace kit

// ---------------------------------------------------------------------------------------------
// Card, row, divider, badge

namespace {

class CardBox : public QWidget {
public:
    explicit CardBox(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF r = rect();
        p.setPen(Qt::NoPen);
        p.setBrush(kit::card());
        p.drawRoundedRect(r, 16, 16);
        kit::strokeInside(p, r, 16, kit::line());
    }
};

}  // namespace

SettingsCard::SettingsCard(const QString& title, const QString& footer, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!title.isEmpty()) {
        title_ = kit::label(title.toUpper(), 10.5, QFont::Black, kit::withAlpha(kit::ink(), 0.42));
        QFont f = title_->font();
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        title_->setFont(f);
        title_->setContentsMargins(8, 0, 0, 0);
        column->addWidget(title_);
    }
    auto* frame = new CardBox(this);
    box_ = new QVBoxLayout(frame);
    box_->setContentsMargins(0, 3, 0, 3);
    box_->setSpacing(0);
    column->addWidget(frame);
    footer_ = kit::label(footer, 11, QFont::Normal, kit::muted(), true);
    footer_->setContentsMargins(8, 0, 8, 0);
    footer_->setVisible(!footer.isEmpty());
    column->addWidget(footer_);
}

void SettingsCard::add(QWidget* content) { box_->addWidget(content); }

void SettingsCard::setFooter(const QString& text) {
    footer_->setText(text);
    footer_->setVisible(!text.isEmpty());
}

IconBadge::IconBadge(QString symbol, QColor tint, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), tint_(std::move(tint)) {
    setFixedSize(26, 26);
}

void IconBadge::setSymbol(const QString& s) {
    symbol_ = s;
    update();
}

void IconBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, 26);
    g.setColorAt(0, kit::withAlpha(tint_, 0.85));
    g.setColorAt(1, tint_);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, 26, 26), 8, 8);
    kit::drawSymbol(p, symbol_, QRectF(0, 0, 26, 26), 11.5, Qt::white);
}

SettingsRow::SettingsRow(const QString& icon, const QColor& tint, const QString& title, const QString& detail,
                         QWidget* trailing, QWidget* parent)
    : QWidget(parent), trailing_(trailing) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 9, 14, 9);
    row->setSpacing(12);
    badge_ = new IconBadge(icon, tint, this);
    row->addWidget(badge_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->setContentsMargins(0, 0, 0, 0);
    title_ = kit::label(title, 13, QFont::DemiBold, kit::ink());
    detail_ = kit::label(detail, 11, QFont::Normal, kit::muted(), true);
    detail_->setVisible(!detail.isEmpty());
    detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    texts->addStretch(1);
    texts->addWidget(title_);
    texts->addWidget(detail_);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    if (trailing) {
        trailing->setParent(this);
        row->addWidget(trailing, 0, Qt::AlignVCenter | Qt::AlignRight);
    }
}

void SettingsRow::setDetail(const QString& text) {
    detail_->setText(text);
    detail_->setVisible(!text.isEmpty());
}

RowDivider::RowDivider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

void RowDivider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(QRectF(52, 0, std::max(0, width() - 52), 1), kit::line());
}

// ---------------------------------------------------------------------------------------------
// Switch, button, slider

namespace {
constexpr double kSlideResponse = 0.28;
constexpr double kSlideDamping = 0.75;
// The knob's share of the way at `progress` of the slide, which runs until the spring has settled.
qreal slideSpring(qreal progress) {
    return springProgress(progress * springSettleTime(kSlideResponse, kSlideDamping), kSlideResponse, kSlideDamping);
}
}  // namespace

TobbiToggle::TobbiToggle(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFixedSize(36, 21);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    slide_ = new QVariantAnimation(this);
    slide_->setDuration(int(std::ceil(springSettleTime(kSlideResponse, kSlideDamping) * 1000)));
    QEasingCurve spring;
    spring.setCustomType(slideSpring);
    slide_->setEasingCurve(spring);
    connect(slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        knob_ = v.toDouble();
        update();
    });
}

bool TobbiToggle::sliding() const { return slide_->state() == QAbstractAnimation::Running; }

void TobbiToggle::checkStateSet() {
    // Qt calls this for every setChecked, also when the store echoes the switch's own click: that
    // slide goes on. A value that differs from where the knob is or is heading was changed
    // elsewhere, and shows at once.
    const double target = isChecked() ? 1 : 0;
    if ((sliding() ? slide_->endValue().toDouble() : knob_) == target) return;
    slide_->stop();
    knob_ = target;
    update();
}

void TobbiToggle::hideEvent(QHideEvent* e) {
    // Nobody sees the rest of a slide.
    if (sliding()) {
        slide_->stop();
        knob_ = isChecked() ? 1 : 0;
    }
    QAbstractButton::hideEvent(e);
}

void TobbiToggle::nextCheckState() {
    QAbstractButton::nextCheckState();
    slideTo(isChecked() ? 1 : 0);
}

void TobbiToggle::slideTo(double target) {
    slide_->stop();
    if (!isVisible()) {
        knob_ = target;
        update();
        return;
    }
    slide_->setStartValue(knob_);
    slide_->setEndValue(target);
    slide_->start();
}

void TobbiToggle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    const double k = std::clamp(knob_, 0.0, 1.0);
    const QColor off = kit::withAlpha(kit::ink(), 0.14);
    const QColor& on = kit::accent();
    QColor track;
    track.setRgbF(float(off.redF() + (on.redF() - off.redF()) * k), float(off.greenF() + (on.greenF() - off.greenF()) * k),
                  float(off.blueF() + (on.blueF() - off.blueF()) * k),
                  float(off.alphaF() + (on.alphaF() - off.alphaF()) * k));
    const QRectF r(0, (height() - 21) / 2.0, 36, 21);
    kit::paintCapsule(p, r, track);
    const QPointF c(r.left() + 10.5 + 15 * knob_, r.center().y());
    p.setBrush(QColor(0, 0, 0, 46));
    p.drawEllipse(c + QPointF(0, 1), 9.2, 9.2);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 8.5, 8.5);
}

TobbiButton::TobbiButton(const QString& text, bool prominent, QWidget* parent)
    : QAbstractButton(parent), prominent_(prominent), clock_(&SystemClock::shared()) {
    setText(text);
    setFont(kit::font(12, QFont::Bold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::pressed, this, [] { kit::playTap(); });
    frames_ = new QTimer(this);
    frames_->setSingleShot(true);
    frames_->setTimerType(Qt::PreciseTimer);
    connect(frames_, &QTimer::timeout, this, [this] { frame(); });
}

namespace {
constexpr double kPressResponse = 0.2;
constexpr double kPressDamping = 0.7;
}  // namespace

double TobbiButton::scale() const {
    return from_ + (target() - from_) * springProgress(clock_->monotonic() - since_, kPressResponse, kPressDamping);
}

bool TobbiButton::springing() const { return frames_->isActive(); }

bool TobbiButton::event(QEvent* e) {
    // The pressed state changes inside the base's handling of the mouse (also where no signal
    // tells, as a release away from the button), and of enabling.
    const bool done = QAbstractButton::event(e);
    followDown();
    return done;
}

void TobbiButton::followDown() {
    if (isDown() == down_) return;
    // From wherever it is drawn now, so a quick click turns back mid-way.
    from_ = scale();
    down_ = isDown();
    since_ = clock_->monotonic();
    update();
    if (reduceMotion_ || !isVisible()) {
        settle();
        return;
    }
    if (frames_->isActive()) return;
    // Frames come at the display's rate, in real time whatever clock times the spring.
    const double now = SystemClock::shared().monotonic();
    pacer_.start(displayFramePeriod(screen()), now);
    frames_->start(pacer_.next(now));
}

void TobbiButton::frame() {
    update();
    // Not at the first reach of the target: the spring swings past it and back before it rests.
    // At rest the last frame draws the target and no timer is left running.
    if (clock_->monotonic() - since_ >= springSettleTime(kPressResponse, kPressDamping)) {
        settle();
        return;
    }
    frames_->start(pacer_.next(SystemClock::shared().monotonic()));
}

void TobbiButton::settle() {
    frames_->stop();
    from_ = target();
}

void TobbiButton::setReduceMotion(bool on) {
    reduceMotion_ = on;
    if (on && frames_->isActive()) {
        settle();
        update();
    }
}

void TobbiButton::hideEvent(QHideEvent* e) {
    settle();
    QAbstractButton::hideEvent(e);
}

QSize TobbiButton::sizeHint() const {
    const QFontMetricsF fm(font());
    return {int(std::ceil(fm.horizontalAdvance(text()) + 24)), int(std::ceil(fm.height() + 12))};
}

void TobbiButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    const QRectF r = rect();
    if (const double s = scale(); s != 1) {
        p.translate(r.center());
        p.scale(s, s);
        p.translate(-r.center());
    }
    kit::paintCapsule(p, r, prominent_ ? kit::accent() : kit::withAlpha(kit::ink(), 0.07));
    p.setFont(font());
    p.setPen(prominent_ ? QColor(Qt::white) : kit::withAlpha(kit::ink(), 0.8));
    p.drawText(r, Qt::AlignCenter, text());
}

KitSlider::KitSlider(QWidget* parent) : QWidget(parent) {
    setFixedSize(150, 21);
    setCursor(Qt::PointingHandCursor);
}

void KitSlider::setValue(double v) {
    v = std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
    if (v == value_) return;
    value_ = v;
    update();
}

void KitSlider::moveTo(double x) {
    const double v = std::clamp((x - 8.5) / (width() - 17.0), 0.0, 1.0);
    if (v == value_) return;
    value_ = v;
    update();
    emit moved(v);
}

void KitSlider::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) moveTo(e->position().x());
}
void KitSlider::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) moveTo(e->position().x());
}

void KitSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    const double cy = height() / 2.0;
    const double left = 8.5, right = width() - 8.5;
    const double x = left + (right - left) * value_;
    kit::paintCapsule(p, QRectF(left - 2, cy - 2, right - left + 4, 4), kit::withAlpha(kit::ink(), 0.14));
    kit::paintCapsule(p, QRectF(left - 2, cy - 2, x - left + 4, 4), kit::accent());
    p.setBrush(QColor(0, 0, 0, 46));
    p.drawEllipse(QPointF(x, cy + 1), 8.2, 8.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(x, cy), 7.5, 7.5);
}

// ---------------------------------------------------------------------------------------------
// Tab bar

SettingsTabs::SettingsTabs(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    fader_ = new QVariantAnimation(this);
    fader_->setDuration(300);
    fader_->setEasingCurve(QEasingCurve::OutCubic);
    fader_->setStartValue(0.0);
    fader_->setEndValue(1.0);
    connect(fader_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        fade_ = v.toDouble();
        update();
    });
}

void SettingsTabs::setTabs(std::vector<Tab> tabs) {
    tabs_ = std::move(tabs);
    updateGeometry();
    update();
}

void SettingsTabs::setSelection(int id) {
    if (id == selection_) return;
    // The old tab's capsule fades out as the new one's fades in; nothing travels between them.
    previous_ = selection_;
    selection_ = id;
    fader_->stop();
    fade_ = 1;
    if (isVisible()) fader_->start();
    update();
}

double SettingsTabs::minimumWidth(const Tab& tab, const QFont& font) const {
    const QFontMetricsF fm(font);
    const double icon = font.pixelSize() * 13.0 / 12.0;
    return icon + 5 + fm.horizontalAdvance(tab.title) + 12;
}

QFont SettingsTabs::titleFont() const {
    const double inner = width() - 8 - 4.0 * std::max<int>(0, int(tabs_.size()) - 1);
    const auto fits = [&](const QFont& f) {
        double sum = 0;
        for (const Tab& t : tabs_) sum += minimumWidth(t, f);
        return sum <= inner;
    };
    QFont f = kit::font(12, QFont::Bold);
    if (fits(f)) return f;
    f.setStretch(QFont::SemiCondensed);
    for (int px = 12; px > 9; --px) {
        f.setPixelSize(px);
        if (fits(f)) return f;
    }
    return f;
}

QSize SettingsTabs::sizeHint() const {
    const QFont f = kit::font(12, QFont::Bold);
    double w = 8 + 4.0 * std::max<int>(0, int(tabs_.size()) - 1);
    for (const Tab& t : tabs_) w += minimumWidth(t, f);
    const QFontMetricsF fm(f);
    return {int(std::ceil(w)), int(std::ceil(8 + 12 + fm.height()))};
}

QSize SettingsTabs::minimumSizeHint() const { return {100, sizeHint().height()}; }

std::vector<QRectF> SettingsTabs::tabRects() const {
    std::vector<QRectF> out;
    const std::size_t n = tabs_.size();
    if (n == 0) return out;
    // Equal shares; a tab that needs more keeps its need and the rest share what is left.
    const double inner = width() - 8 - 4.0 * double(n - 1);
    std::vector<double> mins(n), widths(n, 0);
    const QFont f = titleFont();
    for (std::size_t i = 0; i < n; ++i) mins[i] = minimumWidth(tabs_[i], f);
    std::vector<bool> fixed(n, false);
    for (bool again = true; again;) {
        again = false;
        double left = inner;
        int free = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (fixed[i]) left -= mins[i];
            else ++free;
        }
        const double share = free ? left / free : 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (!fixed[i] && share < mins[i]) {
                fixed[i] = true;
                again = true;
            }
            widths[i] = fixed[i] ? mins[i] : share;
        }
    }
    double x = 4;
    for (std::size_t i = 0; i < n; ++i) {
        out.emplace_back(x, 4, widths[i], height() - 8);
        x += widths[i] + 4;
    }
    return out;
}

void SettingsTabs::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = rect();
    kit::paintCapsule(p, r, kit::card());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kit::line(), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), r.height() / 2 - 0.5, r.height() / 2 - 0.5);
    const auto rects = tabRects();
    const QFont titleFont = this->titleFont();
    const QFontMetricsF fm(titleFont);
    const double icon = titleFont.pixelSize() * 13.0 / 12.0;
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        const QRectF& t = rects[i];
        const double on = tabs_[i].id == selection_ ? fade_ : tabs_[i].id == previous_ ? 1 - fade_ : 0;
        if (on > 0) kit::paintCapsule(p, t, kit::withAlpha(kit::accent(), on));
        const QColor dim = kit::withAlpha(kit::ink(), 0.65);
        QColor fg;
        fg.setRgbF(float(dim.redF() + (1 - dim.redF()) * on), float(dim.greenF() + (1 - dim.greenF()) * on),
                   float(dim.blueF() + (1 - dim.blueF()) * on), float(dim.alphaF() + (1 - dim.alphaF()) * on));
        const double w = icon + 5 + fm.horizontalAdvance(tabs_[i].title);
        const double x = t.center().x() - w / 2;
        kit::drawSymbol(p, tabs_[i].icon, QRectF(x, t.top(), icon, t.height()), 10.5 * icon / 13, fg);
        p.setFont(titleFont);
        p.setPen(fg);
        p.drawText(QRectF(x + icon + 5, t.top(), w - icon - 5 + 2, t.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   tabs_[i].title);
    }
}

void SettingsTabs::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const auto rects = tabRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (!rects[i].contains(e->position())) continue;
        if (tabs_[i].id != selection_) kit::playTap();
        emit selected(tabs_[i].id);
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// Hero

HeroTile::HeroTile(QWidget* parent) : QWidget(parent) { setFixedSize(136, 120); }

double HeroTile::blink(double time) { return std::fmod(time, 4.2) < 0.14 && std::fmod(time, 4.2) >= 0 ? 1.0 : 0.0; }

double HeroTile::tail(double time) { return 14.0 * std::sin(1.8 * time); }

QRect HeroTile::tailReach(CatBreed breed, const CatOutfit& outfit) {
    // Found by drawing rather than by knowing the drawing: the cat at each swing, compared with
    // the cat at rest. Drawn once per look, in about a millisecond.
    const auto draw = [&](double swing) {
        QImage img(136, 120, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        paintCat(p, breed, outfit, swing, 0);
        return img;
    };
    const QImage rest = draw(0);
    QRect reach;
    for (int swing = -14; swing <= 14; swing += 2) {
        if (swing == 0) continue;
        const QImage img = draw(swing);
        for (int y = 0; y < img.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(rest.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if (a[x] != b[x]) reach |= QRect(x, y, 1, 1);
        }
    }
    // A little over, for the swings between the ones drawn and the soft edges at higher density.
    return reach.isNull() ? reach : reach.adjusted(-3, -3, 3, 3) & QRect(0, 0, 136, 120);
}

void HeroTile::set(CatBreed breed, const CatOutfit& outfit, double time) {
    const bool newLook = breed != breed_ || !(outfit == outfit_) || !reachKnown_;
    const bool newBlink = blink(time) != blink(time_);
    const bool newTail = std::round(tail(time)) != std::round(tail(time_));
    breed_ = breed;
    outfit_ = outfit;
    time_ = time;
    if (newLook) {
        reach_ = tailReach(breed, outfit);
        reachKnown_ = true;
        swings_.clear();
    }
    // Between blinks only the tail moves: the rest of the tile is left as it is on screen.
    if (newLook || newBlink) update();
    else if (newTail) update(reach_);
}

void HeroTile::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const double swing = std::round(tail(time_));
    if (blink(time_) > 0 || !reach_.contains(event->rect())) {
        paintFrame(p, breed_, outfit_, swing, blink(time_));
        return;
    }
    // The tail takes whole degrees, so its part of the tile comes back to the same few pictures:
    // each is drawn once (the whole cat, a fraction of a millisecond) and then only copied.
    const double dpr = devicePixelRatioF();
    if (swingsDpr_ != dpr) swings_.clear();
    swingsDpr_ = dpr;
    if (swings_.empty()) swings_.resize(29);
    const auto index = static_cast<std::size_t>(std::clamp(swing + 14, 0.0, 28.0));
    QImage& part = swings_[index];
    if (part.isNull()) {
        part = QImage(reach_.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        part.setDevicePixelRatio(dpr);
        part.fill(Qt::transparent);
        QPainter q(&part);
        q.translate(-reach_.topLeft());
        paintFrame(q, breed_, outfit_, index - 14.0, 0);
    }
    p.drawImage(reach_.topLeft(), part);
}

void HeroTile::paintCat(QPainter& p, CatBreed breed, const CatOutfit& outfit, double swing, double blink) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(68, 120 - 34 - 22);
    p.scale(2.1, 2.1);
    CatFigure cat;
    cat.body.tail = swing;
    cat.body.sit = 1;
    cat.body.breed = breed;
    cat.body.pawOnTop = true;
    cat.head.expression = CatExpression::content;
    cat.head.look = QPointF(0.35, 0.15);
    cat.head.blink = blink;
    cat.head.size = 30;
    cat.head.breed = breed;
    CatEnv env;
    env.breed = breed;
    env.outfit = outfit;
    cat.paint(p, env);
    p.restore();
}

void HeroTile::paintTile(QPainter& p, CatBreed breed, const CatOutfit& outfit, double time) {
    paintFrame(p, breed, outfit, std::round(tail(time)), blink(time));
}

void HeroTile::paintFrame(QPainter& p, CatBreed breed, const CatOutfit& outfit, double swing, double blink) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // The tile's fixed shapes and colours, built once.
    static const QRectF r(0, 0, 136, 120);
    static const QPainterPath clip = [] {
        QPainterPath path;
        path.addRoundedRect(r, 18, 18);
        return path;
    }();
    static const QColor plate = colorFromHex("#0A0A0A");
    static const QColor floor = colorFromHex("#1A1A1A");
    // A soft glow behind the cat: a 110-wide disc blurred by 18, lifted 18 off the floor.
    static const QPointF glowCentre(68, 120 - 55 - 18);
    static const QBrush glow = [] {
        QRadialGradient g(glowCentre, 55 + 18);
        const QColor peach = colorFromHex("#F8D7A4");
        g.setColorAt(0, kit::withAlpha(peach, 0.12));
        g.setColorAt((55.0 - 18) / (55 + 18), kit::withAlpha(peach, 0.11));
        g.setColorAt(55.0 / (55 + 18), kit::withAlpha(peach, 0.06));
        g.setColorAt(1, kit::withAlpha(peach, 0));
        return QBrush(g);
    }();
    // Plate, glow and floor shadow never change: drawn once per pixel density and kept.
    const double dpr = std::max(1.0, p.device() ? p.device()->devicePixelRatioF() : 1.0);
    static QImage backdrop;
    if (backdrop.isNull() || backdrop.devicePixelRatio() != dpr) {
        backdrop = QImage(QSize(136, 120) * dpr, QImage::Format_ARGB32_Premultiplied);
        backdrop.setDevicePixelRatio(dpr);
        backdrop.fill(Qt::transparent);
        QPainter b(&backdrop);
        b.setRenderHint(QPainter::Antialiasing, true);
        b.setClipPath(clip);
        b.fillRect(r, plate);
        b.setPen(Qt::NoPen);
        b.setBrush(glow);
        b.drawEllipse(glowCentre, 55 + 18, 55 + 18);
        b.setBrush(floor);
        b.drawEllipse(QRectF(68 - 46, 120 - 10 - 16, 92, 16));
    }
    p.drawImage(r, backdrop);
    // The cat stays clear of the rounded corners: a plain rectangle clip is enough (and cheap).
    p.setClipRect(r, Qt::IntersectClip);
    paintCat(p, breed, outfit, swing, blink);
    p.restore();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    kit::strokeInside(p, r, 18, kit::line());
    p.restore();
}

namespace {
// A label on an accent capsule.
class PillLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override {
        {
            QPainter p(this);
            p.setRenderHint(QPainter::Antialiasing, true);
            kit::paintCapsule(p, rect(), kit::withAlpha(kit::accent(), 0.15));
        }
        QLabel::paintEvent(e);
    }
};
}  // namespace

// The cat's name on one line of whatever width the header gives it: the type steps down to 12 px
// for a long name, and only a name too long even then is cut (its whole self in the tip).
class NameLabel : public QLabel {
public:
    NameLabel() {
        setTextFormat(Qt::PlainText);
        setFont(kit::font(kLargest, QFont::Black));
        kit::setLabelColour(this, kit::ink());
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setMinimumHeight(QFontMetrics(font()).height());
    }
    void setName(const QString& name) {
        if (name == name_) return;
        name_ = name;
        fit();
    }
    QSize sizeHint() const override { return {0, minimumHeight()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QLabel::resizeEvent(e);
        fit();
    }

private:
    static constexpr int kLargest = 28;
    void fit() {
        const int room = contentsRect().width();
        QFont f = font();
        int px = kLargest;
        for (; px > 12; --px) {
            f.setPixelSize(px);
            if (QFontMetricsF(f).horizontalAdvance(name_) <= room) break;
        }
        f.setPixelSize(px);
        setFont(f);
        const QString shown = QFontMetricsF(f).elidedText(name_, Qt::ElideRight, room);
        setToolTip(shown == name_ ? QString() : name_);
        if (text() != shown) setText(shown);
    }
    QString name_;
};

SettingsHero::SettingsHero(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    tile_ = new HeroTile(this);
    row->addWidget(tile_, 0, Qt::AlignVCenter);
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch(1);
    name_ = new NameLabel;
    subtitle_ = new PillLabel;
    subtitle_->setTextFormat(Qt::PlainText);
    subtitle_->setFont(kit::font(12, QFont::Bold));
    kit::setLabelColour(subtitle_, kit::peach());
    subtitle_->setContentsMargins(9, 3, 9, 3);
    subtitle_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    blurb_ = kit::label(QString(), 12, QFont::Normal, kit::muted(), true);
    blurb_->setContentsMargins(0, 2, 0, 0);
    column->addWidget(name_);
    column->addWidget(subtitle_, 0, Qt::AlignLeft);
    column->addWidget(blurb_);
    column->addStretch(1);
    row->addLayout(column, 1);
}

void SettingsHero::set(const QString& name, CatBreed breed, const QString& subtitle, const CatOutfit& outfit,
                       double time) {
    static_cast<NameLabel*>(name_)->setName(name);
    if (subtitle_->text() != subtitle) subtitle_->setText(subtitle);
    const QString line = QString::fromUtf8(blurb(breed).data(), qsizetype(blurb(breed).size()));
    if (blurb_->text() != line) blurb_->setText(line);
    tile_->set(breed, outfit, time);
}

}  // namespace kp
