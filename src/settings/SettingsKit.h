#pragma once
// The settings window's small kit: one dark palette, cards of rows with coloured symbol badges,
// a switch, capsule buttons that click audibly, a volume slider, the capsule tab bar and the
// header with the drawn cat. Every piece paints itself; none holds state beyond what it shows.
#include "cat/CatLook.h"
#include "cat/CatOutfit.h"
#include "life/PetTypes.h"
#include "platform/FramePacer.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include <functional>
#include <vector>

class QTimer;
class QVariantAnimation;
class QVBoxLayout;

namespace kp {

class Clock;
class DurationField;

namespace kit {
const QColor& ink();     // primary text
const QColor& muted();   // secondary text
const QColor& line();    // hairlines
const QColor& accent();  // switches on, the selected tab, buttons
const QColor& peach();   // warm read-outs
const QColor& card();    // card and tab-bar fill
QColor withAlpha(QColor c, double alpha);

// The interface font at a pixel size; `weight` as QFont::Weight. Rounded faces are not
// available everywhere, so the plain sans stands in.
QFont font(double pixelSize, int weight = QFont::Normal);

// A symbol by its Apple-style name, drawn from the icon font centred in `box` at `pixelSize`.
// Unknown names draw a small dot.
void drawSymbol(QPainter& p, const QString& name, const QRectF& box, double pixelSize, const QColor& colour);
bool hasSymbol(const QString& name);

// Where the app's interface sounds go (tap on buttons and tabs); nothing when unset.
void setTapSound(std::function<void()> tap);
void playTap();

// A plain text label in the kit's colours (the same in every colour group, so a disabled row
// keeps its text).
QLabel* label(const QString& text, double pixelSize, int weight, const QColor& colour, bool wrap = false);
void setLabelColour(QLabel* label, const QColor& colour);
// The duration field in the kit's dark look, at its natural size (narrower where its row has no
// more room: its amount is then drawn to fit).
void style(DurationField* field);
}  // namespace kit

// A card: optional upper-case title, the rounded box holding rows, optional footnote.
class SettingsCard : public QWidget {
    Q_OBJECT
public:
    SettingsCard(const QString& title, const QString& footer, QWidget* parent = nullptr);
    // Rows, dividers and other content go into the box, top to bottom.
    void add(QWidget* content);
    QVBoxLayout* box() const { return box_; }
    QLabel* footerLabel() const { return footer_; }
    QLabel* titleLabel() const { return title_; }
    void setFooter(const QString& text);

private:
    QLabel* title_ = nullptr;
    QLabel* footer_ = nullptr;
    QVBoxLayout* box_ = nullptr;
};

class IconBadge : public QWidget {
    Q_OBJECT
public:
    IconBadge(QString symbol, QColor tint, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {26, 26}; }
    const QString& symbol() const { return symbol_; }
    void setSymbol(const QString& s);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString symbol_;
    QColor tint_;
};

// Badge, title with an optional detail line, and a trailing control.
class SettingsRow : public QWidget {
    Q_OBJECT
public:
    SettingsRow(const QString& icon, const QColor& tint, const QString& title, const QString& detail,
                QWidget* trailing, QWidget* parent = nullptr);
    QLabel* title() const { return title_; }
    QLabel* detail() const { return detail_; }
    IconBadge* badge() const { return badge_; }
    QWidget* trailing() const { return trailing_; }
    void setDetail(const QString& text);

private:
    IconBadge* badge_;
    QLabel* title_;
    QLabel* detail_;
    QWidget* trailing_;
};

// The hairline between two rows, starting where the row titles start.
class RowDivider : public QWidget {
    Q_OBJECT
public:
    explicit RowDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

// The switch: a 36 x 21 capsule whose knob slides on a spring (response 0.28 s, damping 0.75) when
// clicked, and moves at once when its value changes elsewhere; drawn at 40 % while disabled. No sound.
class TobbiToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit TobbiToggle(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {36, 21}; }
    // 0 off ... 1 on, as drawn now (a little past either end while the spring swings).
    double knob() const { return knob_; }
    bool sliding() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void hideEvent(QHideEvent*) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    void slideTo(double target);
    double knob_ = 0;
    QVariantAnimation* slide_ = nullptr;
};

// A capsule text button: the accent fill when prominent, a faint fill otherwise. Taps at the press.
// It springs to 0.95 of its size while pressed and back when let go (response 0.2 s, damping 0.7);
// with less motion wished for it switches at once.
class TobbiButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr double pressedScale = 0.95;

