#include "support/Scratch.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/AppLifecycle.h"
#include "platform/Paths.h"
#include "platform/PlainFile.h"

#include <csignal>
#include <iostream>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using kp::test::ScratchStore;

TEST(Defaults, ValuesAndRecordsComeBackWithTheirTypesAndEveryWriteIsAnnounced) {
    ScratchStore s;
    QSignalSpy spy(s.store.get(), &kp::Defaults::changed);
    s->set("onboardedV1", true);
    s->set("soundVolume", 0.25);
    s->set("petName", QStringLiteral("Mochi"));
    s->set("seasonalPieces", QStringList{"bunnyEars", "santaHat"});
    s->set("single", QStringList{"witchHat"});
    s->set("gone", 3.0);
    s->remove("gone");
    const QByteArray json = R"({"hunger":40,"energy":25})";
    EXPECT_TRUE(s->setRecord("petLife.v1", json));
    ASSERT_GE(spy.count(), 6);
    EXPECT_EQ(spy.at(0).at(0).toString(), "onboardedV1");
    EXPECT_EQ(spy.back().at(0).toString(), "petLife.v1");
    s.restart();

    EXPECT_EQ(s->object("onboardedV1").typeId(), QMetaType::Bool);
    EXPECT_TRUE(s->boolValue("onboardedV1"));
    EXPECT_EQ(s->object("soundVolume").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(s->doubleValue("soundVolume"), 0.25);
    EXPECT_EQ(s->string("petName"), "Mochi");
    EXPECT_EQ(s->stringArray("seasonalPieces"), (QStringList{"bunnyEars", "santaHat"}));
    EXPECT_EQ(s->stringArray("single"), QStringList{"witchHat"});
    EXPECT_FALSE(s->contains("gone"));
    EXPECT_FALSE(s->object("missing").isValid());
    EXPECT_EQ(*s->record("petLife.v1"), json);
    EXPECT_FALSE(s->record("wallet.v1").has_value());
    QFile file(s.dir.path() + "/config/kettlepaw.conf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("onboardedV1=true")) << "a plain ini file";
}

TEST(Defaults, AnUndecodableRecordIsKeptAsideAndTheDefaultsStand) {
    ScratchStore s;
    const QByteArray broken = "{not json";
    ASSERT_TRUE(s->setRecord("petLife.v1", broken));
    auto decoded = s->decodeRecord<int>("petLife.v1", [](const QByteArray& b) -> std::optional<int> {
        if (b.startsWith("{\"ok\"")) return 1;
        return std::nullopt;
    });
    EXPECT_FALSE(decoded.has_value());
    EXPECT_FALSE(s->record("petLife.v1").has_value());  // the defaults can now be saved safely

    const QStringList aside = QDir(s.dir.path() + "/data").entryList({"petLife.v1.unreadable-*.json"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(s.dir.path() + "/data/" + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), broken);

    // A second bad record in the same second does not overwrite the first one kept aside.
    ASSERT_TRUE(s->setRecord("petLife.v1", "also broken"));
    EXPECT_FALSE(s->keepAside("petLife.v1").isEmpty());
    EXPECT_EQ(QDir(s.dir.path() + "/data").entryList({"petLife.v1.unreadable-*.json"}).size(), 2);
}

namespace {
// Replaces the file the way an editor saves it: a new file renamed over the old one.
void saveAsAnEditorWould(const QString& path, const QByteArray& bytes) {
    QFile f(path + ".swp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(path + ".swp", path));
}

QStringList keysOf(const QSignalSpy& spy) {
    QStringList keys;
    for (const auto& args : spy) keys << args.at(0).toString();
    keys.sort();
    return keys;
}
}  // namespace

TEST(Defaults, AnEditMadeToTheFileWhileRunningIsReadAndAnnouncedKeyByKey) {
    ScratchStore s;
    s->set("musicOn", true);
    s->set("musicVolume", 0.5);
    s->set("petName", QStringLiteral("Mochi"));
    const QString conf = s.dir.path() + "/config/kettlepaw.conf";
    QSignalSpy spy(s.store.get(), &kp::Defaults::changed);

    // Written in place: only the keys whose values differ are announced.
    {
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[General]\nmusicOn=false\nmusicVolume=0.5\npetName=Mochi\nmusicAlways=true\n");
    }
    QTRY_COMPARE_WITH_TIMEOUT(keysOf(spy), (QStringList{"musicAlways", "musicOn"}), 20000);
    EXPECT_FALSE(s->boolValue("musicOn"));
    EXPECT_TRUE(s->boolValue("musicAlways"));

    // Replaced by a rename, twice: the watch follows the new file each time.
    spy.clear();
    saveAsAnEditorWould(conf, "[General]\nmusicOn=false\nmusicVolume=0.25\npetName=Mochi\nmusicAlways=true\n");
    QTRY_COMPARE_WITH_TIMEOUT(keysOf(spy), QStringList{"musicVolume"}, 20000);
    EXPECT_DOUBLE_EQ(s->doubleValue("musicVolume"), 0.25);
    spy.clear();
    saveAsAnEditorWould(conf, "[General]\nmusicOn=false\nmusicVolume=0.25\npetName=Mochi\n");
    QTRY_COMPARE_WITH_TIMEOUT(keysOf(spy), QStringList{"musicAlways"}, 20000);
    EXPECT_FALSE(s->contains("musicAlways"));

    // The store's own writes are announced once, not again when the watch sees them.
    spy.clear();
    s->set("soundOn", false);
    s->set("musicVolume", 0.75);
    QFile conf2(conf);
    ASSERT_TRUE(conf2.open(QIODevice::Append));
    conf2.write("petMood=calm\n");
    conf2.close();
    QTRY_VERIFY_WITH_TIMEOUT(keysOf(spy).contains("petMood"), 20000);
    EXPECT_EQ(keysOf(spy), (QStringList{"musicVolume", "petMood", "soundOn"}));
}

TEST(Paths, FollowTheXdgVariables) {
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME"), oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/kp-config");
    qputenv("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(kp::paths::configFile(), "/tmp/kp-config/kettlepaw/kettlepaw.conf");
    EXPECT_EQ(kp::paths::dataDir(), QDir::homePath() + "/.local/share/kettlepaw");
    qputenv("XDG_CONFIG_HOME", oldConfig);
    qputenv("XDG_DATA_HOME", oldData);
}

// A folder named otherwise than in UTF-8 is reached through its descriptor, and shown to people
// by its own name.
TEST(Paths, AFolderNamedOtherwiseThanInUtf8IsShownByItsOwnName) {
    QTemporaryDir dir;
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/h\xe9me";
    ASSERT_EQ(::mkdir(bytes.constData(), 0700), 0);
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", bytes);
    const QString data = kp::paths::dataDir();
    EXPECT_TRUE(data.startsWith("/proc/self/fd/")) << data.toStdString();
    EXPECT_EQ(kp::paths::shown(data + "/Sounds"), dir.path() + "/h\\xe9me/kettlepaw/Sounds");
    EXPECT_EQ(kp::paths::shown("/tmp/plain"), "/tmp/plain");
    qputenv("XDG_DATA_HOME", oldData);
}

namespace {
QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A data folder that holds only a few kilobytes: a small tmpfs where one can be mounted, else a
// file size limit on this process (writes past it fail as they would on a full disk).
struct SmallDisk {
    QTemporaryDir dir;
    QString data = dir.path() + "/data";
    bool mounted = false;
    rlimit oldLimit{};
    void (*oldHandler)(int) = nullptr;

    SmallDisk() {
        QDir().mkpath(data);
        const QByteArray path = QFile::encodeName(data);
        mounted = ::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (mounted) ::umount(QFile::encodeName(data).constData());
        else if (oldHandler) {
            ::setrlimit(RLIMIT_FSIZE, &oldLimit);
            std::signal(SIGXFSZ, oldHandler);
        }
    }
    // Leaves no room for a write of more than a few bytes.
    void fill() {
        if (!mounted) {
            oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            ::getrlimit(RLIMIT_FSIZE, &oldLimit);
            rlimit small = oldLimit;
            small.rlim_cur = 64;
            ::setrlimit(RLIMIT_FSIZE, &small);
            return;
        }
        QFile filler(data + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size()) {}
        while (filler.write("x", 1) == 1) {}
    }
};
}  // namespace

namespace {
QByteArray nestedArrays(int levels) { return QByteArray(levels, '[') + QByteArray(levels, ']'); }
QByteArray nestedObjects(int levels) {
    QByteArray out;
    for (int i = 1; i < levels; ++i) out += "{\"a\":";
    return out + "{}" + QByteArray(levels - 1, '}');
}
}  // namespace

TEST(Defaults, ARecordNestedDeeperThanTheBoundIsKeptAsideBeforeAnyoneParsesIt) {
    ScratchStore s;
    const int most = kp::Defaults::deepestRecord;
    // Up to the bound, brackets in strings (past an escaped quote) not counted, any number of
    // objects and arrays side by side: read as written.
    const QByteArray quoted = "[\"\\\"" + QByteArray(1000, '[') + "\"," + nestedArrays(most - 1) + "]";
    const QByteArray siblings = "[" + QByteArray("{\"p\":[[]],\"q\":{}},").repeated(200) + "{}]";
    for (const QByteArray& legal : {nestedArrays(most), nestedObjects(most), quoted, siblings}) {
        ASSERT_TRUE(s->setRecord("legal", legal));
        EXPECT_EQ(s->record("legal"), legal) << legal.left(80).toStdString();
    }
    EXPECT_TRUE(QDir(s.dir.path() + "/data").entryList({"*.unreadable-*"}).isEmpty());

    // An escaped backslash ends nothing: the quote after it closes the string. Closing brackets
    // beyond the top level hide nothing that comes after them.
    const QByteArray afterBackslash = "[\"\\\\\"," + nestedArrays(most) + "]";
    const QByteArray afterStrayClosers = QByteArray(100, ']') + nestedArrays(most + 1);
    const QByteArray tooDeep[] = {nestedArrays(most + 1), nestedObjects(most + 1), nestedArrays(1'000'000),
                                  nestedObjects(1'000'000), afterBackslash, afterStrayClosers};
    for (int i = 0; i < 6; ++i) {
        const QString key = QStringLiteral("deep%1").arg(i);
        ASSERT_TRUE(s->setRecord(key, tooDeep[i]));
        EXPECT_FALSE(s->record(key).has_value()) << i;
        EXPECT_FALSE(QFile::exists(s->recordPath(key))) << i;
        const QStringList aside = QDir(s.dir.path() + "/data").entryList({key + ".unreadable-*.json"});
        ASSERT_EQ(aside.size(), 1) << i;
        EXPECT_TRUE(contents(s.dir.path() + "/data/" + aside.first()) == tooDeep[i]) << i;
    }
}

TEST(Defaults, AFullDiskFailsTheWriteAndLeavesTheOldRecordWhole) {
    SmallDisk disk;
    if (!disk.mounted) std::cout << "no tmpfs could be mounted: a file size limit stands in for the full disk\n";
    kp::Defaults store(disk.dir.path() + "/kettlepaw.conf", disk.data);
    const QByteArray old = R"({"coins":120})";
    ASSERT_TRUE(store.setRecord("wallet.v1", old));
    disk.fill();

    const QByteArray bigger = "{\"coins\":121,\"log\":\"" + QByteArray(8000, 'a') + "\"}";
    EXPECT_FALSE(store.setRecord("wallet.v1", bigger));
    EXPECT_FALSE(store.canKeep("wallet.v1"));
    EXPECT_FALSE(kp::writeFileAtomically(disk.data + "/photo.jpg", bigger));
    EXPECT_EQ(contents(disk.data + "/wallet.v1.json"), old);
    EXPECT_FALSE(QFile::exists(disk.data + "/photo.jpg"));
    // Nothing half-written is left behind.
    EXPECT_EQ(QDir(disk.data).entryList(QDir::Files | QDir::Hidden).filter("wallet"), QStringList{"wallet.v1.json"});
}

TEST(Defaults, ARecordThatIsALinkIsReplacedAndItsTargetNeverWritten) {
    ScratchStore s;
    const QString data = s.dir.path() + "/data";
    QDir().mkpath(data);
    const QString outside = s.dir.path() + "/elsewhere.json";
    {
        QFile f(outside);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"hunger":10})");
    }
    ASSERT_TRUE(QFile::link(outside, data + "/petLife.v1.json"));
    ASSERT_EQ(*s->record("petLife.v1"), R"({"hunger":10})");  // read through, as the user meant

    EXPECT_TRUE(s->setRecord("petLife.v1", R"({"hunger":50})"));
    EXPECT_EQ(contents(outside), R"({"hunger":10})");
    EXPECT_FALSE(QFileInfo(data + "/petLife.v1.json").isSymLink());
    EXPECT_EQ(*s->record("petLife.v1"), R"({"hunger":50})");
}

TEST(Defaults, ADanglingLinkOrAFolderIsRefusedAndLeftAlone) {
    ScratchStore s;
    const QString data = s.dir.path() + "/data";
    QDir().mkpath(data + "/wallet.v1.json");
    const QString missing = s.dir.path() + "/unmounted/petLife.v1.json";
    ASSERT_TRUE(QFile::link(missing, data + "/petLife.v1.json"));
    EXPECT_TRUE(s->canKeep("album.v1"));

    for (const QString key : {"petLife.v1", "wallet.v1"}) {
        EXPECT_FALSE(s->canKeep(key)) << key.toStdString();
        EXPECT_FALSE(s->setRecord(key, "{}")) << key.toStdString();
    }
    EXPECT_EQ(QFile::symLinkTarget(data + "/petLife.v1.json"), missing);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_TRUE(QFileInfo(data + "/wallet.v1.json").isDir());
}

TEST(Defaults, AnUnreadableSettingsFileIsKeptAsideAndItsIntactKeysRead) {
    QTemporaryDir dir;
    const QString conf = dir.path() + "/kettlepaw.conf";
    static const char garbage[] = "\x01\xff\xfe[broken\x00\x00 = =\n\"unterminated\n";
    QByteArray damaged(garbage, sizeof garbage - 1);
    damaged += "[General]\nonboardedV1=true\npetName=Mochi\n";
    {
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    {
        kp::Defaults store(conf, dir.path() + "/data");
        EXPECT_TRUE(store.boolValue("onboardedV1"));
        store.set("soundOn", false);
    }
    const QStringList aside = QDir(dir.path()).entryList({"kettlepaw.unreadable-*.conf"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(contents(dir.path() + "/" + aside.first()), damaged);
    kp::Defaults reopened(conf, dir.path() + "/data");
    EXPECT_EQ(reopened.string("petName"), "Mochi");
    EXPECT_TRUE(reopened.contains("soundOn"));
    EXPECT_FALSE(reopened.boolValue("soundOn"));
    EXPECT_EQ(QDir(dir.path()).entryList({"kettlepaw.unreadable-*.conf"}).size(), 1);
}

namespace {
void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Whether anything read the file at `path` since the watch began.
struct ReadWatch {
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    explicit ReadWatch(const QString& path) { ::inotify_add_watch(fd, QFile::encodeName(path).constData(), IN_ACCESS); }
    ~ReadWatch() { ::close(fd); }
    bool read() const {
        alignas(inotify_event) char events[4096];
        return ::read(fd, events, sizeof events) > 0;
    }
};

// The lines the store logs while one lives, for the tests that count them.
struct Log {
    static inline QStringList lines;
    QtMessageHandler old = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { lines << m; });
    Log() { lines.clear(); }
    ~Log() { qInstallMessageHandler(old); }
    qsizetype count(const QString& words) const { return lines.filter(words).size(); }
};

// A settings file of exactly `size` bytes that sets onboardedV1, then is filled in one shape.
QByteArray settingsFile(const QByteArray& shape, qint64 size) {
    QByteArray b = "[General]\nonboardedV1=true\n";
    if (shape == "keys")
        for (int n = 0; b.size() < size - 40; ++n) b += "k" + QByteArray::number(n) + "=v" + QByteArray::number(n) + "\n";
    if (shape == "groups")
        for (int n = 0; b.size() < size - 40; ++n) b += "[g" + QByteArray::number(n) + "]\nk=1\n";
    if (shape == "long key") b += QByteArray(size - b.size() - 40, 'k') + "=1\n";
    if (shape == "nesting") {
        // A value holding a value holding a value..., four bytes a level.
        b += "v=@Variant(";
        while (b.size() < size - 60) b += QByteArray("\0\0\0)", 4);
        b += "\\0\\0\\0\\x2\\0\\0\\0\\0)\n";
    }
    // A last value makes up the size; for "long value" it is all the filling.
    return b + "z=" + QByteArray(size - b.size() - 3, 'z') + "\n";
}
}  // namespace

TEST(Defaults, ASettingsFileOverItsBoundIsNeitherReadNorWrittenWhateverItsShape) {
    const qint64 bound = kp::Defaults::largestSettingsFile;
    const std::pair<QByteArray, qint64> cases[] = {
        {"keys", bound + 1}, {"groups", 1 << 20}, {"long key", 1 << 20}, {"long value", 20 << 20}, {"nesting", 1 << 20}};
    for (const auto& [shape, over] : cases) {
        SCOPED_TRACE(shape.toStdString());
        QTemporaryDir dir;
        const QString conf = dir.path() + "/kettlepaw.conf";
        // Within the bound, however it is filled: read, and still read after a write.
        put(conf, settingsFile(shape, bound));
        {
            kp::Defaults store(conf, dir.path());
            EXPECT_TRUE(store.boolValue("onboardedV1"));
            store.set("soundOn", false);
        }
        EXPECT_LE(QFileInfo(conf).size(), bound);
        EXPECT_TRUE(kp::Defaults(conf, dir.path()).boolValue("onboardedV1"));

        // Over it: the defaults, said once, and the file left as it was.
        const QByteArray big = settingsFile(shape, over);
        put(conf, big);
        Log log;
        {
            kp::Defaults store(conf, dir.path());
            EXPECT_FALSE(store.boolValue("onboardedV1"));
            store.set("petName", QStringLiteral("Mochi"));
            store.set("soundOn", false);
            store.remove("onboardedV1");
            EXPECT_EQ(store.string("petName").toStdString(), "Mochi");
        }
        EXPECT_EQ(log.count("settings file"), 1) << log.lines.join('\n').toStdString();
        EXPECT_TRUE(contents(conf) == big) << "the file was written";
    }
}

TEST(Defaults, AWriteGoesOverNoKeyButItsOwn) {
    ScratchStore s;
    QDir().mkpath(s.dir.path() + "/config");
    put(s.dir.path() + "/config/kettlepaw.conf", settingsFile("keys", kp::Defaults::largestSettingsFile - 1024));
    s.restart();
    ASSERT_EQ(s->fullPasses(), 1);
    for (int i = 1; i <= 20; ++i) {
        s->set("soundVolume", i / 20.0);
        s->remove("gone");
    }
    EXPECT_EQ(s->fullPasses(), 1);
    EXPECT_EQ(s->string("k1000"), "v1000");
    s.restart();
    EXPECT_DOUBLE_EQ(s->doubleValue("soundVolume"), 1.0);
}

TEST(Defaults, AnEditThatGrowsTheFilePastItsBoundKeepsTheValuesAndLeavesTheFileAlone) {
    ScratchStore s;
    s->set("petName", QStringLiteral("Mochi"));
    s->set("soundOn", false);
    const QString conf = s.dir.path() + "/config/kettlepaw.conf";
    QSignalSpy spy(s.store.get(), &kp::Defaults::changed);
    Log log;

    // Written again by hand, far too large, right after the app's last write; the app writes
    // again before the edit has settled. Not one byte of it is read.
    const QByteArray big = "[General]\npetName=Tama\nsoundOn=true\n" + QByteArray(1 << 20, '\n');
    saveAsAnEditorWould(conf, big);
    ReadWatch reads(conf);
    QCoreApplication::processEvents();
    s->set("musicOn", true);
    EXPECT_EQ(s->string("petName").toStdString(), "Mochi");
    EXPECT_FALSE(s->boolValue("soundOn"));
    EXPECT_TRUE(s->boolValue("musicOn"));
    EXPECT_FALSE(reads.read());
    saveAsAnEditorWould(conf, big + "\n");
    ReadWatch readsAgain(conf);
    s->remove("musicOn");
    QCoreApplication::processEvents();
    EXPECT_FALSE(readsAgain.read());
    EXPECT_EQ(keysOf(spy).join(' ').toStdString(), "musicOn musicOn");
    EXPECT_EQ(log.count("settings file"), 1) << log.lines.join('\n').toStdString();
    EXPECT_TRUE(contents(conf) == big + "\n") << "the file was written";

    // Made sane again: read, announced, and written again.
    saveAsAnEditorWould(conf, "[General]\npetName=Tama\nsoundOn=false\n");
    QTRY_COMPARE_WITH_TIMEOUT(s->string("petName"), QStringLiteral("Tama"), 20000);
    s->set("musicOn", true);
    EXPECT_TRUE(contents(conf).contains("musicOn=true"));
    EXPECT_TRUE(keysOf(spy).contains("petName"));
    EXPECT_FALSE(keysOf(spy).contains("soundOn"));
}

TEST(Defaults, AValueThatWouldLeaveTheFileTooLargeIsKeptForThisRunOnly) {
    ScratchStore s;
    s->set("petName", QStringLiteral("Mochi"));
    const QString conf = s.dir.path() + "/config/kettlepaw.conf";
    Log log;
    const QString huge(kp::Defaults::largestSettingsFile, u'm');
    s->set("notes", huge);
    s->set("notes", huge + "m");
    s->set("soundOn", false);
    EXPECT_EQ(s->string("notes").size(), huge.size() + 1);
    EXPECT_EQ(log.count("too large"), 1) << log.lines.join('\n').toStdString();
    EXPECT_FALSE(contents(conf).contains("notes"));

    s.restart();
    EXPECT_EQ(s->string("petName").toStdString(), "Mochi");
    EXPECT_TRUE(s->contains("soundOn"));
    EXPECT_FALSE(s->contains("notes"));
}

TEST(Defaults, ASettingsFileThatBeginsWithAByteOrderMarkReadsAsTheSameFileWithoutIt) {
    QTemporaryDir dir;
    const QString conf = dir.path() + "/kettlepaw.conf";
    const QByteArray values = "[General]\nonboardedV1=true\npetName=Mochi\n";
    put(conf, "\xEF\xBB\xBF" + values);
    for (int start = 0; start < 2; ++start) {
        kp::Defaults store(conf, dir.path());
        EXPECT_TRUE(store.boolValue("onboardedV1")) << start;
        EXPECT_EQ(store.string("petName").toStdString(), "Mochi") << start;
        if (start == 0) continue;
        // Saved so by hand while the app runs.
        saveAsAnEditorWould(conf, "\xEF\xBB\xBF[General]\nonboardedV1=true\npetName=Tama\n");
        QTRY_COMPARE_WITH_TIMEOUT(store.string("petName"), QStringLiteral("Tama"), 20000);
        EXPECT_TRUE(store.boolValue("onboardedV1"));
    }
    EXPECT_EQ(contents(conf), "[General]\nonboardedV1=true\npetName=Tama\n");
    EXPECT_EQ(QDir(dir.path()).entryList({"*.unreadable-*"}).join(' ').toStdString(), "");
}

TEST(Defaults, ASettingsFileThatIsALinkStaysALinkAndItsTargetHoldsTheValues) {
    QTemporaryDir dir;
    const QString conf = dir.path() + "/config/kettlepaw.conf", target = dir.path() + "/dotfiles/kettlepaw.conf";
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/config") && QDir().mkpath(dir.path() + "/dotfiles"));
    put(target, "[General]\nonboardedV1=true\n");
    ASSERT_TRUE(QFile::link(target, conf));
    {
        kp::Defaults store(conf, dir.path());
        store.set("petName", QStringLiteral("Mochi"));
        // Too large to be read again: the file as it was is put back.
        store.set("notes", QString(kp::Defaults::largestSettingsFile, u'm'));
        store.set("soundOn", false);
    }
    EXPECT_EQ(QFile::symLinkTarget(conf).toStdString(), target.toStdString());
    EXPECT_LE(QFileInfo(target).size(), kp::Defaults::largestSettingsFile);
    kp::Defaults reopened(conf, dir.path());
    EXPECT_TRUE(reopened.boolValue("onboardedV1"));
    EXPECT_EQ(reopened.string("petName").toStdString(), "Mochi");
    EXPECT_TRUE(reopened.contains("soundOn"));
    EXPECT_FALSE(reopened.contains("notes"));
}

namespace {
// Whether a store opened on `conf` in a new process, as a new start of the app would be (the reader
// keeps what it parsed for the life of a process), reads petName as `name`.
bool startReadsTheName(const QString& conf, const QString& name) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(kp::Defaults(conf, QFileInfo(conf).path()).string("petName") == name ? 0 : 1);
    int status = -1;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
}  // namespace

TEST(Defaults, ADamagedSettingsFileIsKeptAsideOnceAndWhatCouldBeReadIsWrittenBackAlone) {
    // The reader stops at an open quote: soundOn is lost to it, and all of the second file.
    const QByteArray damaged = "[General]\nonboardedV1=true\npetName=Mochi\n\"unterminated\nsoundOn=false\n";
    const struct {
        QByteArray bytes;
        QString name;
        QStringList kept;
    } cases[] = {{damaged, "Mochi", {"onboardedV1", "petName"}}, {"\"petName=Mochi\n", "", {}}};
    const auto aside = [](const QTemporaryDir& dir) { return QDir(dir.path()).entryList({"kettlepaw.unreadable-*.conf"}); };
    for (const auto& [bytes, name, kept] : cases)
        for (const bool linked : {false, true}) {
            SCOPED_TRACE(bytes.toStdString() + (linked ? " through a link" : ""));
            QTemporaryDir dir;
            const QString conf = dir.path() + "/kettlepaw.conf", file = linked ? dir.path() + "/dotfiles.conf" : conf;
            put(file, bytes);
            if (linked) {
                ASSERT_TRUE(QFile::link(file, conf));
            }
            // Starts that write nothing.
            for (int start = 0; start < 3; ++start) EXPECT_TRUE(startReadsTheName(conf, name)) << start;
            ASSERT_EQ(aside(dir).size(), 1) << aside(dir).join(' ').toStdString();
            EXPECT_TRUE(contents(dir.path() + "/" + aside(dir).first()) == bytes);
            EXPECT_EQ(QFileInfo(conf).isSymLink(), linked);
            QSettings written(file, QSettings::IniFormat);
            EXPECT_EQ(written.allKeys(), kept);
            EXPECT_EQ(written.status(), QSettings::NoError);
        }
    // Nothing can be written back while a folder holds the reader's write lock: the same damage is
    // still kept aside once, and the file left as it is.
    QTemporaryDir dir;
    const QString conf = dir.path() + "/kettlepaw.conf";
    put(conf, damaged);
    ASSERT_TRUE(QDir().mkdir(conf + ".lock"));
    for (int start = 0; start < 2; ++start) EXPECT_TRUE(startReadsTheName(conf, "Mochi")) << start;
    EXPECT_EQ(aside(dir).size(), 1) << aside(dir).join(' ').toStdString();
    EXPECT_TRUE(contents(conf) == damaged);
}

TEST(AppLifecycle, AFinalSaveThatHangsEndsTheProcessInsteadOfHoldingItUp) {
    bool ran = false;
    kp::finishWithin(60, [&ran] { ran = true; });
    EXPECT_TRUE(ran);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(kp::finishWithin(0.05, [] { for (;;) ::pause(); }), ::testing::ExitedWithCode(1), "did not finish");
    // The sound as the app ends: its own words, and the app's status.
    EXPECT_EXIT(kp::finishWithin(0.05, [] { for (;;) ::pause(); }, "The sound did not stop\n", 0),
                ::testing::ExitedWithCode(0), "The sound did not stop");
}

TEST(PlainFile, OnlyAPlainFileWithinTheBoundIsReadAndNothingElseIsWaitedOn) {
    QTemporaryDir dir;
    const auto at = [&dir](const char* name) { return dir.path() + "/" + name; };
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600), 0);  // opening it would wait for good
    ASSERT_TRUE(QFile::link("/dev/zero", at("zero")));
    QFile huge(at("huge")), plain(at("plain"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(1 << 20) && plain.open(QIODevice::WriteOnly));
    plain.write("{}");
    plain.close();
    for (const char* name : {"pipe", "zero", "huge"})
        EXPECT_EQ(kp::readPlainFile(at(name), 1000).state, kp::FileState::unfit) << name;
    EXPECT_EQ(kp::readPlainFile(at("none"), 1000).state, kp::FileState::absent);
    EXPECT_EQ(kp::readPlainFile(at("plain"), 1000).bytes, "{}");
}

TEST(Defaults, WhateverHoldsTheWriteLocksNameNoWriteWaitsOnIt) {
    // A pipe, a link to an endless device, a fresh lock naming a live process: each held the first
    // write up, for good or for half a minute. The writes run in a child the test can give up on.
    const auto plant = [](const QString& lock, int kind) {
        const QByteArray path = QFile::encodeName(lock);
        if (kind == 0) return ::mkfifo(path.constData(), 0600) == 0;
        if (kind == 1) return ::symlink("/dev/zero", path.constData()) == 0;
        if (kind == 2) return QDir().mkdir(lock);
        QFile live(lock);
        return live.open(QIODevice::WriteOnly) && live.write("1\nsystemd\nhost\n") > 0;
    };
    for (int kind = 0; kind < 4; ++kind) {
        SCOPED_TRACE(kind);
        QTemporaryDir dir;
        const QString conf = dir.path() + "/kettlepaw.conf";
        put(conf, "[General]\nonboardedV1=true\n");
        ASSERT_TRUE(plant(conf + ".lock", kind));
        const pid_t child = ::fork();
        if (child == 0) {
            {
                kp::Defaults store(conf, dir.path());
                store.set("soundOn", false);
                store.set("petName", QStringLiteral("Mochi"));
            }
            ::_exit(kp::Defaults(conf, dir.path()).string("petName") == "Mochi" ? 0 : 3);
        }
        int status = -1;
        for (int waited = 0; waited < 300 && ::waitpid(child, &status, WNOHANG) == 0; ++waited) ::usleep(100000);
        if (::waitpid(child, &status, WNOHANG) == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "a write still waits after 30 s";
            continue;
        }
        // Written, or for a folder in the way, kept in memory and the file left as it was.
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), kind == 2 ? 3 : 0);
        EXPECT_EQ(contents(conf).contains("Mochi"), kind != 2);
    }
}

namespace {
struct Ended {
    int code = -1;  // -1: it had not ended 30 s on, and was killed
    QByteArray out, err;
};

// The lifecycle probe in `mode`, with no thread to be had once it runs; SIGTERM once it says it
// is stuck, when `terminate`.
Ended runProbe(const char* mode, bool terminate = false) {
    QTemporaryDir dir;
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KP_NO_NEW_THREADS_LIBRARY));
    env.insert(QStringLiteral("KP_NO_NEW_THREADS"), dir.filePath(QStringLiteral("no-threads")));
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + ":verify_asan_link_order=0");
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(KP_LIFECYCLE_PROBE), {QString::fromLatin1(mode)});
    Ended ended;
    if (terminate) {
        while (!ended.out.contains("stuck") && probe.waitForReadyRead(30000)) ended.out += probe.readAllStandardOutput();
        ::kill(pid_t(probe.processId()), SIGTERM);
    }
    if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit) ended.code = probe.exitCode();
    probe.kill();
    probe.waitForFinished();
    ended.out += probe.readAllStandardOutput();
    ended.err = probe.readAllStandardError();
    return ended;
}
}  // namespace

TEST(AppLifecycle, TheFinalSaveRunsWhenNoThreadCanStartToWatchIt) {
    const Ended saved = runProbe("save");
    EXPECT_EQ(saved.code, 0) << saved.err.toStdString();
    EXPECT_EQ(saved.out.toStdString(), "saved\n");
    // Its bound holds all the same.
    const Ended hung = runProbe("hang");
    EXPECT_EQ(hung.code, 1) << hung.err.toStdString();
    EXPECT_TRUE(hung.err.contains("did not finish in time")) << hung.err.toStdString();
}

TEST(AppLifecycle, SigtermSavesAndEndsAnAppWhoseMainThreadIsStuck) {
    const Ended ended = runProbe("stuck", true);
    EXPECT_EQ(ended.code, 0) << ended.err.toStdString();
    EXPECT_EQ(ended.out.toStdString(), "stuck\nsaved where it stood\n");
    EXPECT_TRUE(ended.err.contains("did not take up the signal to quit")) << ended.err.toStdString();
}
