#include <gtest/gtest.h>

#include "ClipFiles.h"
#include "Listen.h"
#include "audio/ClipBank.h"
#include "support/ThreadTime.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>

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
    // The plain name first (top level, then "Sounds"), then the numbered ones as text:
    // cat-mew.caf, cat-mew.caf, cat-mew-1.wav, cat-mew-10.caf, cat-mew-2.caf.
    EXPECT_EQ(lengths, (std::vector<std::size_t>{100, 130, 140, 110, 120}));
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

namespace {
QStringList warnings;
void keepWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg) warnings << text;
}
}  // namespace

// A take lasts a second or two. A file that would decode to much more, or that is no plain file,
// is refused from its header or its kind, at once and with one line in the log.
TEST(ClipBank, AFileThatIsNoTakeIsRefusedUnreadAndSaysWhy) {
    QTemporaryDir root;
    const QString r = root.path();
    // Two megabytes at 188 Hz: three quarters of an hour, or 117 million samples at the app's rate.
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-purr.wav", 500000, 188));
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew.wav", 48000 * 12, 48000));  // twelve seconds
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew-2.wav", 48000 * 4, 48000, 2));  // four: a long take
    // A pipe under a take's name: opening it to read would wait for a writer.
    const QString pipe = r + "/Sounds/cat-growl.caf";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    ClipBank bank({r});
    const double before = test::threadSeconds();
    const bool purrs = !bank.loadClips("cat-purr").empty();
    const double purrSeconds = test::threadSeconds() - before;
    QElapsedTimer timer;
    timer.start();
    std::atomic<bool> done{false};
    std::thread unblock([&] {  // lets a reader waiting for a writer go after five seconds
        for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done) ::close(::open(QFile::encodeName(pipe).constData(), O_RDWR));
    });
    const bool growls = ClipBank::decodeClip(pipe).has_value();
    const qint64 pipeMs = timer.elapsed();
    done = true;
    unblock.join();
    const std::vector<audio::SampleBuffer>& mews = bank.loadClips("cat-mew");
    qInstallMessageHandler(previous);

    EXPECT_FALSE(purrs);
    EXPECT_LT(purrSeconds, 1.0) << "the long file was decoded";
    EXPECT_FALSE(growls);
    EXPECT_LT(pipeMs, 4000) << "opening the pipe waited for a writer";
    ASSERT_EQ(mews.size(), 1u);
    EXPECT_NEAR(double(mews[0]->size()), 4.0 * 44100, 4.0);
    const QString said = warnings.join('\n');
    EXPECT_EQ(warnings.size(), 3) << said.toStdString();
    for (const QString& file : {r + "/Sounds/cat-purr.wav", pipe, r + "/Sounds/cat-mew.wav"})
        EXPECT_TRUE(said.contains(file)) << said.toStdString();
}

// However many takes a folder holds, a clip keeps its first 64 in file-name order, the same every
// start, and only a few more are ever opened: one line in the log says so.
TEST(ClipBank, OfThousandsOfTakesOfAClipOnlyTheFirstInNameOrderAreDecoded) {
    QTemporaryDir root;
    const QString r = root.path();
    QStringList files;
    for (int i = 0; i < 3000; ++i) {  // lengths tell the takes apart
        const QString file = QStringLiteral("ui-open-%1.wav").arg(i);
        ASSERT_TRUE(writeClip(r + (i % 2 ? "/Sounds/" : "/") + file, 100 + i));
        files << file;
    }
    files.sort();
    std::vector<std::size_t> first;
    for (const QString& file : files.mid(0, ClipBank::kMaxTakes))
        first.push_back(100 + file.section(u'-', 2).chopped(4).toULongLong());

    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    ClipBank bank({r});
    std::vector<std::size_t> lengths;
    for (const auto& t : bank.loadClips("ui-open")) lengths.push_back(t->size());
    qInstallMessageHandler(previous);

    EXPECT_EQ(lengths, first);
    EXPECT_EQ(bank.heldBytes(), qint64(std::accumulate(first.begin(), first.end(), std::size_t(0)) * sizeof(float)));
    ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].contains("2936 recordings of ui-open")) << warnings[0].toStdString();
}