    TobbiButton(const QString& text, bool prominent, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    bool prominent() const { return prominent_; }

    // The clock the spring is timed by (the system's unless set); it must outlive the button.
    void setClock(const Clock& clock) { clock_ = &clock; }
    void setReduceMotion(bool on);
    bool reduceMotion() const { return reduceMotion_; }
    // The scale drawn now, about the centre.
    double scale() const;
    // Whether frames are being drawn for the spring.
    bool springing() const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    // Starts the spring toward the pressed state when it has changed.
    void followDown();
    void settle();
    void frame();
    double target() const { return down_ ? pressedScale : 1.0; }

    bool prominent_;
    const Clock* clock_;
    bool reduceMotion_ = false;
    bool down_ = false;     // the state the spring heads for
    double from_ = 1;       // the scale when it set off
    double since_ = 0;      // then, on `clock_`'s monotonic seconds
    QTimer* frames_ = nullptr;
    FramePacer pacer_;
};

// A 150-wide continuous slider over 0...1.
class KitSlider : public QWidget {
    Q_OBJECT
public:
    explicit KitSlider(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {150, 21}; }
    double value() const { return value_; }
    void setValue(double v);

signals:
    // The user moved it.
    void moved(double value);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;

private:
    void moveTo(double x);
    double value_ = 0;
};

// The capsule tab bar. Tabs are ints (the caller's enum); the selection may be none of them.
class SettingsTabs : public QWidget {
    Q_OBJECT
public:
    struct Tab {
        int id;
        QString title;
        QString icon;
    };
    explicit SettingsTabs(QWidget* parent = nullptr);
    void setTabs(std::vector<Tab> tabs);
    void setSelection(int id);
    int selection() const { return selection_; }
    const std::vector<Tab>& tabs() const { return tabs_; }
    // The capsule of each tab, for clicks and tests.
    std::vector<QRectF> tabRects() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void selected(int id);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    double minimumWidth(const Tab& tab, const QFont& font) const;
    // 12 bold, narrowed (then smaller) when the tabs would not fit the bar.
    QFont titleFont() const;
    std::vector<Tab> tabs_;
    int selection_ = -1;
    int previous_ = -1;   // fading out while `fade_` runs to 1
    double fade_ = 1;
    QVariantAnimation* fader_ = nullptr;
};

// The drawn cat on its tile, for the header.
class HeroTile : public QWidget {
    Q_OBJECT
public:
    explicit HeroTile(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {136, 120}; }
    void set(CatBreed breed, const CatOutfit& outfit, double time);
    void setTime(double time) { set(breed_, outfit_, time); }

    // The eyes shut for 0.14 s at the start of every 4.2 s; the tail swings 14 sin(1.8 t) all along,
    // drawn to the nearest whole degree.
    static double blink(double time);
    static double tail(double time);
    // The 136 x 120 tile with its top-left at the painter's origin.
    static void paintTile(QPainter& p, CatBreed breed, const CatOutfit& outfit, double time);
    // The part of the tile the swinging tail ever changes, for this look: the only part a frame
    // between blinks repaints.
    static QRect tailReach(CatBreed breed, const CatOutfit& outfit);
    QRect tailReach() const { return reach_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    CatBreed breed_ = CatBreed::orange;
    CatOutfit outfit_;
    double time_ = 0;
    QRect reach_;
    bool reachKnown_ = false;

    std::vector<QImage> swings_;  // the tail's part of the tile, by whole degree of swing
    double swingsDpr_ = 0;

    static void paintCat(QPainter& p, CatBreed breed, const CatOutfit& outfit, double swing, double blink);
    static void paintFrame(QPainter& p, CatBreed breed, const CatOutfit& outfit, double swing, double blink);
};

// The header: the tile, the name, the stage-and-age pill and the breed's line.
class SettingsHero : public QWidget {
    Q_OBJECT
public:
    explicit SettingsHero(QWidget* parent = nullptr);
    void set(const QString& name, CatBreed breed, const QString& subtitle, const CatOutfit& outfit, double time);
    HeroTile* tile() const { return tile_; }
    QLabel* nameLabel() const { return name_; }
    QLabel* subtitleLabel() const { return subtitle_; }
    QLabel* blurbLabel() const { return blurb_; }

private:
    HeroTile* tile_;
    QLabel* name_;
    QLabel* subtitle_;
    QLabel* blurb_;
};

}  // namespace kp
