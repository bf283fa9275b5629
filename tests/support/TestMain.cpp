// Test entry: every test binary runs in scratch XDG folders, so nothing touches the user's files,
// and Qt draws offscreen unless a display was chosen on purpose.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#ifdef KP_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const QByteArray root = scratch.path().toUtf8();
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_RUNTIME_DIR", root);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TestApp app(argc, argv);
    return RUN_ALL_TESTS();
}
