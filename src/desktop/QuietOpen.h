#pragma once
// Opens a file for the user to find without taking the keyboard from the window they type in.
#include <QString>
#include <QStringList>

namespace kp {

// Notes the window in front, starts `program` with the file, and when another window comes to the
// front within 10 s gives the noted one its focus back (once). Where the window in front cannot be
// known (no window manager telling it), or the program is not installed, nothing is opened: the
// file stays where it was written, and the log says why. True when the program was started (its
// process id in `started`).
bool openQuietly(const QString& path, const QString& program = QStringLiteral("xdg-open"),
                 const QStringList& leading = {}, qint64* started = nullptr);

}  // namespace kp
