// The film with the app's own clock and scheduler: nothing a viewer sees or hears comes early, and
// the film ends when its clock says so, after the end card has faded.
#include "onboarding/StoryFilm.h"
#include "onboarding/TobbiStory.h"

#include "platform/Clock.h"
#include "platform/Scheduler.h"

#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <vector>

namespace kp {
namespace {

TEST(FilmClock, CuesAndTheEndKeepTheFilmsTime) {
    SystemClock& clock = SystemClock::shared();
    QtScheduler scheduler;
    std::vector<double> cues;
    double start = 0;
    double doneAt = -1;
    double filmAtDone = -1;
    StoryAudio audio;
    audio.playSound = [&](PetSound) { cues.push_back(clock.monotonic() - start); };
    std::unique_ptr<TobbiStory> story;
    story = std::make_unique<TobbiStory>(clock, scheduler, audio, [&] {
        doneAt = clock.monotonic() - start;
        filmAtDone = story->filmTime();
    });
    start = clock.monotonic();
    story->begin();
    // Frames ask the film too, as the host does; none of them may end it early.
    while (doneAt < 0 && clock.monotonic() - start < 60) {
        QTest::qWait(50);
        story->tick();
    }
    ASSERT_EQ(cues.size(), 3u);
    EXPECT_GE(cues[0], 5.0);
    EXPECT_GE(cues[1], 17.6);
    EXPECT_GE(cues[2], 20.4);
    EXPECT_GE(doneAt, story::kFilmLength);
    EXPECT_DOUBLE_EQ(filmAtDone, story::kFilmLength);
    // The end card had faded to nothing before the film let go of it.
    EXPECT_EQ(story::endCardOpacity(doneAt), 0.0);
}

}  // namespace
}  // namespace kp
