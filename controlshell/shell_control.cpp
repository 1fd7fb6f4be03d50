#include "shell_control.h"

#include "site_lock.h"

OleControlClassInfo ShellControlClassInfo(const ControlModuleIdentity& identity) {
    return OleControlClassInfo{&identity.controlClsid, &identity.typeLib, kShellTypeLibMajor, kShellTypeLibMinor,
                               kShellMiscStatus, &identity.pageClsid, 1, &ControlServesPage};
}

COleControlFactory::Registration ShellControlRegistration(const ControlModuleIdentity& identity) {
    return COleControlFactory::Registration{IDS_CONTROL_TYPE_NAME, IDB_TOOLBOX, kShellMiscStatus, &identity.typeLib,
                                            kShellTypeLibMajor, kShellTypeLibMinor, kShellThreadingModel, false};
}
