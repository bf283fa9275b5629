#include "album/BookViewer.h"

#include "album/CoverPage.h"
#include "album/KeepsakePage.h"
#include "album/PaperPage.h"
#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/Scheduler.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPainter>
#include <QRadialGradient>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kp {

namespace {

const QColor& cream() {
    static const QColor c = colorFromHex("#FFF1DC");
    return c;
}

QColor withAlpha(QColor c, double a) {
    c.setAlphaF(static_cast<float>(a));
    return c;
}

constexpr double kSwitchSeconds = 0.5;

// A round control of the bars: drawn by the viewer with the bars, it takes the clicks inside its
// circle, the keyboard focus (shown as a ring) and the name a screen reader reads.
class BarButton final : public QAbstractButton {
public:
    BarButton(const QString& name, QWidget* parent, bool round = true) : QAbstractButton(parent), round_(round) {
        setAccessibleName(name);
        setToolTip(name);
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    bool hitButton(const QPoint& at) const override {
        if (!round_) return rect().contains(at);
        return QLineF(QPointF(at), QRectF(rect()).center()).length() <= width() / 2.0;
    }
    void paintEvent(QPaintEvent*) override {
        if (!hasFocus()) return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(withAlpha(cream(), 0.9), 2));
        p.setBrush(Qt::NoBrush);
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        if (round_) p.drawEllipse(r);
        else p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    }

private:
    bool round_;
};
constexpr int kPaperBack = -1, kCoverBack = -2;  // cache keys of the shared backs

}  // namespace

AlbumBookView::AlbumBookView(std::vector<AlbumBook> books, int startPage, std::function<void()> onClose,
                             std::function<void()> onTurn, QWidget* parent, Scheduler* scheduler, Clock* clock)
    : QWidget(parent),
      books_(std::move(books)),
      startPage_(startPage),
      onClose_(std::move(onClose)),
      onTurn_(std::move(onTurn)),
      scheduler_(scheduler),
      clock_(clock) {
    shown_ = books_.empty() ? 0 : static_cast<int>(books_.size()) - 1;
    index_ = 0;
    setMinimumSize(360, 440);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&pager_, &PageTurnController::settlingChanged, this, qOverload<>(&QWidget::update));
    switchTimer_ = new QTimer(this);
    switchTimer_->setTimerType(Qt::PreciseTimer);
    switchTimer_->setInterval(16);
    connect(switchTimer_, &QTimer::timeout, this, [this] {
        switchProgress_ = std::min(1.0, switchClock_.elapsed() / 1000.0 / kSwitchSeconds);
        if (switchProgress_ >= 1) finishTransition();
        update();
    });
    makeTurnView();

    booksButton_ = new BarButton(tr("Books"), this, false);
    closeButton_ = new BarButton(tr("Close"), this);
    previousButton_ = new BarButton(tr("Previous page"), this);
    nextButton_ = new BarButton(tr("Next page"), this);
    connect(booksButton_, &QAbstractButton::clicked, this, &AlbumBookView::openMenu);
    connect(closeButton_, &QAbstractButton::clicked, this, &AlbumBookView::close);
    connect(previousButton_, &QAbstractButton::clicked, this, &AlbumBookView::previous);
    connect(nextButton_, &QAbstractButton::clicked, this, &AlbumBookView::next);
    placeButtons();
}

AlbumBookView::~AlbumBookView() {
    if (labelTimer_) (scheduler_ ? *scheduler_ : QtScheduler::shared()).cancel(labelTimer_);
}

double AlbumBookView::now() const { return (clock_ ? *clock_ : SystemClock::shared()).monotonic(); }

void AlbumBookView::placeButtons() {
    if (!closeButton_) return;
    const Layout l = layoutFor(size());
    booksButton_->setVisible(hasBooksMenu());
    booksButton_->setGeometry(l.menu.toAlignedRect());
    if (hasBooksMenu()) booksButton_->setAccessibleDescription(books_[static_cast<size_t>(shown_)].chapter.name);
    closeButton_->setGeometry(l.closeButton.toAlignedRect());
    previousButton_->setGeometry(l.previousButton.toAlignedRect());
    nextButton_->setGeometry(l.nextButton.toAlignedRect());
    previousButton_->setEnabled(previousLooksEnabled());
    nextButton_->setEnabled(nextLooksEnabled());
    const bool bar = !pages().empty();
    previousButton_->setVisible(bar);
    nextButton_->setVisible(bar);
}

