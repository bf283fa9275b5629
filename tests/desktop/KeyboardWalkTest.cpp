#include "desktop/KeyboardWalk.h"
#include "desktop/QuietOpen.h"

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

QStringList warnings;
void keepWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg) warnings << message;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

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


// Without its opener the keyboard walk's file stays where it was written, and the log says so.
TEST(KeyboardWalkTest, AMissingOpenerIsSaidInTheLog) {
    QTemporaryDir dir;
    const QString path = keyboardwalk::writeFile(dir.path(), QStringLiteral("Tobbi"), QStringLiteral("jjjj"));
    ASSERT_FALSE(path.isEmpty());
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    const bool opened = openQuietly(path, QStringLiteral("kp-no-such-opener"));
    qInstallMessageHandler(previous);
    EXPECT_FALSE(opened);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(path)) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("kp-no-such-opener is not installed"))) << warnings[0].toStdString();
}
