// CWinApp: the application object. Exactly one exists, as a global.
#pragma once
#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    // Returning FALSE ends the process after ExitInstance (a dialog-based
    // program runs its main dialog inside InitInstance).
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    virtual int Run();

    HICON LoadIcon(UINT id) const;
    HCURSOR LoadCursor(UINT id) const;

    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";  // the command line after the program name, in UTF-8
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// Module whose resources templates, icons and strings come from.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
// Loads a string resource in UTF-8; empty when it is missing.
bool AfxLoadString(UINT id, char* buffer, int size);