void AlbumBookView::makeTurnView() {
    turn_ = std::make_unique<BookPageTurn>(pager_, scheduler_, clock_);
    turn_->setPageImages([this](int i, bool back) { return pageImage(i, back); });
    turn_->setPagePainters([this](QPainter& p, const QRectF& r, int i) { paintFront(p, r, i); },
                           [this](QPainter& p, const QRectF& r, int i) { paintBack(p, r, i); });
    turn_->setPageCount(static_cast<int>(pages().size()));
    turn_->setCornerRadius(kPageCornerRadius);
    turn_->setShadowColor(QColor(0, 0, 0, 41));
    turn_->setOnTurn(onTurn_);
    turn_->setReduceMotion(reduceMotion_);
    turn_->setCurrentPageIndex(index_);
    turn_->setDevicePixelRatio(devicePixelRatioF());
    turn_->setBookSize(bookSize(size()));
    connect(turn_.get(), &BookPageTurn::needsRepaint, this, qOverload<>(&QWidget::update));
    connect(turn_.get(), &BookPageTurn::sheetMoved, this, [this](const QRectF& dirty) {
        // While a book slides in, all of it moves.
        if (switchProgress_ < 1) return update();
        update(dirty.translated(layoutFor(size()).book.topLeft()).toAlignedRect().adjusted(-1, -1, 1, 1));
    });
    connect(turn_.get(), &BookPageTurn::currentPageIndexChanged, this, [this](int i) {
        const QString from = pageLabel();
        index_ = i;
        placeButtons();
        labelChanged(from);
        update();
    });
    if (isVisible()) turn_->appear();
}

const std::vector<AlbumPage>& AlbumBookView::pages() const {
    static const std::vector<AlbumPage> none;
    if (shown_ < 0 || shown_ >= static_cast<int>(books_.size())) return none;
    return books_[static_cast<size_t>(shown_)].pages;
}

QString AlbumBookView::pageLabel() const {
    const auto& ps = pages();
    if (index_ < 0 || index_ >= static_cast<int>(ps.size())) return {};
    const AlbumPage& page = ps[static_cast<size_t>(index_)];
    switch (page.kind) {
    case AlbumPage::Kind::cover: return page.chapter.name;
    case AlbumPage::Kind::leaf: return QStringLiteral("page ") + QString::number(page.number);
    case AlbumPage::Kind::end: return QStringLiteral("the last page, for now");
    }
    return {};
}

QString AlbumBookView::lifeSpan(const AlbumBook& book) {
    const AlbumChapter& c = book.chapter;
    if (!c.died) return c.name + QStringLiteral(" \u00B7 now");
    return c.name + QStringLiteral(" \u00B7 ") + albumDayMonth(c.birth) + QStringLiteral(" \u2013 ") +
           albumDayMonth(*c.died);
}

bool AlbumBookView::previousEnabled() const { return index_ > 0 && !pager_.isSettling(); }

bool AlbumBookView::nextEnabled() const {
    return index_ < static_cast<int>(pages().size()) - 1 && !pager_.isSettling();
}

void AlbumBookView::previous() {
    if (!previousEnabled()) return;
    pager_.setRequestedIndex(index_ - 1);
    pager_.setRequestGeneration(pager_.requestGeneration() + 1);
}

void AlbumBookView::next() {
    if (!nextEnabled()) return;
    pager_.setRequestedIndex(index_ + 1);
    pager_.setRequestGeneration(pager_.requestGeneration() + 1);
}

void AlbumBookView::close() {
    if (onClose_) onClose_();
}