// A recording named after the clip alone is played however many numbered takes lie beside it, and
// the log names the files it leaves unopened, not only their count.
TEST(ClipBank, ThePlainNameComesFirstBesideHundredsOfNumberedTakes) {
    QTemporaryDir root;
    const QString r = root.path();
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew.wav", 777));
    for (int i = 1; i <= 300; ++i) ASSERT_TRUE(writeClip(r + QStringLiteral("/Sounds/cat-mew-%1.caf").arg(i), 100));

    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    ClipBank bank({r});
    const std::vector<audio::SampleBuffer>& mews = bank.loadClips("cat-mew");
    qInstallMessageHandler(previous);

    ASSERT_EQ(mews.size(), std::size_t(ClipBank::kMaxTakes));
    EXPECT_EQ(mews.front()->size(), 777u) << "cat-mew.wav is not played";
    EXPECT_EQ(ClipBank::takePaths({r}, "cat-mew").value(0).toStdString(), (r + "/Sounds/cat-mew.wav").toStdString());
    ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
    const QString said = warnings[0];
    EXPECT_TRUE(said.startsWith("237 recordings of cat-mew are not played")) << said.toStdString();
    // After cat-mew.wav and the 63 numbered takes first as text (cat-mew-1 … cat-mew-155), the
    // next ones left unopened are named.
    for (const char* file : {"cat-mew-156.caf", "cat-mew-157.caf", "cat-mew-16.caf", "cat-mew-160.caf"})
        EXPECT_TRUE(said.contains(r + "/Sounds/" + file)) << file << ": " << said.toStdString();
    EXPECT_FALSE(said.contains(r + "/Sounds/cat-mew-155.caf")) << said.toStdString();
    EXPECT_TRUE(said.contains("and 229 more")) << said.toStdString();
}

// The slots go to the takes that give sound: files under a take's name that are no recordings,
// however many come first, leave their place to the next, and the log names them. A dozen takes
// fit easily in the budget and are all kept.
TEST(ClipBank, EveryTakeThatDecodesIsKeptAndTheFilesLeftOutAreNamed) {
    QTemporaryDir root;
    const QString r = root.path();
    const auto junk = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("no recording") > 0;
    };
    ASSERT_TRUE(QDir().mkpath(r + "/Sounds"));
    for (int i = 1; i <= 8; ++i) ASSERT_TRUE(junk(r + QStringLiteral("/Sounds/ui-tap-%1.wav").arg(i)));
    ASSERT_TRUE(writeClip(r + "/Sounds/ui-tap-9.wav", 300));
    ASSERT_TRUE(writeClip(r + "/Sounds/ui-tap.wav", 400));
    // More junk than a round of slots holds, before the one good take.
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(junk(r + QStringLiteral("/Sounds/ui-close-%1.wav").arg(i)));
    ASSERT_TRUE(writeClip(r + "/Sounds/ui-close-999.wav", 500));
    // Thirteen mews of a second and a half: 3.4 MB.
    ASSERT_TRUE(writeClip(r + "/Sounds/cat-mew.wav", 66150));
    for (int i = 1; i <= 12; ++i) ASSERT_TRUE(writeClip(r + QStringLiteral("/Sounds/cat-mew-%1.wav").arg(i), 66150 + i));

    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    ClipBank bank({r});
    const auto sizes = [&](const char* name) {
        std::vector<std::size_t> out;
        for (const auto& t : bank.loadClips(name)) out.push_back(t->size());
        return out;
    };
    const auto taps = sizes("ui-tap");
    const auto closes = sizes("ui-close");
    const auto mews = sizes("cat-mew");
    qInstallMessageHandler(previous);

    EXPECT_EQ(taps, (std::vector<std::size_t>{400, 300}));
    EXPECT_EQ(closes, (std::vector<std::size_t>{500}));
    EXPECT_EQ(mews.size(), 13u);
    EXPECT_EQ(mews.front(), 66150u) << "cat-mew.wav comes first";
    ASSERT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].startsWith("8 recordings of ui-tap are not played")) << warnings[0].toStdString();
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(warnings[0].contains(r + QStringLiteral("/Sounds/ui-tap-%1.wav (").arg(i))) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].startsWith("100 recordings of ui-close are not played")) << warnings[1].toStdString();
    EXPECT_TRUE(warnings[1].contains("92 more")) << warnings[1].toStdString();
}

