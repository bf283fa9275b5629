#pragma once
// Where Kettlepaw keeps its files; every folder follows the XDG variables.
#include <QString>

namespace kp::paths {

QString configDir();   // $XDG_CONFIG_HOME/kettlepaw (~/.config/kettlepaw)
QString configFile();  // configDir()/kettlepaw.conf
QString dataDir();     // $XDG_DATA_HOME/kettlepaw (~/.local/share/kettlepaw)
QString runtimeDir();  // $XDG_RUNTIME_DIR, else the temporary folder

}  // namespace kp::paths