void AlbumBookView::chooseBook(int i) {
    if (i == shown_ || i < 0 || i >= static_cast<int>(books_.size())) return;
    // Keep a picture of the leaving book to fade out.
    const Layout l = layoutFor(size());
    if (width() > 0 && height() > 0) {
        const double dpr = devicePixelRatioF();
        leaving_ = QImage((l.book.size() * dpr).toSize() + QSize(2, 2), QImage::Format_ARGB32_Premultiplied);
        leaving_.setDevicePixelRatio(dpr);
        leaving_.fill(Qt::transparent);
        QPainter p(&leaving_);
        p.translate(-l.book.topLeft());
        paintBook(p, l.book, true);
    }
    const QString from = pageLabel();
    shown_ = i;
    index_ = 0;
    pageCache_.clear();
    makeTurnView();
    placeButtons();
    labelChanged(from);
    if (reduceMotion_) return finishTransition();
    switchProgress_ = 0;
    switchClock_.start();
    switchTimer_->start();
    update();
}

void AlbumBookView::setReduceMotion(bool on) {
    reduceMotion_ = on;
    if (turn_) turn_->setReduceMotion(on);
    if (on && switchProgress_ < 1) finishTransition();
    if (on && labelProgress_ < 1) stepLabel();
}

void AlbumBookView::labelChanged(const QString& from) {
    if (from == pageLabel()) return;
    if (labelProgress_ < 1) update(0, int(layoutFor(size()).label.top()), width(), 48);
    labelFrom_ = from;
    labelStart_ = now();
    labelProgress_ = 0;
    if (reduceMotion_) return stepLabel();
    if (!labelTimer_) {
        QPointer<AlbumBookView> self(this);
        labelTimer_ = (scheduler_ ? *scheduler_ : QtScheduler::shared()).every(1.0 / 60.0, [self] {
            if (self) self->stepLabel();
        });
    }
}

void AlbumBookView::stepLabel() {
    labelProgress_ = reduceMotion_ ? 1.0 : std::clamp((now() - labelStart_) / labelSeconds, 0.0, 1.0);
    if (labelProgress_ >= 1) {
        labelFrom_.clear();
        if (labelTimer_) (scheduler_ ? *scheduler_ : QtScheduler::shared()).cancel(labelTimer_);
        labelTimer_ = 0;
    }
    // The whole row: the old text may be wider than the new one's place.
    update(0, int(layoutFor(size()).label.top()), width(), 48);
}

void AlbumBookView::paintLabel(QPainter& p, const QRectF& rect) {
    const QString to = pageLabel();
    if (labelProgress_ >= 1 || labelFrom_ == to) {
        p.drawText(rect, Qt::AlignCenter, to);
        return;
    }
    // What both texts start with stays; the rest of the old one rises and fades while the new
    // rest rises into its place, and the shared start slides to where the new text centres it.
    const QFontMetricsF fm(p.font());
    qsizetype same = 0;
    while (same < labelFrom_.size() && same < to.size() && labelFrom_[same] == to[same]) ++same;
    const double e = 1 - std::pow(1 - labelProgress_, 3);
    const double fromX = rect.center().x() - fm.horizontalAdvance(labelFrom_) / 2;
    const double toX = rect.center().x() - fm.horizontalAdvance(to) / 2;
    const double x = fromX + (toX - fromX) * e;
    const double base = rect.center().y() + (fm.ascent() - fm.descent()) / 2;
    const double rise = 0.9 * fm.height();
    const QString head = to.left(same);
    const double tail = x + fm.horizontalAdvance(head);
    const double opacity = p.opacity();
    p.drawText(QPointF(x, base), head);
    p.setOpacity(opacity * (1 - e));
    p.drawText(QPointF(tail, base - rise * e), labelFrom_.mid(same));
    p.setOpacity(opacity * e);
    p.drawText(QPointF(tail, base + rise * (1 - e)), to.mid(same));
    p.setOpacity(opacity);
}

void AlbumBookView::finishTransition() {
    switchTimer_->stop();
    switchProgress_ = 1;
    leaving_ = QImage();
    if (!pages().empty()) desk_ = QImage();
    update();
}

QSizeF AlbumBookView::bookSize(QSizeF window) {
    const double s = std::max(0.0, std::min(0.68 * (window.height() - 166 - 22), window.width() - 48));
    return QSizeF(s, s / 0.68);
}

