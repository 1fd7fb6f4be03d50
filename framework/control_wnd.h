// Controls that a dialog template created and that we take over afterwards
// (SubclassDlgItem): their messages go through the control's message table
// first, then to the control's own window procedure. A parent that wants its
// controls to see their notifications (owner drawing, edit notifications)
// passes them on with ReflectToChild.
#pragma once
#include "wnd.h"

class CControlWnd : public CWnd {
public:
    ~CControlWnd() override;

    // Takes over the dialog item `id` of `parent`; false when there is no such
    // item or it belongs to another object already.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    BOOL SubclassWindow(HWND hwnd);
    // Gives the window its own procedure back.
    void UnsubclassWindow();

    // A notification the parent received about this control (WM_COMMAND with
    // a notification code, WM_DRAWITEM). True when it was handled here.
    virtual bool OnChildNotify(UINT msg, WPARAM w, LPARAM l, LRESULT* result);

protected:
    // The control's own procedure for the message now being handled.
    LRESULT Default();

    static const MsgMap* GetThisMessageMap();
    const MsgMap* GetMessageMap() const override { return GetThisMessageMap(); }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    WNDPROC ownProc = nullptr;
    const MSG* current = nullptr;
};

// For a parent's WM_COMMAND (notifications only) and WM_DRAWITEM: offers the
// notification to the control it concerns when that control is one of ours.
bool ReflectToChild(UINT msg, WPARAM w, LPARAM l, LRESULT* result);
