// The standard exports of a control module (DllMain, DllCanUnloadNow,
// DllGetClassObject, DllRegisterServer, DllUnregisterServer) are the
// shell's; each module only says which one it is.
#pragma once
#include "module_identity.h"

// Defined once in each module.
const ControlModuleIdentity& ThisControlModule();