AlbumBookView::Layout AlbumBookView::layoutFor(QSizeF size) const {
    Layout l;
    const double W = size.width();
    const QSizeF book = bookSize(size);
    // Top bar: 18 points from the top, 36 tall.
    const double barTop = 18;
    l.closeButton = QRectF(W - 22 - 36, barTop, 36, 36);
    l.title = QRectF(22, barTop, 160, 36);
    if (hasBooksMenu()) {
        // The name whole on one line; cut only where the menu would reach the title.
        const double titleRight = l.title.left() + QFontMetricsF(albumSerif(28, QFont::ExtraBold)).horizontalAdvance(QStringLiteral("Album"));
        const double room = l.closeButton.left() - 8 - (titleRight + 8) - (12 + 14 + 6 + 12);
        const double nameWidth = std::clamp(QFontMetricsF(albumSerif(13, QFont::DemiBold))
                                                .horizontalAdvance(books_[static_cast<size_t>(shown_)].chapter.name),
                                            0.0, std::max(room, 0.0));
        const double w = 12 + 14 + 6 + nameWidth + 12;
        l.menu = QRectF(l.closeButton.left() - 8 - w, barTop, w, 36);
    }
    const double bookTop = barTop + 36 + 18;
    l.book = QRectF((W - book.width()) / 2, bookTop, book.width(), book.height());
    const double barY = bookTop + (pages().empty() ? 0 : book.height() + 18);
    QFont lf = albumSerif(13, QFont::DemiBold, true);
    const double labelWidth = std::max(120.0, QFontMetricsF(lf).horizontalAdvance(pageLabel()) + 4);
    const double row = 48 + 28 + labelWidth + 28 + 48;
    const double x0 = (W - row) / 2;
    l.previousButton = QRectF(x0, barY, 48, 48);
    l.label = QRectF(x0 + 48 + 28, barY, labelWidth, 48);
    l.nextButton = QRectF(l.label.right() + 28, barY, 48, 48);
    return l;
}

// ---- pages ----

const QImage& AlbumBookView::pageImage(int i, bool back) const {
    const QSizeF page = bookSize(size());
    const double dpr = std::max(1.0, devicePixelRatioF());
    const QSize px = (page * dpr).toSize();
    static const QImage none;
    if (px.isEmpty()) return none;
    if (px != cacheSize_) {
        pageCache_.clear();
        cacheSize_ = px;
    }
    // Every leaf has the same paper back, and covers the same board: one image each.
    const auto& ps = pages();
    const bool valid = i >= 0 && i < static_cast<int>(ps.size());
    const bool cover = valid && ps[static_cast<size_t>(i)].kind == AlbumPage::Kind::cover;
    const int key = back ? (cover ? kCoverBack : kPaperBack) : i;
    auto it = pageCache_.find({key, back});
    if (it != pageCache_.end()) return it->second;
    QImage img(px, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(QPointF(0, 0), page);
        if (back) {
            if (cover) {
                p.fillPath(pageShape(r), colorFromHex("#6E4129"));
            } else {
                PaperSheet::paint(p, r, true);
            }
        } else if (valid) {
            const AlbumPage& page = ps[static_cast<size_t>(i)];
            ShrinkToFit::paint(p, r, kPageDesignWidth, [&page](QPainter& pp, const QRectF& inner) {
                switch (page.kind) {
                case AlbumPage::Kind::cover: AlbumCover{page.chapter}.paint(pp, inner); break;
                case AlbumPage::Kind::leaf: LeafPage{page.leaf, page.number}.paint(pp, inner); break;
                case AlbumPage::Kind::end: AlbumEnd{page.chapter}.paint(pp, inner); break;
                }
            });
        }
    }
    // Only the pages around the reader's place stay drawn: a full book would not fit in memory.
    std::erase_if(pageCache_, [this](const auto& entry) {
        return !entry.first.second && std::abs(entry.first.first - index_) > 1;
    });
    return pageCache_.emplace(std::make_pair(key, back), std::move(img)).first->second;
}

void AlbumBookView::paintFront(QPainter& p, const QRectF& rect, int i) const {
    p.drawImage(rect, pageImage(i, false));
}

