// CTrayApp: the tray client's application object.
#pragma once
#include "app.h"

class CTrayApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
};
