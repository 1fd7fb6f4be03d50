// CDialog: modal and modeless dialogs from templates, dispatching through the
// message table. The modal loop is ours, so PreTranslateMessage sees every message.
#pragma once
#include "wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_templateId(templateId), m_pParent(parent) {}

    INT_PTR DoModal();
    // Modeless: the window lives until DestroyWindow.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(int result);

    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    UINT GetTemplateId() const { return m_templateId; }
    bool IsModal() const { return m_modal; }

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

protected:
    static const MsgMap* GetThisMessageMap();
    const MsgMap* GetMessageMap() const override { return GetThisMessageMap(); }

    UINT m_templateId;
    CWnd* m_pParent;

private:
    bool m_modal = false;
    bool m_endRequested = false;
    int m_result = 0;
};

// Runs one pass of the message pump's filtering: the PreTranslateMessage of the
// target window and its parents, then the keyboard handling of its dialog.
// Returns true when the message was consumed.
bool FilterDialogMessage(MSG* msg);
