// Window tests run offscreen, with Qt's runtime folder and the settings in a
// temporary place, so no test touches the real home or needs a display.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char runtime[] = "/tmp/loomveil-apptest-XXXXXX";
    if (!mkdtemp(runtime)) return 1;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    const std::string config = std::string(runtime) + "/config";
    // QSettings writes <config>/<key>/<application>.conf.
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName("loomveil");
    const int result = RUN_ALL_TESTS();
    std::system((std::string("rm -rf ") + runtime).c_str());
    return result;
}
