// Program entry of a framework application: hands control to the global CWinApp.
#include <cstring>

#include "app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = cmdLine ? cmdLine : "";
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
