#pragma once
// The album window's book: one cat's book at a time on a dark wooden desk, with a top bar (title,
// a menu of every cat's book, close), the page-turn view, and a bottom bar (previous, page label,
// next). Buttons never turn a page themselves: they send a request through the controller, and
// the page-turn view serves it and moves the page index.
#include "album/AlbumBook.h"
#include "album/PageTurn.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAbstractButton;
class QTimer;

namespace kp {

class Clock;
class Scheduler;

class AlbumBookView final : public QWidget {
    Q_OBJECT
public:
    AlbumBookView(std::vector<AlbumBook> books, int startPage, std::function<void()> onClose,
                  std::function<void()> onTurn, QWidget* parent = nullptr, Scheduler* scheduler = nullptr,
                  Clock* clock = nullptr);
    ~AlbumBookView() override;

    const std::vector<AlbumBook>& books() const { return books_; }
    int shown() const { return shown_; }
    int index() const { return index_; }
    int startPage() const { return startPage_; }
    PageTurnController& pager() { return pager_; }
    BookPageTurn& pageTurn() { return *turn_; }
    // Pages of the shown book (empty when there is none).
    const std::vector<AlbumPage>& pages() const;
    QString pageLabel() const;
    static QString lifeSpan(const AlbumBook& book);
    bool previousEnabled() const;  // responds to a click
    bool nextEnabled() const;
    bool previousLooksEnabled() const { return index_ > 0; }
    bool nextLooksEnabled() const { return index_ < static_cast<int>(pages().size()) - 1; }
    bool hasBooksMenu() const { return books_.size() >= 2; }

    // The controls' actions, as their clicks perform them.
    void previous();
    void next();
    void chooseBook(int i);
    void close();

    // Layout, in widget points.
    struct Layout {
        QRectF book, title, menu, closeButton, previousButton, label, nextButton;
    };
    Layout layoutFor(QSizeF size) const;
    static QSizeF bookSize(QSizeF window);

    // Draws one page's front / back at the page size (the page-turn view's painters).
    void paintFront(QPainter& p, const QRectF& rect, int i) const;
    void paintBack(QPainter& p, const QRectF& rect, int i) const;
    // The books menu's mark of a book (a paw, or sparkles for a cat that has died) in the menu's ink.
    static QIcon menuIcon(bool died, const QPalette& menuPalette);
    // Pages change and books switch at once, without the turn and the slide.
    void setReduceMotion(bool on);
    bool reduceMotion() const { return reduceMotion_; }
    // Ends a running book-switch slide at once.
    void finishTransition();
    // The page label's change: the label it counts from, and how far it has come (1: at rest).
    QString labelFrom() const { return labelFrom_; }
    double labelProgress() const { return labelProgress_; }
    static constexpr double labelSeconds = 0.35;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void makeTurnView();
    void paintDesk(QPainter& p, bool withEdges);
    void paintBook(QPainter& p, const QRectF& book, bool edgesToo);
    void paintEdges(QPainter& p, const QRectF& book);
    void paintBars(QPainter& p, const Layout& l);
    void openMenu();
    void placeButtons();
    void labelChanged(const QString& from);
    void stepLabel();
    void paintLabel(QPainter& p, const QRectF& rect);
    double now() const;
    const QImage& pageImage(int i, bool back) const;

    std::vector<AlbumBook> books_;
    int startPage_ = 0;
    std::function<void()> onClose_, onTurn_;
    int shown_ = 0;
    int index_ = 0;
    PageTurnController pager_;
    Scheduler* scheduler_;
    Clock* clock_;
    std::unique_ptr<BookPageTurn> turn_;
    QAbstractButton* booksButton_ = nullptr;
    QAbstractButton* closeButton_ = nullptr;
    QAbstractButton* previousButton_ = nullptr;
    QAbstractButton* nextButton_ = nullptr;
    bool bookPressed_ = false;
    bool reduceMotion_ = false;

    mutable std::map<std::pair<int, bool>, QImage> pageCache_;
    mutable QSize cacheSize_;
    QImage desk_;           // desk, glow and grain, while no book lies on it
    QImage deskWithEdges_;  // the same with the page edges under the book

    // Book switch: the old book fades out while the new one slides in from the trailing edge.
    QImage leaving_;
    QElapsedTimer switchClock_;
    QTimer* switchTimer_ = nullptr;
    double switchProgress_ = 1;

    // Page label: the changed end of the old text rolls up and away while the new one rises into place.
    QString labelFrom_;
    double labelStart_ = 0;
    double labelProgress_ = 1;
    std::uint64_t labelTimer_ = 0;
};

}  // namespace kp
