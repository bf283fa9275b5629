#include "onboarding/TobbiStory.h"

#include "audio/MusicBox.h"
#include "audio/PetSoundPlayer.h"
#include "onboarding/OnboardKit.h"
#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QPainter>

#include <algorithm>

namespace kp {

StoryAudio StoryAudio::app() {
    StoryAudio a;
    a.playSound = [](PetSound s) { audio::PetSoundPlayer::shared().play(s); };
    a.playStory = [](double start) { audio::MusicBox::shared().playStory(start); };
    a.inStory = [] { return audio::MusicBox::shared().inStory(); };
    a.fadeOut = [](double seconds, std::function<void()> done) {
        audio::MusicBox::shared().fade(0.0f, seconds, std::move(done));
    };
    a.endStory = [] { audio::MusicBox::shared().endStory(); };
    return a;
}

TobbiStory::TobbiStory(Clock& clock, Scheduler& scheduler, StoryAudio audio, std::function<void()> onDone)
    : clock_(clock), scheduler_(scheduler), shared_(std::make_shared<Shared>()) {
    shared_->audio = std::move(audio);
    shared_->onDone = std::move(onDone);
    start_ = clock_.monotonic();
}

void TobbiStory::prepare(const CatEnv& env) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    frames_.prepare(env, screen ? std::max(1.0, screen->devicePixelRatio()) : 1.0);
}

TobbiStory::~TobbiStory() {
    if (begun_ && !shared_->finished) {
        shared_->finished = true;
        shared_->onDone = nullptr;
        endMusic();
    }
    // Work still queued finds the film gone and does nothing.
    shared_->onDone = nullptr;
}

void TobbiStory::begin() {
    begun_ = true;
    start_ = clock_.monotonic();
    if (shared_->audio.playStory) shared_->audio.playStory(clock_.now());
    const std::weak_ptr<Shared> weak = shared_;
    const auto cue = [this, weak](PetSound sound, double delay) {
        scheduler_.after(delay, [weak, sound] {
            const auto s = weak.lock();
            if (s && !s->finished && s->audio.playSound) s->audio.playSound(sound);
        });
    };
    cue(PetSound::mew, 5.0);
    cue(PetSound::mew, 17.6);
    cue(PetSound::trill, 20.4);
    awaitEnd(kLength);
}

void TobbiStory::awaitEnd(double seconds) {
    const std::weak_ptr<Shared> weak = shared_;
    scheduler_.after(seconds, [this, weak] {
        if (!weak.lock() || shared_->finished) return;
        // The film's own clock decides; a timer that came early only waits again.
        const double left = kLength - filmTime();
        if (left > kRounding) awaitEnd(left);
        else finish();
    });
}

void TobbiStory::tick() {
    if (begun_ && !shared_->finished && kLength - filmTime() <= kRounding) finish();
}

bool TobbiStory::finished() const { return shared_->finished; }

void TobbiStory::endMusic() {
    const StoryAudio audio = shared_->audio;
    if (audio.inStory && audio.inStory()) {
        if (audio.fadeOut) {
            const auto end = audio.endStory;
            audio.fadeOut(kMusicFade, [end] {
                if (end) end();
            });
        } else if (audio.endStory) {
            audio.endStory();
        }
    }
}

void TobbiStory::finish() {
    if (shared_->finished) return;
    shared_->finished = true;
    endMusic();
    // Called last: the owner may drop this film from inside it.
    if (auto done = shared_->onDone) done();
}

double TobbiStory::filmTime() const {
    if (shared_->finished) return kLength;
    return begun_ ? std::max(0.0, clock_.monotonic() - start_) : 0.0;
}

story::StoryFilm TobbiStory::film() const {
    story::StoryFilm f;
    f.t = filmTime();
    f.size = kSize;
    return f;
}

QRectF TobbiStory::skipRect(const QRectF& rect) {
    // The label sits 22 in from the right and 10 down; the tap area is a little larger.
    return QRectF(rect.right() - 22 - 40, rect.top() + 4, 52, 22);
}

void TobbiStory::paint(QPainter& p, const QRectF& rect, const CatEnv& env) const {
    p.save();
    p.translate(rect.topLeft());
    p.scale(rect.width() / kSize.width(), rect.height() / kSize.height());
    frames_.paint(p, film(), env);
    p.restore();
    // Skip, white at 0.55, top trailing.
    const QFont f = onboard::roundedFont(10, QFont::DemiBold);
    const QFontMetricsF fm(f);
    const QString text = QStringLiteral("Skip");
    p.save();
    p.setFont(f);
    p.setPen(QColor::fromRgbF(1, 1, 1, 0.55f));
    p.drawText(QPointF(rect.right() - 22 - fm.horizontalAdvance(text), rect.top() + 10 + fm.ascent()), text);
    p.restore();
}

bool TobbiStory::mousePress(QPointF point, const QRectF& rect) {
    if (!skipRect(rect).contains(point)) return false;
    finish();
    return true;
}

}  // namespace kp
