#include "desktop/KeyboardWalk.h"

#include "platform/Random.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace kp;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(KeyboardWalkTest, BurstSizesStayWithinTheirBounds) {
    int separators[3] = {0, 0, 0};
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        SeededRandom random(seed);
        const auto parts = keyboardwalk::mashBursts(random);
        ASSERT_GE(parts.size(), 5u);
        ASSERT_LE(parts.size(), 9u);
        for (const auto& b : parts) {
            ASSERT_GE(b.held.size(), 4);
            ASSERT_LE(b.held.size(), 16);
            EXPECT_EQ(b.held, QString(b.held.size(), b.held[0]));
            // The held key and the roll come from one row; the roll never repeats a key.
            const char* row = nullptr;
            for (const char* r : keyboardwalk::keyRows) {
                const QString keys = QString::fromLatin1(r);
                bool all = keys.contains(b.held[0]);
                for (QChar c : b.rolled) all = all && keys.contains(c) && b.rolled.count(c) == 1;
                if (all) row = r;
            }
            ASSERT_NE(row, nullptr) << b.held.toStdString() << " " << b.rolled.toStdString();
            EXPECT_GE(b.rolled.size(), 2);
            EXPECT_LE(b.rolled.size(), std::min<qsizetype>(6, qsizetype(std::strlen(row))));
            if (b.separator == " ") ++separators[0];
            else if (b.separator == "\n") ++separators[1];
            else if (b.separator == ";;;;") ++separators[2];
            else ADD_FAILURE() << b.separator.toStdString();
        }
    }
    // A space about half the time, the other two about a quarter each.
    const double all = separators[0] + separators[1] + separators[2];
    EXPECT_NEAR(separators[0] / all, 0.5, 0.05);
    EXPECT_NEAR(separators[1] / all, 0.25, 0.05);
    EXPECT_NEAR(separators[2] / all, 0.25, 0.05);
}

TEST(KeyboardWalkTest, FileNameIsTheNameThenTheSuffix) {
    EXPECT_EQ(keyboardwalk::fileName(QStringLiteral("Tobbi")), QStringLiteral("Tobbi walked on the keyboard.txt"));
    EXPECT_EQ(keyboardwalk::fileName(QStringLiteral("Mr. Whiskers")),
              QStringLiteral("Mr. Whiskers walked on the keyboard.txt"));
    EXPECT_EQ(keyboardwalk::fileName(QStringLiteral("Café ☕")), QStringLiteral("Café ☕ walked on the keyboard.txt"));
}

TEST(KeyboardWalkTest, FileNameStaysOneSafeComponent) {
    const QString traversal = keyboardwalk::fileName(QStringLiteral("../../etc/passwd"));
    EXPECT_FALSE(traversal.contains(QLatin1Char('/')));
    EXPECT_FALSE(traversal.startsWith(QLatin1Char('.')));
    EXPECT_TRUE(traversal.endsWith(QStringLiteral(" walked on the keyboard.txt")));

    EXPECT_FALSE(keyboardwalk::fileName(QStringLiteral("a\nb\tc")).contains(QLatin1Char('\n')));
    EXPECT_FALSE(keyboardwalk::fileName(QString(QChar(0)) + QStringLiteral("x")).contains(QChar(0)));
    EXPECT_FALSE(keyboardwalk::fileName(QStringLiteral("Tob\u202Ebi")).contains(QChar(0x202E)));
    // Nothing usable left: the default cat's name.
    EXPECT_EQ(keyboardwalk::fileName(QStringLiteral(" .. ")), QStringLiteral("Tobbi walked on the keyboard.txt"));
    // A very long name is cut so the whole name fits the file system.
    const QString longName = keyboardwalk::fileName(QString(400, QChar(0x00E9)));
    EXPECT_LE(longName.toUtf8().size(), 255);
    EXPECT_TRUE(longName.endsWith(QStringLiteral(" walked on the keyboard.txt")));
    // A megabyte of four-byte characters behind leading dots: cut between whole characters, as
    // close to the limit as they allow.
    QString huge = QStringLiteral(". .");
    for (int i = 0; i < 256 * 1024; ++i) huge += QString::fromUtf8("\xF0\x9F\x98\xBA");
    const QString cut = keyboardwalk::fileName(huge);
    const qsizetype bytes = cut.toUtf8().size();
    EXPECT_LE(bytes, 255);
    EXPECT_GT(bytes, 251);
    EXPECT_EQ(QString::fromUtf8(cut.toUtf8()), cut);
    EXPECT_TRUE(cut.startsWith(QString::fromUtf8("\xF0\x9F\x98\xBA")));
}

TEST(KeyboardWalkTest, WriteMakesAndThenReplacesTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = keyboardwalk::writeFile(dir.path(), QStringLiteral("Tobbi"), QStringLiteral("jjjj kl\n"));
    EXPECT_EQ(path, QDir(dir.path()).filePath(QStringLiteral("Tobbi walked on the keyboard.txt")));
    EXPECT_EQ(readAll(path), QByteArray("jjjj kl\n"));

    const QString again = keyboardwalk::writeFile(dir.path(), QStringLiteral("Tobbi"), QStringLiteral("qq;;;;"));
    EXPECT_EQ(again, path);
    EXPECT_EQ(readAll(path), QByteArray("qq;;;;"));
    // No temporary files are left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(KeyboardWalkTest, ALinkAtTheTargetIsReplacedNotFollowed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString victim = QDir(dir.path()).filePath(QStringLiteral("victim.txt"));
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    const QString target = QDir(dir.path()).filePath(QStringLiteral("Tobbi walked on the keyboard.txt"));
    ASSERT_TRUE(QFile::link(victim, target));

    const QString path = keyboardwalk::writeFile(dir.path(), QStringLiteral("Tobbi"), QStringLiteral("asdf "));
    EXPECT_EQ(path, target);
    EXPECT_EQ(readAll(victim), QByteArray("precious"));
    EXPECT_FALSE(QFileInfo(target).isSymLink());
    EXPECT_EQ(readAll(target), QByteArray("asdf "));
}

TEST(KeyboardWalkTest, AFailedWriteGivesNoPath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("no/such/folder"));
    EXPECT_TRUE(keyboardwalk::writeFile(missing, QStringLiteral("Tobbi"), QStringLiteral("x")).isEmpty());
}

