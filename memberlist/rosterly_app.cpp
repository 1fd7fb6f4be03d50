// The Rosterly.ocx module: its module object and the class factories of the
// member list control and its property page.
#include <winsock2.h>

#include "app.h"
#include "list_module.h"
#include "message_box.h"
#include "module_exports.h"
#include "rosterly_ctrl.h"
#include "rosterly_resource.h"
#include "rosterly_texts.h"

namespace {

class CRosterlyApp : public COleControlModule {
public:
    BOOL InitInstance() override {
        WSADATA data;
        if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) {
            char text[128];
            if (!AfxLoadString(IDS_SOCKET_INIT_FAILED, text, sizeof text) || !text[0])
                lstrcpynA(text, kSocketInitFailedText, sizeof text);
            ShowMessageBox(nullptr, text, "Rosterly", MB_OK | MB_ICONEXCLAMATION);
            return FALSE;
        }
        if (!COleControlModule::InitInstance()) return FALSE;
        StartListModule();
        return TRUE;
    }

    int ExitInstance() override {
        StopListModule();
        // Windows Sockets is left to the process's end: WSACleanup must not
        // be called while the loader unloads a module.
        return COleControlModule::ExitInstance();
    }
};

CRosterlyApp theApp;

ShellClassFactories<CRosterlyCtrl, CRosterlyPropPage> factories(kRosterlyModule);

}  // namespace

const ControlModuleIdentity& ThisControlModule() { return kRosterlyModule; }
