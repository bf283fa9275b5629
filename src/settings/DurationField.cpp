#include "DurationField.h"

#include "platform/Defaults.h"
#include "core/Preferences.h"

#include <QComboBox>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFrame>

#include <algorithm>

#include <cmath>

namespace kp {

namespace {

// The unit menu, drawn as a soft rounded box with a chevron.
class UnitPicker : public QComboBox {
public:
    using QComboBox::QComboBox;
    QSize sizeHint() const override {
        const QFontMetrics fm(font());
        int widest = 0;
        for (int i = 0; i < count(); ++i) widest = std::max(widest, fm.horizontalAdvance(itemText(i)));
        return {widest + 34, std::max(24, fm.height() + 8)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(QColor(0x2A, 0x2A, 0x2A), 1));
        p.setBrush(QColor(250, 250, 250, 18));
        p.drawRoundedRect(r, 7, 7);
        p.setPen(palette().color(QPalette::Text));
        p.setFont(font());
        p.drawText(r.adjusted(9, 0, -20, 0), Qt::AlignVCenter | Qt::AlignLeft, currentText());
        QPainterPath chevron;
        const QPointF c(r.right() - 11, r.center().y());
        chevron.moveTo(c + QPointF(-3.5, -1.5));
        chevron.lineTo(c + QPointF(0, 2));
        chevron.lineTo(c + QPointF(3.5, -1.5));
        p.setPen(QPen(QColor(0x8A, 0x8A, 0x8A), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(chevron);
    }
};

// The amount's box: 56 wide, and wider while its text needs it, as far as its row has room.
// Shown rather than edited, text wider than the box then gets is drawn smaller to fit: the whole
// amount always reads, where a box that scrolled would show another number (12.346 as "2.346").
// Edited (from a key or a click in it until the edit ends), it scrolls to the cursor as any box.
class AmountBox : public QLineEdit {
public:
    explicit AmountBox(QWidget* parent) : QLineEdit(parent) {
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
        connect(this, &QLineEdit::textChanged, this, [this] { updateGeometry(); });
        connect(this, &QLineEdit::editingFinished, this, [this] { setEditing(false); });
    }
    QSize sizeHint() const override {
        ensurePolished();
        QStyleOptionFrame option;
        initStyleOption(&option);
        // The text, the toolkit's 2 pixels beside it on each side and one for the cursor.
        const QMargins m = textMargins();
        const QFontMetrics fm(font());
        const QSize inner(fm.horizontalAdvance(text()) + 2 * 2 + 1 + m.left() + m.right(), fm.height());
        const int width = style()->sizeFromContents(QStyle::CT_LineEdit, &option, inner, this).width();
        return {std::max(width, DurationField::boxWidth), QLineEdit::sizeHint().height()};
    }
    QSize minimumSizeHint() const override { return {DurationField::boxWidth, sizeHint().height()}; }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        setEditing(true);
        QLineEdit::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        setEditing(true);
        QLineEdit::mousePressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        setEditing(false);
    }
    void paintEvent(QPaintEvent* event) override {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect room = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins())
                               .adjusted(2, 0, -2, 0);
        const auto width = [this](const QFont& f) { return QFontMetricsF(f).horizontalAdvance(text()); };
        if (editing_ || width(font()) <= room.width()) {
            QLineEdit::paintEvent(event);
            return;
        }
        QFont fitted = font();
        double size = fitted.pixelSize() > 0 ? fitted.pixelSize() : QFontInfo(fitted).pixelSize();
        for (size = std::floor(size * room.width() / width(font())); size > 1; --size) {
            fitted.setPixelSize(int(size));
            if (width(fitted) <= room.width()) break;
        }
        QPainter p(this);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
        p.setFont(fitted);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(room, int(alignment()), text());
    }

private:
    void setEditing(bool on) {
        if (editing_ == on) return;
        editing_ = on;
        update();
    }
    bool editing_ = false;
};

// The amount as a double holds it: to 15 significant digits, past which there is only the noise
// of arithmetic (1.234 x 60 is 74.03999999999999, 74.04 / 60 is 1.2340000000000002).
double significant(double x) { return std::isfinite(x) ? QByteArray::number(x, 'g', 15).toDouble() + 0.0 : x; }

// How many digits the shortest decimal of `x` has after its point.
int fractionDigits(double x) {
    const QString s = QLocale::c().toString(x, 'f', QLocale::FloatingPointShortest);
    const qsizetype point = s.indexOf(u'.');
    return point < 0 ? 0 : int(s.size() - point - 1);
}

// The seconds an amount of a unit makes, to the digits the amount was typed with: a whole factor
// adds no fraction digits, so rounding the product to the amount's own takes off what the
// multiplication added (1.234 min is 74.04 s).
double secondsOf(double amount, DurationUnit unit) {
    const double a = significant(amount);
    const double product = a * durationFactor(unit);
    if (!std::isfinite(product) || std::abs(product) >= 1e15) return product;
    return QByteArray::number(product, 'f', fractionDigits(a)).toDouble() + 0.0;
}

// Whether `amount` of `unit`, as the box shows it, makes exactly `seconds`.
bool readsAs(double amount, DurationUnit unit, double seconds) { return secondsOf(amount, unit) == seconds; }

}  // namespace

double durationFactor(DurationUnit unit) {
    switch (unit) {
    case DurationUnit::seconds: return 1;
    case DurationUnit::minutes: return 60;
    case DurationUnit::hours: return 3600;
    case DurationUnit::days: return 86400;
    }
    return 1;
}

DurationDisplay durationDisplay(double seconds) {
    const double s = significant(seconds);
    for (DurationUnit u : {DurationUnit::days, DurationUnit::hours, DurationUnit::minutes, DurationUnit::seconds}) {
        const double f = durationFactor(u);
        if (s >= f && std::fmod(s, f) == 0.0) return {u, s / f};
    }
    return {DurationUnit::seconds, s};
}

double durationToStore(double amount, DurationUnit unit, double minimum, double maximum) {
    const double product = secondsOf(amount, unit);
    return std::min(minimum <= product ? product : minimum, maximum);
}

DurationField::DurationField(const QString& title, Getter get, Setter set, double minimum, double maximum,
                             QWidget* parent)
    : QWidget(parent), get_(std::move(get)), set_(std::move(set)), minimum_(minimum), maximum_(maximum) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    label_ = new QLabel(title, this);
    label_->setTextFormat(Qt::PlainText);
    row->addWidget(label_);
    row->addStretch(1);
    auto* controls = new QHBoxLayout;
    controls->setSpacing(6);
    number_ = new AmountBox(this);
    number_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    picker_ = new UnitPicker(this);
    for (auto u : allCases<DurationUnit>()) picker_->addItem(QString::fromLatin1(rawValue(u).data(), int(rawValue(u).size())));
    picker_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    controls->addWidget(number_);
    controls->addWidget(picker_);
    row->addLayout(controls);

