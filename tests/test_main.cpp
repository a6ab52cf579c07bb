// Test entry: Qt runs offscreen, with its runtime and settings folders in a
// temporary place, so no test touches the real home or needs a display.
#include <QGuiApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char runtime[] = "/tmp/loomveil-test-XXXXXX";
    if (mkdtemp(runtime)) {
        setenv("XDG_RUNTIME_DIR", runtime, 1);
        const std::string config = std::string(runtime) + "/config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    QGuiApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    if (runtime[0]) std::system((std::string("rm -rf ") + runtime).c_str());
    return result;
}
