// loomveil: the viewer's window. loomveil [FILE]
#include "app/loomveil_app.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationVersion("1.0.5.0");
    CLoomveilApp theApp;
    return theApp.Run();
}
