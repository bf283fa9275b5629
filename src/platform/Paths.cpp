#include "Paths.h"

#include <QDir>
#include <QStandardPaths>

namespace kp::paths {

namespace {
// A relative value of an XDG variable is invalid and ignored, as the XDG rules say.
QString xdgBase(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return value;
    return QDir::homePath() + fallbackUnderHome;
}
}  // namespace

QString configDir() { return xdgBase("XDG_CONFIG_HOME", "/.config") + "/kettlepaw"; }
QString configFile() { return configDir() + "/kettlepaw.conf"; }
QString dataDir() { return xdgBase("XDG_DATA_HOME", "/.local/share") + "/kettlepaw"; }

QString runtimeDir() {
    const QString value = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!value.isEmpty() && QDir::isAbsolutePath(value) && QDir(value).exists()) return value;
    return QDir::tempPath();
}

}  // namespace kp::paths
