// The PARAM values of a page's OBJECT tag, as the page hands them to a
// control: an IPropertyBag whose names are matched without regard to case.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

class CParamBag : public IPropertyBag {
public:
    CParamBag() = default;
    virtual ~CParamBag() = default;
    CParamBag(const CParamBag&) = delete;
    CParamBag& operator=(const CParamBag&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // A missing name answers E_INVALIDARG; a value is coerced to the type the
    // caller asks for (VT_EMPTY: a text).
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
    // Stores the value as text, replacing one of the same name.
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

    void Set(const std::wstring& name, const std::wstring& value);
    const std::wstring* Find(const std::wstring& name) const;
    bool Empty() const { return m_values.empty(); }
    // Names in the order they were written (a control's save order).
    const std::vector<std::wstring>& WriteOrder() const { return m_writeOrder; }
    const std::vector<std::wstring>& ReadOrder() const { return m_readOrder; }

private:
    struct Entry {
        std::wstring name;
        std::wstring value;
    };
    Entry* FindEntry(const std::wstring& name);
    std::vector<Entry> m_values;
    std::vector<std::wstring> m_writeOrder;
    std::vector<std::wstring> m_readOrder;
    LONG m_refs = 1;
};