    connect(number_, &QLineEdit::textEdited, this, &DurationField::editText);
    // Whatever was left half-typed, the box shows the value in force once the edit ends.
    connect(number_, &QLineEdit::editingFinished, this, [this] { showStored(false); });
    connect(picker_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!updatingControls_ && index >= 0) editUnit(DurationUnit(index));
    });
    refreshControls();
}

DurationField* DurationField::forKey(const QString& title, Defaults& store, const QString& key, double fallback,
                                     double minimum, double maximum, QWidget* parent) {
    const auto read = [&store, key, fallback] {
        const double v = prefs::tuning(key, fallback, store);
        return std::isfinite(v) ? v : fallback;
    };
    auto* field = new DurationField(
        title, read, [&store, key](double s) { store.set(key, s); }, minimum, maximum, parent);
    connect(&store, &Defaults::changed, field, [field, read, key](const QString& changed) {
        if (changed == key) field->boundSecondsChanged(read());
    });
    return field;
}

QString DurationField::amountText() const {
    // Every digit the amount has, in the user's locale; no group separators, which would read as
    // a decimal point in another locale (90,061).
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(significant(amount_), 'f', QLocale::FloatingPointShortest);
}

void DurationField::hideTitle() { label_->hide(); }

void DurationField::editText(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text, &ok);
    if (ok) editAmount(value);  // text that is not a number leaves the value alone
}

void DurationField::editAmount(double amount) {
    if (!std::isfinite(amount) || amount == amount_) return;
    amount_ = amount;
    push();
}

void DurationField::editUnit(DurationUnit unit) {
    if (unit == unit_) return;
    unit_ = unit;
    push();
    showStored(true);
}

void DurationField::boundSecondsChanged(double n) {
    const double p = durationToStore(amount_, unit_, minimum_, maximum_);
    if (std::abs(n - p) > 0.001) syncFromSeconds();
}

void DurationField::syncFromSeconds() {
    const double seconds = get_();
    if (!std::isfinite(seconds)) return;
    // Only a value below the minimum is written, raised to it and shown raised; anything else is
    // already what the store holds, and writing it back would store an absent key's default or
    // rewrite a hand-set value, so showing the row never writes it.
    const double shown =
        seconds < minimum_ ? durationToStore(seconds, DurationUnit::seconds, minimum_, maximum_) : seconds;
    const DurationDisplay d = durationDisplay(shown);
    unit_ = d.unit;
    amount_ = d.amount;
    refreshControls();
    if (shown != seconds) set_(shown);
}

void DurationField::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    syncFromSeconds();
}

void DurationField::push() { set_(durationToStore(amount_, unit_, minimum_, maximum_)); }

void DurationField::showStored(bool keepUnit) {
    // What was asked may not be what was stored (raised to the minimum, held to the longest): then
    // the stored value is shown, in the unit just chosen when it reads there, else in the unit
    // that fits it. The box is not rewritten while it is typed in, only here, once the edit is over.
    const double seconds = get_();
    if (std::isfinite(seconds) && !readsAs(amount_, unit_, seconds)) {
        const double inUnit = significant(seconds / durationFactor(unit_));
        if (keepUnit && readsAs(inUnit, unit_, seconds)) {
            amount_ = inUnit;
        } else {
            const DurationDisplay d = durationDisplay(seconds);
            unit_ = d.unit;
            amount_ = d.amount;
        }
    }
    refreshControls();
}

void DurationField::refreshControls() {
    updatingControls_ = true;
    number_->setText(amountText());
    picker_->setCurrentIndex(int(unit_));
    updatingControls_ = false;
}

}  // namespace kp
