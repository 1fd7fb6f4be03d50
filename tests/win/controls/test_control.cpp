#include "test_control.h"

const CLSID kTestControlClsid = {0x1b7a33a1, 0x51c2, 0x4f0e, {0x9d, 0x11, 0x3a, 0x6e, 0x21, 0x7f, 0x00, 0x01}};
const GUID kTestControlTypeLib = {0x1b7a33a1, 0x51c2, 0x4f0e, {0x9d, 0x11, 0x3a, 0x6e, 0x21, 0x7f, 0x00, 0x02}};
const IID kTestControlDispatchIid = {0x1b7a33a1, 0x51c2, 0x4f0e, {0x9d, 0x11, 0x3a, 0x6e, 0x21, 0x7f, 0x00, 0x03}};
const IID kTestControlEventIid = {0x1b7a33a1, 0x51c2, 0x4f0e, {0x9d, 0x11, 0x3a, 0x6e, 0x21, 0x7f, 0x00, 0x04}};
const CLSID kTestControlPageClsid = {0x1b7a33a1, 0x51c2, 0x4f0e, {0x9d, 0x11, 0x3a, 0x6e, 0x21, 0x7f, 0x00, 0x05}};

namespace {
const OleControlClassInfo kInfo = {&kTestControlClsid, &kTestControlTypeLib, 1, 0,
                                   OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST,
                                   &kTestControlPageClsid, 1, nullptr};
}

BEGIN_DISPATCH_MAP(CTestControl)
    DISP_PROPERTY_TEXT(CTestControl, 1, "Text", GetText, SetText)
    DISP_PROPERTY_SHORT(CTestControl, 2, "Number", GetNumber, SetNumber)
END_DISPATCH_MAP(CTestControl)

BEGIN_MESSAGE_MAP(CTestControl, COleControl)
    ON_MESSAGE(OCM_COMMAND, &CTestControl::OnReflectedCommand)
END_MESSAGE_MAP()

CTestControl::CTestControl(bool subclass) : COleControl(kInfo), subclassButton(subclass) {
    InitializeIIDs(&kTestControlDispatchIid, &kTestControlEventIid);
}

int CTestControl::deleted = 0;
int CTestControl::deletedWithWindow = 0;

CTestControl::~CTestControl() {
    ++deleted;
    if (m_hWnd || GetOuterWindow()) ++deletedWithWindow;
}

void CTestControl::DoPropExchange(CPropExchange* px) {
    ExchangeVersion(px, MAKELONG(0, 1));
    COleControl::DoPropExchange(px);
    PX_String(px, "FIRST", first, "");
    PX_String(px, "SECOND", second, "two");
}

void CTestControl::OnDraw(HDC, const RECT&, const RECT&) { ++drawCalls; }

BOOL CTestControl::PreCreateWindow(CREATESTRUCTW& cs) {
    if (subclassButton) {
        cs.lpszClass = L"BUTTON";
        cs.style |= BS_PUSHBUTTON;
        cs.lpszName = L"press";
    }
    return TRUE;
}

int CTestControl::OnCreate(LPCREATESTRUCTW cs) {
    ++createCalls;
    if (failCreate) return -1;
    return COleControl::OnCreate(cs);
}

LRESULT CTestControl::OnReflectedCommand(WPARAM wParam, LPARAM) {
    reflectedCommands.push_back(HIWORD(wParam));
    return 0;
}
