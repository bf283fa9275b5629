// The app's shared sound as the app ends: closed, none of its threads runs on into the process's
// end, where what they use (the synthesiser's tables, the libraries' statics) goes away.
#include "audio/MusicBox.h"
#include "audio/PetSoundPlayer.h"
#include "audio/RoomAmbience.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

using namespace kp;
using namespace kp::audio;

namespace {

// The process's threads by id, with their names; not the global pool's, which Qt ends itself.
QStringList threads() {
    QStringList out;
    for (const QString& id : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(id));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
        if (name != QLatin1String("Thread (pooled)")) out << id + u' ' + name;
    }
    return out;
}

QStringList newSince(const QStringList& before) {
    QStringList out;
    for (const QString& t : threads())
        if (!before.contains(t)) out << t;
    return out;
}

}  // namespace

TEST(SharedSound, ClosingEndsEveryThreadOfTheSoundAndNothingStartsAgain) {
    const QStringList before = threads();
    PetSoundPlayer& player = PetSoundPlayer::shared();
    player.play(PetSound::trill);  // looked for and made on the player's worker
    MusicBox& music = MusicBox::shared();
    music.setAlways(true);
    music.update();  // composed on the music's queue
    RoomAmbience& beds = RoomAmbience::shared();
    beds.levels[AmbienceBed::rain] = 1;
    beds.apply();
    ASSERT_GT(player.making(), 0);
    ASSERT_TRUE(music.playingRoom());
    ASSERT_TRUE(beds.started());
    EXPECT_FALSE(newSince(before).isEmpty());

    closeSharedSound();
    // A thread joined may stay listed for a moment while the system takes it down.
    EXPECT_TRUE(QTest::qWaitFor([&] { return newSince(before).isEmpty(); }, 30000)) << newSince(before).join(", ").toStdString();

    // What was under way arrives, and later requests come: none opens an output or starts a thread.
    player.play(PetSound::meow);
    music.setActive(true);
    music.update();
    beds.levels[AmbienceBed::fire] = 1;
    beds.apply();
    QCoreApplication::processEvents();
    EXPECT_EQ(player.making(), 0);
    EXPECT_FALSE(player.started() || music.started() || beds.started());
    EXPECT_FALSE(beds.isLoading(AmbienceBed::fire));
    EXPECT_TRUE(newSince(before).isEmpty()) << newSince(before).join(", ").toStdString();
}