// Eight takes of five seconds for each of six clips would hold 42 MB of samples: the bank keeps
// the first takes that fit in its 32 MB, in the order the clips were asked for, also when the
// takes of several were decoded side by side before any was kept. A take that would not fit is
// not decoded at all.
TEST(ClipBank, TheTakesOfEveryClipTogetherKeepWithinTheBanksBudget) {
    QTemporaryDir root;
    const QString r = root.path();
    for (int c = 0; c < 6; ++c)
        for (int t = 1; t <= 8; ++t)  // converted: each becomes twice as many samples
            ASSERT_TRUE(writeClip(r + QStringLiteral("/Sounds/clip%1-%2.wav").arg(c).arg(t), 5 * 22050, 22050));
    const qint64 budget = qint64(32) << 20;
    const qint64 take = 5 * 44100 * qint64(sizeof(float));

    const ClipBank::Found part = ClipBank::find({r}, "clip0", take * 5 / 2);
    EXPECT_EQ(part.takes.size(), 2u);
    EXPECT_EQ(part.leftOutCount, 6);

    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    ClipBank one({r});
    std::vector<std::size_t> kept;
    for (int c = 0; c < 6; ++c) kept.push_back(one.loadClips(QStringLiteral("clip%1").arg(c)).size());
    const QStringList said = warnings;

    ClipBank together({r});
    std::vector<ClipBank::Found> found;
    for (int c = 0; c < 6; ++c) found.push_back(ClipBank::find({r}, QStringLiteral("clip%1").arg(c), together.room()));
    std::vector<std::size_t> keptTogether;
    for (int c = 0; c < 6; ++c)
        keptTogether.push_back(together.keep(QStringLiteral("clip%1").arg(c), std::move(found[std::size_t(c)])).size());
    qInstallMessageHandler(previous);

    for (const ClipBank* bank : {&one, &together}) {
        EXPECT_LE(bank->heldBytes(), budget);
        EXPECT_GT(bank->heldBytes(), budget - take - 1024);
    }
    EXPECT_EQ(kept, (std::vector<std::size_t>{8, 8, 8, 8, 6, 0}));
    EXPECT_EQ(keptTogether, kept);
    ASSERT_EQ(said.size(), 2) << said.join('\n').toStdString();
    EXPECT_TRUE(said[0].contains("2 recordings of clip4")) << said[0].toStdString();
    EXPECT_TRUE(said[1].contains("8 recordings of clip5")) << said[1].toStdString();
}

// The folders are listed by their entries: a pipe, a device, a folder or a broken link under a
// take's name is passed over without being opened, and a link to a device is refused once opened.
TEST(ClipBank, WhatIsNoRecordingUnderATakesNameIsPassedOverWithoutWaiting) {
    QTemporaryDir root;
    QTemporaryDir other;
    const QString r = root.path();
    const QString s = r + "/Sounds/";
    ASSERT_TRUE(writeClip(s + "cat-mew-9.caf", 500));
    const auto native = [](const QString& path) { return QFile::encodeName(path); };
    ASSERT_EQ(::mkfifo(native(s + "cat-mew-1.caf").constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", native(s + "cat-mew-2.caf").constData()), 0);
    ASSERT_EQ(::symlink("nothing", native(s + "cat-mew-3.caf").constData()), 0);
    ASSERT_TRUE(QDir().mkpath(s + "cat-mew-4.caf"));
    ASSERT_EQ(::symlink("cat-mew-5.caf", native(s + "cat-mew-5.caf").constData()), 0);  // a loop
    ASSERT_EQ(::mkfifo(native(other.path() + "/Sounds").constData(), 0600), 0);  // a "folder" that is a pipe

    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    ClipBank bank({r, other.path()});
    const auto& takes = bank.loadClips("cat-mew");
    qInstallMessageHandler(previous);

    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0]->size(), 500u);
    ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].contains(s + "cat-mew-2.caf")) << warnings[0].toStdString();
}
