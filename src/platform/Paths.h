#pragma once
// Where Kettlepaw keeps its files; every folder follows the XDG variables.
#include <QString>

namespace kp::paths {

QString configDir();   // $XDG_CONFIG_HOME/kettlepaw (~/.config/kettlepaw)
QString configFile();  // configDir()/kettlepaw.conf
QString dataDir();     // $XDG_DATA_HOME/kettlepaw (~/.local/share/kettlepaw)

// The toolkit reads file names as UTF-8 whatever the locale, and a byte that is not becomes U+FFFD:
// a home folder named otherwise would lead to a made-up folder beside it. Such a folder is opened by
// its bytes once and kept open for the run; the folders above are named through it
// ("/proc/self/fd/N/.local/share/kettlepaw"), and the log says so once. Where that cannot be done,
// unreachable() says why, and nothing may be read or written in those folders.
QString unreachable();

// `path` as a person reads it: a folder reached through its descriptor by its own name, a byte that is
// not UTF-8 written \xNN.
QString shown(const QString& path);

// `path` with every link resolved, named as above where the real name is not UTF-8; empty where it
// leads nowhere.
QString canonicalPath(const QString& path);

// Opens `path` as a folder (for the *at() calls) when it is one of the user's own, not a link, that
// no one else may write in (but for the user's own group); with `make`, a missing one is made first,
// for the user alone. Else -1, `why` says what is wrong with it, and `error` is the system's error
// where the folder could not be made or opened (0 otherwise).
int openOwnFolder(const QString& path, bool make, QString* why = nullptr, int* error = nullptr);

}  // namespace kp::paths
