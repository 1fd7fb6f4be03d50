// Dispatch maps: each control class lists its automation properties with
// their dispatch ids, names, types and accessor member functions, the way a
// page script reaches them through IDispatch.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

class COleControl;

struct DispatchEntry {
    DISPID dispid;
    const wchar_t* name;
    VARTYPE type;  // the property's type; puts are coerced to it
    // Fills `result` (already cleared) with the property's value.
    HRESULT (*get)(COleControl* control, VARIANT* result);
    // `value` already has the property's type.
    HRESULT (*put)(COleControl* control, const VARIANT& value);
};

struct DispatchMap {
    const DispatchEntry* entries;
    size_t count;
    const DispatchEntry* Find(DISPID dispid) const;
    const DispatchEntry* Find(const wchar_t* name) const;  // case-insensitive, as script names are
};

// Value helpers used by the entries.
HRESULT DispatchReturnText(VARIANT* result, const std::string& utf8Text);
std::string DispatchTextOf(const VARIANT& value);

#define DECLARE_DISPATCH_MAP()                              \
protected:                                                  \
    const DispatchMap& GetDispatchMap() const override;     \
    static const DispatchEntry s_dispatchEntries[];

#define BEGIN_DISPATCH_MAP(theClass) \
    const DispatchEntry theClass::s_dispatchEntries[] = {

#define END_DISPATCH_MAP(theClass)                                                            \
    };                                                                                        \
    const DispatchMap& theClass::GetDispatchMap() const {                                     \
        static const DispatchMap map = {s_dispatchEntries,                                    \
                                        sizeof(s_dispatchEntries) / sizeof(s_dispatchEntries[0])}; \
        return map;                                                                           \
    }

// std::string Get(); void Set(const std::string& utf8Text)
#define DISP_PROPERTY_TEXT(theClass, dispid, name, getFn, setFn)                              \
    {dispid, L##name, VT_BSTR,                                                                \
     [](COleControl* c, VARIANT* r) -> HRESULT {                                              \
         return DispatchReturnText(r, static_cast<theClass*>(c)->getFn());                    \
     },                                                                                       \
     [](COleControl* c, const VARIANT& v) -> HRESULT {                                        \
         static_cast<theClass*>(c)->setFn(DispatchTextOf(v));                                 \
         return S_OK;                                                                         \
     }},

// short Get(); void Set(short)
#define DISP_PROPERTY_SHORT(theClass, dispid, name, getFn, setFn)                             \
    {dispid, L##name, VT_I2,                                                                  \
     [](COleControl* c, VARIANT* r) -> HRESULT {                                              \
         V_VT(r) = VT_I2;                                                                     \
         V_I2(r) = static_cast<theClass*>(c)->getFn();                                        \
         return S_OK;                                                                         \
     },                                                                                       \
     [](COleControl* c, const VARIANT& v) -> HRESULT {                                        \
         static_cast<theClass*>(c)->setFn(V_I2(&v));                                          \
         return S_OK;                                                                         \
     }},
