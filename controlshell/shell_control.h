// What both control classes and their pages share: the class information a
// control gives the OLE layer, the factories' registration values and the
// one property page made from dialog 200.
#pragma once
#include "module_identity.h"
#include "ole_control.h"
#include "ole_factory.h"
#include "ole_module.h"
#include "ole_property_page.h"

// The control's class, type library, misc status and its one page.
OleControlClassInfo ShellControlClassInfo(const ControlModuleIdentity& identity);
// Type name string 1, toolbox bitmap 1, the misc status, type library 1.0,
// threading model "Apartment", not insertable.
COleControlFactory::Registration ShellControlRegistration(const ControlModuleIdentity& identity);

// The page of both controls: dialog 200, caption string 200 ("General").
// It edits no property.
class CShellPropertyPage : public COlePropertyPage {
public:
    CShellPropertyPage() : COlePropertyPage(IDD_PROPERTY_PAGE, IDS_PAGE_CAPTION) {}
};

// The two class factories of a control module, its control's and its page's,
// made when the module loads (a global of the module).
template <class Control, class Page>
class ShellClassFactories {
public:
    explicit ShellClassFactories(const ControlModuleIdentity& identity)
        : control(identity.controlClsid, identity.controlClassName, identity.controlProgId,
                  &CreateComObject<Control>, ShellControlRegistration(identity)),
          page(identity.pageClsid, identity.pageClassName, identity.pageProgId, &CreateComObject<Page>,
               IDS_PAGE_TYPE_NAME) {}

private:
    COleControlFactory control;
    COlePropertyPageFactory page;
};
