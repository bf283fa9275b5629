#include "album/AlbumWindow.h"

#include "album/BookViewer.h"
#include "album/MacAlbum.h"
#include "audio/PetSoundPlayer.h"
#include "platform/Clock.h"
#include "platform/Color.h"
#include "platform/ReduceMotion.h"

#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kp {

AlbumWindowView::AlbumWindowView(std::function<void()> onClose, QWidget* parent)
    : AlbumWindowView(
          std::move(onClose), MacAlbum::shared(), SystemClock::shared(),
          [](double now) { return buildAlbumBooks(MacAlbum::shared(), now); },
          [] { audio::PetSoundPlayer::shared().play(PetSound::page); }, nullptr, parent) {
    askReduceMotion(this, [this](bool reduce) { setReduceMotion(reduce); });
}

void AlbumWindowView::setReduceMotion(bool on) {
    reduceMotion_ = on;
    if (viewer_) viewer_->setReduceMotion(on);
}

AlbumWindowView::AlbumWindowView(std::function<void()> onClose, MacAlbum& album, Clock& clock,
                                 std::function<std::vector<AlbumBook>(double)> buildBooks,
                                 std::function<void()> onTurn, Scheduler* scheduler, QWidget* parent)
    : QWidget(parent),
      onClose_(std::move(onClose)),
      album_(album),
      clock_(clock),
      buildBooks_(std::move(buildBooks)),
      onTurn_(std::move(onTurn)),
      scheduler_(scheduler) {
    setMinimumSize(360, 440);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

AlbumWindowView::~AlbumWindowView() = default;

void AlbumWindowView::onTurn() {
    if (onTurn_) onTurn_();
}

void AlbumWindowView::appear() {
    const double now = clock_.now();
    album_.addDueKeepsakes(now);
    books_ = buildBooks_ ? buildBooks_(now) : std::vector<AlbumBook>{};
    album_.markOpened();
    // A fresh viewer on the newest book, at its cover.
    if (viewer_) {
        layout()->removeWidget(viewer_);
        viewer_->deleteLater();
        viewer_ = nullptr;
    }
    if (!books_.empty()) {
        viewer_ = new AlbumBookView(books_, 0, onClose_, [this] { onTurn(); }, this, scheduler_, &clock_);
        viewer_->setReduceMotion(reduceMotion_);
        layout()->addWidget(viewer_);
        viewer_->show();
        viewer_->setFocus();
    }
    update();
}

void AlbumWindowView::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // A window restored from the task bar sends a spontaneous show: the reader keeps their place.
    if (!e->spontaneous()) appear();
}

void AlbumWindowView::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    // Minimised: keep everything. Closed: the books and their page images go.
    if (!e->spontaneous()) release();
}

void AlbumWindowView::release() {
    if (viewer_) {
        layout()->removeWidget(viewer_);
        delete viewer_;
        viewer_ = nullptr;
    }
    books_ = {};
}

void AlbumWindowView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colorFromHex("#3A2A21"));
}

}  // namespace kp
