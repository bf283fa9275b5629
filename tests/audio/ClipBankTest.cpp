#include <gtest/gtest.h>

#include "ClipFiles.h"
#include "audio/ClipBank.h"

#include <QTemporaryDir>

using namespace kp;
using kp::audio::ClipBank;
using kp::test::writeClip;

TEST(ClipBank, NamesMatchOnlyThemselvesOrANumberedTake) {
    EXPECT_TRUE(ClipBank::isTakeOf("cat-mew", "cat-mew"));
    EXPECT_TRUE(ClipBank::isTakeOf("cat-mew-2", "cat-mew"));
    EXPECT_TRUE(ClipBank::isTakeOf("cat-mew-", "cat-mew"));
    EXPECT_TRUE(ClipBank::isTakeOf(QString::fromUtf8("cat-mew-\u0663"), "cat-mew"));  // any digits
    EXPECT_FALSE(ClipBank::isTakeOf("cat-mewl", "cat-mew"));
    EXPECT_FALSE(ClipBank::isTakeOf("cat-mew-2b", "cat-mew"));
    EXPECT_FALSE(ClipBank::isTakeOf("cat-mew_2", "cat-mew"));
    EXPECT_FALSE(ClipBank::isTakeOf("cat-meow", "cat-mew"));
    EXPECT_FALSE(ClipBank::isTakeOf("cat-mew", "cat-meow"));
}

TEST(ClipBank, TakesComeInFileNameOrderFromBothFolders) {
    QTemporaryDir root;
    const QString r = root.path();
    // Lengths tell the takes apart.
    ASSERT_TRUE(writeClip(r + "/cat-mew-10.caf", 110));
    ASSERT_TRUE(writeClip(r + "/cat-mew.caf", 100));
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew-2.caf", 120));
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew.caf", 130));  // same name in "Sounds": a take too
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew-1.wav", 140));
    ASSERT_TRUE(writeClip(r + "/cat-meow.caf", 150));
    ASSERT_TRUE(writeClip(r + "/cat-mew.CAF", 160));  // not a recording's extension
    ClipBank bank({r});
    const auto& takes = bank.loadClips("cat-mew");
    std::vector<std::size_t> lengths;
    for (const auto& t : takes) lengths.push_back(t->size());
    // Textual order: cat-mew-1.wav, cat-mew-10.caf, cat-mew-2.caf, cat-mew.caf, cat-mew.caf.
    EXPECT_EQ(lengths, (std::vector<std::size_t>{140, 110, 120, 100, 130}));
    ASSERT_EQ(bank.loadClips("cat-meow").size(), 1u);
    EXPECT_EQ(bank.loadClips("cat-meow")[0]->size(), 150u);
}

TEST(ClipBank, MissingNameIsRememberedAsEmpty) {
    QTemporaryDir root;
    ClipBank bank({root.path()});
    EXPECT_TRUE(bank.loadClips("ui-tap").empty());
    // Files that appear later are not seen: the list and the answer are kept for the run.
    ASSERT_TRUE(writeClip(root.path() + "/ui-tap.caf", 100));
    EXPECT_TRUE(bank.loadClips("ui-tap").empty());
}

TEST(ClipBank, ConvertsOtherRatesAndChannelsToTheVoiceFormat) {
    QTemporaryDir root;
    const QString path = root.path() + "/cat-purr.caf";
    ASSERT_TRUE(writeClip(path, 48000, 48000, 2, 0.5f));
    const auto samples = ClipBank::decodeClip(path);
    ASSERT_TRUE(samples.has_value());
    // One second at 48 kHz becomes one second at 44.1 kHz.
    EXPECT_NEAR(double(samples->size()), 44100.0, 4.0);
    float m = 0;
    for (float x : *samples) m = std::max(m, std::fabs(x));
    EXPECT_NEAR(m, 0.5f, 0.02f);  // both channels alike: the mono mix keeps the level
}

TEST(ClipBank, TargetFormatIsTakenAsIsAndBrokenFilesAreLeftOut) {
    QTemporaryDir root;
    const QString r = root.path();
    ASSERT_TRUE(writeClip(r + "/cat-trill.caf", 500, 44100, 1, 0.25f));
    QFile junk(r + "/cat-trill-2.caf");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a recording");
    junk.close();
    const auto exact = ClipBank::decodeClip(r + "/cat-trill.caf");
    ASSERT_TRUE(exact.has_value());
    ASSERT_EQ(exact->size(), 500u);
    EXPECT_FLOAT_EQ((*exact)[1], 0.25f * float(std::sin(2 * 3.14159265 * 440.0 / 44100)));
    ClipBank bank({r});
    EXPECT_EQ(bank.loadClips("cat-trill").size(), 1u);
}
