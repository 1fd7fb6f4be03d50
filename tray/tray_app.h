// CTrayApp: the tray client's application object.
#pragma once
#include "app.h"

class CTrayApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // The main window, which is the program, until it ends.
    BOOL RunMainDialog();
};
