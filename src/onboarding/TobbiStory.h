#pragma once
// Plays the story film once: the film's clock, the music box's story score in step with it, three
// cat sounds at fixed moments, and the finish (after 25.2 s or on "Skip") that hands the music
// back to the room and calls the owner's onDone once.
#include "cat/art/CatDrawing.h"
#include "life/PetTypes.h"
#include "onboarding/StoryFilm.h"

#include <QRectF>

#include <functional>
#include <memory>

class QPainter;

namespace kp {

class Clock;
class Scheduler;

// What the film asks of the sound side; app() wires the shared player and music box.
struct StoryAudio {
    std::function<void(PetSound)> playSound;
    std::function<void(double startDate)> playStory;
    std::function<bool()> inStory;
    // Fades the story music to silence over `seconds`, then runs `done`.
    std::function<void(double seconds, std::function<void()> done)> fadeOut;
    std::function<void()> endStory;

    static StoryAudio app();
};

class TobbiStory {
public:
    static constexpr double kLength = story::kFilmLength;
    static constexpr double kMusicFade = 1.4;
    static constexpr QSizeF kSize{640, 180};

    TobbiStory(Clock& clock, Scheduler& scheduler, StoryAudio audio, std::function<void()> onDone);
    // Leaving mid-film still hands the music back; onDone is not called then.
    ~TobbiStory();
    TobbiStory(const TobbiStory&) = delete;
    TobbiStory& operator=(const TobbiStory&) = delete;

    // The film came on screen: starts its clock, the story score, the cues and the deadline.
    void begin();
    // Makes ahead what the film's first frames need for this look (see FilmFrames::prepare).
    void prepare(const CatEnv& env);
    bool begun() const { return begun_; }
    // Ends the film (Skip or the deadline); only the first call acts.
    void finish();
    bool finished() const;
    // Finishes once the film's clock has reached its length; the host calls it every frame, and
    // it arms nothing.
    void tick();

    // Seconds into the film now; the last frame's time once finished.
    double filmTime() const;
    story::StoryFilm film() const;

    // Draws the film and its Skip label into `rect` (640 x 180 at scale 1).
    void paint(QPainter& p, const QRectF& rect, const CatEnv& env) const;
    // The Skip label's tap area inside `rect`.
    static QRectF skipRect(const QRectF& rect);
    // A press at `point` (same coordinates as `rect`); true when it hit Skip.
    bool mousePress(QPointF point, const QRectF& rect);

private:
    struct Shared {
        bool finished = false;
        StoryAudio audio;
        std::function<void()> onDone;
    };
    static constexpr double kRounding = 1e-6;  // seconds short of the end that are rounding, not earliness
    void endMusic();
    // Finishes at the film's end, by the film's clock; the timer only wakes it.
    void awaitEnd(double seconds);

    Clock& clock_;
    Scheduler& scheduler_;
    std::shared_ptr<Shared> shared_;
    double start_ = 0;
    bool begun_ = false;
    mutable story::FilmFrames frames_;
};

}  // namespace kp
