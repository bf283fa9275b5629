#include <gtest/gtest.h>

#include "ClipFiles.h"
#include "Listen.h"
#include "audio/ClipBank.h"

#include <QTemporaryDir>

using namespace kp;
using kp::audio::ClipBank;
using kp::test::writeClip;

TEST(ClipBank, ANamesTakesAreItsOwnOrNumberedRecordingsFromBothFoldersConvertedIfNeeded) {
    QTemporaryDir root;
    const QString r = root.path();
    // Lengths tell the takes apart.
    ASSERT_TRUE(writeClip(r + "/cat-mew-10.caf", 110));
    ASSERT_TRUE(writeClip(r + "/cat-mew.caf", 100));
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew-2.caf", 120));
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew.caf", 130));  // same name in "Sounds": a take too
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew-1.wav", 140));
    ASSERT_TRUE(writeClip(r + "/cat-mew.CAF", 160));  // not a recording's extension
    for (const char* other : {"cat-meow", "cat-mewl", "cat-mew-2b", "cat-mew_2"})
        ASSERT_TRUE(writeClip(r + "/" + other + ".caf", 150));
    ClipBank bank({r});
    std::vector<std::size_t> lengths;
    for (const auto& t : bank.loadClips("cat-mew")) lengths.push_back(t->size());
    // Textual order: cat-mew-1.wav, cat-mew-10.caf, cat-mew-2.caf, cat-mew.caf, cat-mew.caf.
    EXPECT_EQ(lengths, (std::vector<std::size_t>{140, 110, 120, 100, 130}));
    ASSERT_EQ(bank.loadClips("cat-meow").size(), 1u);

    // A name without takes is remembered as such: files that appear later are not looked for.
    EXPECT_TRUE(bank.loadClips("ui-tap").empty());
    ASSERT_TRUE(writeClip(r + "/ui-tap.caf", 100));
    EXPECT_TRUE(bank.loadClips("ui-tap").empty());

    // Recordings are taken as they are, or converted; broken files are left out.
    ASSERT_TRUE(writeClip(r + "/cat-trill.caf", 500, 44100, 1, 0.25f));
    {
        QFile junk(r + "/cat-trill-2.caf");
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("not a recording") > 0);
    }
    const auto exact = ClipBank::decodeClip(r + "/cat-trill.caf");
    ASSERT_EQ(exact.value().size(), 500u);
    EXPECT_FLOAT_EQ((*exact)[1], 0.25f * float(std::sin(2 * 3.14159265 * 440.0 / 44100)));
    EXPECT_EQ(ClipBank({r}).loadClips("cat-trill").size(), 1u);

    // One second at 48 kHz in stereo becomes one second at 44.1 kHz, mixed to mono at its level.
    ASSERT_TRUE(writeClip(r + "/cat-purr.caf", 48000, 48000, 2, 0.5f));
    const auto converted = ClipBank::decodeClip(r + "/cat-purr.caf");
    EXPECT_NEAR(double(converted.value().size()), 44100.0, 4.0);
    EXPECT_NEAR(test::peak(*converted), 0.5f, 0.02f);
}
