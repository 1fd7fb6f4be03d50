// The Gatekin.ocx module: its module object and the class factories of the
// login control and its property page.
#include "gatekin_ctrl.h"
#include "module_exports.h"

class CGatekinApp : public COleControlModule {};

// The module object: the framework's defaults serve the login control.
CGatekinApp theApp;

namespace {

ShellClassFactories<CGatekinCtrl, CGatekinPropPage> factories(kGatekinModule);

}  // namespace

const ControlModuleIdentity& ThisControlModule() { return kGatekinModule; }
