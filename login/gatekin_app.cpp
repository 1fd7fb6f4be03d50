// The Gatekin.ocx module: its module object and the class factories of the
// login control and its property page.
#include "gatekin_ctrl.h"
#include "module_exports.h"

class CGatekinApp : public COleControlModule {};

// The module object: the framework's defaults serve the login control.
CGatekinApp theApp;

namespace {

COleControlFactory controlFactory(kGatekinModule.controlClsid, kGatekinModule.controlClassName,
                                  kGatekinModule.controlProgId, &CreateComObject<CGatekinCtrl>,
                                  ShellControlRegistration(kGatekinModule));
COlePropertyPageFactory pageFactory(kGatekinModule.pageClsid, kGatekinModule.pageClassName,
                                    kGatekinModule.pageProgId, &CreateComObject<CGatekinPropPage>,
                                    IDS_PAGE_TYPE_NAME);

}  // namespace

const ControlModuleIdentity& ThisControlModule() { return kGatekinModule; }
