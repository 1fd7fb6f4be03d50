// A small control on the OLE layer for the layer's own tests: two persisted
// texts, a text and a number property, and a variant built on the system
// "BUTTON" class (a subclassed control with a reflector).
#pragma once
#include <string>
#include <vector>

#include "ole_control.h"

// Not registered anywhere: names come from the dispatch map.
extern const CLSID kTestControlClsid;
extern const GUID kTestControlTypeLib;
extern const IID kTestControlDispatchIid;
extern const IID kTestControlEventIid;
extern const CLSID kTestControlPageClsid;

class CTestControl : public COleControl {
public:
    explicit CTestControl(bool subclassButton = false);
    ~CTestControl() override;

    // Test controls deleted so far, and those of them deleted while a window
    // of theirs was still there (in the middle of its destruction).
    static int deleted;
    static int deletedWithWindow;

    std::string GetText() const { return text; }
    void SetText(const std::string& value) {
        text = value;
        SetModifiedFlag();
    }
    short GetNumber() const { return number; }
    void SetNumber(short value) {
        number = value;
        SetModifiedFlag();
    }

    std::string first;
    std::string second;
    std::string text;
    short number = 0;
    int createCalls = 0;
    int drawCalls = 0;
    std::vector<UINT> reflectedCommands;  // HIWORD(wParam) of each OCM_COMMAND
    bool failCreate = false;

protected:
    void DoPropExchange(CPropExchange* px) override;
    void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    bool IsSubclassedControl() const override { return subclassButton; }
    int OnCreate(LPCREATESTRUCTW cs) override;
    LRESULT OnReflectedCommand(WPARAM wParam, LPARAM lParam);

    DECLARE_DISPATCH_MAP()
    DECLARE_MESSAGE_MAP()

private:
    bool subclassButton;
};