void AlbumBookView::paintBack(QPainter& p, const QRectF& rect, int i) const {
    p.drawImage(rect, pageImage(i, true));
}

// ---- drawing ----

void AlbumBookView::paintDesk(QPainter& p, bool withEdges) {
    const double dpr = std::max(1.0, devicePixelRatioF());
    const QSize px = (QSizeF(size()) * dpr).toSize();
    if (px.isEmpty()) return;
    // The page edges stay put while pages turn, so the usual desk has them; the bare desk is only
    // drawn while there is no book or one is sliding in, and goes when the slide ends.
    QImage& desk = withEdges ? deskWithEdges_ : desk_;
    if (desk.size() != px) {
        desk = QImage(px, QImage::Format_RGB32);
        desk.setDevicePixelRatio(dpr);
        QPainter d(&desk);
        const double W = width(), H = height();
        d.fillRect(QRectF(0, 0, W, H), colorFromHex("#3A2A21"));
        const QPointF c(0.5 * W, 0.42 * H);
        QRadialGradient glow(c, 520, c, 20);
        glow.setColorAt(0, withAlpha(colorFromHex("#7A5A43"), 0.7));
        glow.setColorAt(1, QColor(0x7A, 0x5A, 0x43, 0));
        d.fillRect(QRectF(0, 0, W, H), glow);
        d.setRenderHint(QPainter::Antialiasing);
        double y = 0;
        for (int i = 0; H > 0 && y < H; ++i) {
            d.fillRect(QRectF(0, y, W, 1), QColor(0, 0, 0, 20));
            y += 18 + (37 * i) % 23;
        }
        if (withEdges) paintEdges(d, layoutFor(size()).book);
    }
    p.drawImage(QPointF(0, 0), desk);
}

void AlbumBookView::paintBook(QPainter& p, const QRectF& book, bool edgesToo) {
    if (edgesToo) paintEdges(p, book);
    if (turn_) turn_->paint(p, book.topLeft());
}

void AlbumBookView::paintEdges(QPainter& p, const QRectF& book) {
    // The page edges under the book, with their shadow.
    static const QColor edges[3] = {colorFromHex("#EFE3CC"), colorFromHex("#E1D6C0"), colorFromHex("#D4C9B4")};
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = book.translated(9, 0).adjusted(0, 6, 0, -6);
    for (int k = 6; k >= 1; --k) {
        const double grow = 18.0 * k / 6;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 14));
        p.drawRoundedRect(outer.adjusted(-grow / 2, -grow / 2 + 12, grow / 2, grow / 2 + 12), 22 + grow / 2, 22 + grow / 2);
    }
    for (int i = 0; i < 3; ++i) {
        const double h = book.height() - 6 * (i + 1);
        const QRectF e(book.left() + (3 - i) * 3, book.center().y() - h / 2, book.width(), h);
        p.fillPath(pageShape(e), edges[i]);
    }
    p.restore();
}

void AlbumBookView::paintBars(QPainter& p, const Layout& l) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Title.
    p.setFont(albumSerif(28, QFont::ExtraBold));
    p.setPen(cream());
    p.drawText(l.title, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Album"));
    // Books menu.
    if (hasBooksMenu()) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 31));
        p.drawRoundedRect(l.menu, 18, 18);
        const QColor ink = withAlpha(cream(), 0.85);
        drawSymbol(p, QStringLiteral("books.vertical.fill"), QPointF(l.menu.left() + 12 + 7, l.menu.center().y()), 14, ink);
        p.setFont(albumSerif(13, QFont::DemiBold));
        p.setPen(ink);
        const QRectF text = l.menu.adjusted(12 + 14 + 6, 0, -12, 0);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(p.font()).elidedText(books_[static_cast<size_t>(shown_)].chapter.name,
                                                      Qt::ElideRight, text.width() + 1));
    }
    // Close.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 31));
    p.drawEllipse(l.closeButton);
    drawSymbol(p, QStringLiteral("xmark"), l.closeButton.center(), 14, withAlpha(cream(), 0.8));

    // Bottom bar.
    auto button = [&](const QRectF& r, const char* symbol, bool looksEnabled) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, looksEnabled ? 26 : 10));
        p.drawEllipse(r);
        drawSymbol(p, QString::fromLatin1(symbol), r.center(), 16, withAlpha(cream(), looksEnabled ? 0.9 : 0.25));
    };
    button(l.previousButton, "chevron.left", previousLooksEnabled());
    button(l.nextButton, "chevron.right", nextLooksEnabled());
    p.setFont(albumSerif(13, QFont::DemiBold, true));
    p.setPen(withAlpha(cream(), 0.7));
    paintLabel(p, l.label);
    p.restore();
}

