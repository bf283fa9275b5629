#pragma once
// The album window's content: the desk colour until the books are built, then the book viewer on
// the newest book. Each time it is opened it collects due keepsakes, rebuilds the books and marks the
// album opened; closed, it lets the books go.
#include "album/AlbumBook.h"

#include <QWidget>

#include <functional>
#include <vector>

namespace kp {

class AlbumBookView;
class Clock;
class MacAlbum;
class Scheduler;

class AlbumWindowView final : public QWidget {
    Q_OBJECT
public:
    // The app's album: the shared album, the system clock and the page sound.
    explicit AlbumWindowView(std::function<void()> onClose, QWidget* parent = nullptr);
    // For tests: everything injected. `buildBooks` reads the store at the given time.
    AlbumWindowView(std::function<void()> onClose, MacAlbum& album, Clock& clock,
                    std::function<std::vector<AlbumBook>(double now)> buildBooks,
                    std::function<void()> onTurn, Scheduler* scheduler = nullptr, QWidget* parent = nullptr);
    ~AlbumWindowView() override;

    const std::vector<AlbumBook>& books() const { return books_; }
    AlbumBookView* viewer() const { return viewer_; }
    // The appear action: collect, build, mark opened.
    void appear();
    // A page turn was reported: plays the page sound.
    void onTurn();
    // The desktop's wish for less motion, passed on to the book viewer.
    void setReduceMotion(bool on);

    QSize sizeHint() const override { return {460, 720}; }

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    void release();

    std::function<void()> onClose_;
    MacAlbum& album_;
    Clock& clock_;
    std::function<std::vector<AlbumBook>(double)> buildBooks_;
    std::function<void()> onTurn_;
    Scheduler* scheduler_ = nullptr;
    std::vector<AlbumBook> books_;
    AlbumBookView* viewer_ = nullptr;
    bool reduceMotion_ = false;
};

}  // namespace kp
