// COlePropertyPage: a property page made from a child dialog template, as a
// property frame hosts it through IPropertyPage.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "dialog.h"

class COlePropertyPage : public CDialog, public IPropertyPage {
public:
    COlePropertyPage(UINT dialogTemplateId, UINT captionStringId);
    ~COlePropertyPage() override;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT command) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR helpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg) override;

protected:
    // Marks the page changed and tells the frame (enables its Apply button).
    void SetModifiedFlag(bool modified = true);
    // Writes the page's values to the objects; the base has none to write.
    virtual void OnApply() {}
    const std::vector<IUnknown*>& Objects() const { return m_objects; }

private:
    void ReleaseObjects();
    SIZE MeasureDialog();

    LONG m_refs = 1;
    UINT m_captionStringId;
    IPropertyPageSite* m_site = nullptr;
    std::vector<IUnknown*> m_objects;
    bool m_dirty = false;
    CWnd m_frameParent;  // the frame's window that holds the page
};