void AlbumBookView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const Layout l = layoutFor(size());
    paintDesk(p, !pages().empty() && switchProgress_ >= 1);
    if (turn_) turn_->setDevicePixelRatio(devicePixelRatioF());
    if (!pages().empty()) {
        if (switchProgress_ < 1) {
            const double e = 1 - std::pow(1 - switchProgress_, 3);
            if (!leaving_.isNull()) {
                p.save();
                p.setOpacity(1 - e);
                p.drawImage(l.book.topLeft(), leaving_);
                p.restore();
            }
            p.save();
            p.setOpacity(e);
            p.translate((1 - e) * (width() - l.book.left()), 0);
            paintBook(p, l.book, true);
            p.restore();
        } else {
            paintBook(p, l.book, false);
        }
    }
    paintBars(p, l);
}

void AlbumBookView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    placeButtons();
    if (turn_) turn_->setBookSize(bookSize(size()));
}

void AlbumBookView::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    placeButtons();
    if (turn_) {
        turn_->setBookSize(bookSize(size()));
        turn_->appear();
    }
}

QIcon AlbumBookView::menuIcon(bool died, const QPalette& menuPalette) {
    // The menu's own text colour: the window's cream would vanish on a light menu.
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter ip(&icon);
    drawSymbol(ip, died ? QStringLiteral("sparkles") : QStringLiteral("pawprint.fill"), QPointF(16, 16), 24,
               menuPalette.color(QPalette::Active, QPalette::Text));
    ip.end();
    return QIcon(icon);
}

void AlbumBookView::openMenu() {
    QMenu menu(this);
    menu.addSection(tr("Earlier cats"));
    for (size_t i = 0; i < books_.size(); ++i) {
        const bool died = books_[i].chapter.died.has_value();
        QAction* a = menu.addAction(menuIcon(died, menu.palette()), lifeSpan(books_[i]));
        const int index = static_cast<int>(i);
        connect(a, &QAction::triggered, this, [this, index] { chooseBook(index); });
    }
    const Layout l = layoutFor(size());
    menu.exec(mapToGlobal(l.menu.bottomLeft().toPoint()));
}

void AlbumBookView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPointF at = e->position();
    const Layout l = layoutFor(size());
    auto inCircle = [&](const QRectF& r) { return QLineF(at, r.center()).length() <= r.width() / 2; };
    if (inCircle(l.closeButton)) return close();
    if (hasBooksMenu() && l.menu.contains(at)) return openMenu();
    if (inCircle(l.previousButton)) return previous();
    if (inCircle(l.nextButton)) return next();
    if (turn_ && !pages().empty() && switchProgress_ >= 1) {
        const QPointF local = at - l.book.topLeft();
        if (turn_->hitTest(local)) {
            bookPressed_ = true;
            turn_->mousePressed(local);
        }
    }
}

void AlbumBookView::mouseMoveEvent(QMouseEvent* e) {
    if (!bookPressed_ || !turn_) return;
    turn_->mouseMoved(e->position() - layoutFor(size()).book.topLeft());
}

void AlbumBookView::mouseReleaseEvent(QMouseEvent* e) {
    if (!bookPressed_ || !turn_ || e->button() != Qt::LeftButton) return;
    bookPressed_ = false;
    turn_->mouseReleased(e->position() - layoutFor(size()).book.topLeft());
}

void AlbumBookView::keyPressEvent(QKeyEvent* e) {
    if (turn_ && turn_->keyPressed(e->key())) return;
    QWidget::keyPressEvent(e);
}

}  // namespace kp
