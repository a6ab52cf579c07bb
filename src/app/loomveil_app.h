// CLoomveilApp: sets the settings key, reads the file named on the command
// line, and runs the main window; the program ends with it.
#pragma once

#include "app/win_app.h"

class CLoomveilApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
