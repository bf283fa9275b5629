#pragma once
// Where Kettlepaw keeps its files; every folder follows the XDG variables.
#include <QString>

namespace kp::paths {

QString configDir();   // $XDG_CONFIG_HOME/kettlepaw (~/.config/kettlepaw)
QString configFile();  // configDir()/kettlepaw.conf
QString dataDir();     // $XDG_DATA_HOME/kettlepaw (~/.local/share/kettlepaw)

// Opens `path` as a folder (for the *at() calls) when it is one of the user's own, not a link, that
// no one else may write in (but for the user's own group); with `make`, a missing one is made first,
// for the user alone. Else -1, `why` says what is wrong with it, and `error` is the system's error
// where the folder could not be made or opened (0 otherwise).
int openOwnFolder(const QString& path, bool make, QString* why = nullptr, int* error = nullptr);

}  // namespace kp::paths
