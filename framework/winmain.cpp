// Program entry of a framework application: hands control to the global CWinApp.
#include <cstring>

#include <string>

#include "app.h"
#include "text_conversion.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    // The command line as Windows holds it, in UTF-16, after the program name.
    static std::string arguments;
    const wchar_t* line = ::GetCommandLineW();
    bool quoted = false;
    for (; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line)
        if (*line == L'"') quoted = !quoted;
    while (*line == L' ' || *line == L'\t') ++line;
    arguments = Utf8FromWide(line);
    app->m_lpCmdLine = arguments.c_str();
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
