#pragma once
// The cat's keyboard walk: a burst of key mashing written to "<name> walked on the keyboard.txt" in the
// temporary folder. Opening it is the cat world's `openFile`.
#include <QString>

#include <vector>

namespace kp {

class RandomSource;

namespace keyboardwalk {

// The store key holding the time of the last walk, seconds since 1970.
inline constexpr const char* lastWalkKey = "desktopLastKeyboard";

// The key rows the paws land on.
inline constexpr const char* keyRows[] = {"asdfghjkl", "qwertyuiop", "zxcvbnm", "jkl;", "mnbv", "ghfj"};

// One burst of paws: a key held down, a roll along the same row, then a space, a line feed or ";;;;".
struct Burst {
    QString held;
    QString rolled;
    QString separator;
};

// 5 to 9 bursts, and the text they make together (no header, no trailer).
std::vector<Burst> mashBursts(RandomSource& random);
QString mashText(RandomSource& random);

// The file name for a cat: the name made safe as one path component, then " walked on the keyboard.txt".
QString fileName(const QString& petName);

// Writes `text` (UTF-8) to `folder`/`fileName(petName)` as a complete new file that replaces an earlier
// one. The file is made under a fresh name with O_EXCL|O_NOFOLLOW and renamed into place, so a link
// planted at the target is replaced, never followed. The written path, or empty on failure.
QString writeFile(const QString& folder, const QString& petName, const QString& text);

}  // namespace keyboardwalk
}  // namespace kp
