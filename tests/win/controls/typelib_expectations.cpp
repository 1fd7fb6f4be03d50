#include "typelib_expectations.h"

#include <gtest/gtest.h>

#include "ole_text.h"

namespace {

std::wstring Wide(const char* text) { return WideFromUtf8(text); }

struct Documentation {
    std::wstring name, doc, helpFile;
};

Documentation DocOf(ITypeLib* lib, INT index) {
    BSTR name = nullptr, doc = nullptr, help = nullptr;
    DWORD context = 0;
    Documentation d;
    if (SUCCEEDED(lib->GetDocumentation(index, &name, &doc, &context, &help))) {
        d = {name ? name : L"", doc ? doc : L"", help ? help : L""};
        ::SysFreeString(name);
        ::SysFreeString(doc);
        ::SysFreeString(help);
    }
    return d;
}

Documentation DocOf(ITypeInfo* info, MEMBERID id) {
    BSTR name = nullptr, doc = nullptr, help = nullptr;
    DWORD context = 0;
    Documentation d;
    if (SUCCEEDED(info->GetDocumentation(id, &name, &doc, &context, &help))) {
        d = {name ? name : L"", doc ? doc : L"", help ? help : L""};
        ::SysFreeString(name);
        ::SysFreeString(doc);
        ::SysFreeString(help);
    }
    return d;
}

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

ITypeInfo* InfoOf(ITypeLib* lib, REFGUID guid) {
    ITypeInfo* info = nullptr;
    EXPECT_EQ(S_OK, lib->GetTypeInfoOfGuid(guid, &info));
    return info;
}

}  // namespace

const std::vector<ExpectedProperty>& GatekinProperties() {
    static const std::vector<ExpectedProperty> p = {
        {1, L"TextID", VT_BSTR},    {2, L"TextPWD", VT_BSTR},      {3, L"LogStateProc", VT_I2},
        {4, L"SendLabel", VT_BSTR}, {5, L"SendChat", VT_BSTR},     {6, L"TextSEX", VT_BSTR},
        {7, L"SendAllLabel", VT_BSTR}, {8, L"SendAllChat", VT_BSTR}};
    return p;
}

const std::vector<ExpectedProperty>& RosterlyProperties() {
    static const std::vector<ExpectedProperty> p = {
        {1, L"TextLabel", VT_BSTR}, {2, L"TextID", VT_BSTR}, {3, L"TextPwd", VT_BSTR}, {4, L"TextBuddy", VT_BSTR}};
    return p;
}

void ExpectShellTypeLib(ITypeLib* lib, const ControlModuleIdentity& id, const std::vector<ExpectedProperty>& props) {
    ASSERT_TRUE(lib);
    const std::wstring module = Wide(id.moduleName);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(id.typeLib, attr->guid));
    EXPECT_EQ(0x0409u, attr->lcid);
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_TRUE(attr->wLibFlags & LIBFLAG_FCONTROL);
    lib->ReleaseTLibAttr(attr);

    const Documentation libDoc = DocOf(lib, -1);
    EXPECT_EQ(Wide(id.typeLibName), libDoc.name);
    EXPECT_EQ(module + L" ActiveX Control module", libDoc.doc);
    EXPECT_TRUE(EndsWith(libDoc.helpFile, module + L".hlp")) << Utf8FromWide(libDoc.helpFile);

    // The dispatch interface: hidden, dispatchable, properties only.
    ITypeInfo* dispatch = InfoOf(lib, id.dispatchIid);
    ASSERT_TRUE(dispatch);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetTypeAttr(&ta));
    EXPECT_EQ(TKIND_DISPATCH, ta->typekind);
    EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FHIDDEN);
    EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(0, ta->cFuncs);
    ASSERT_EQ(props.size(), static_cast<size_t>(ta->cVars));
    dispatch->ReleaseTypeAttr(ta);
    const Documentation dispDoc = DocOf(dispatch, MEMBERID_NIL);
    EXPECT_EQ(Wide(id.dispatchName), dispDoc.name);
    EXPECT_EQ(L"Dispatch interface for " + module + L" Control", dispDoc.doc);
    for (UINT i = 0; i < props.size(); ++i) {
        VARDESC* var = nullptr;
        ASSERT_EQ(S_OK, dispatch->GetVarDesc(i, &var));
        EXPECT_EQ(props[i].dispid, var->memid) << i;
        EXPECT_EQ(VAR_DISPATCH, var->varkind) << i;
        EXPECT_EQ(props[i].type, var->elemdescVar.tdesc.vt) << i;
        EXPECT_FALSE(var->wVarFlags & VARFLAG_FREADONLY) << i;  // a get/set pair
        EXPECT_EQ(std::wstring(props[i].name), DocOf(dispatch, var->memid).name);
        dispatch->ReleaseVarDesc(var);
        // A script finds the property by its name, in any case.
        std::wstring lower = props[i].name;
        for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
        LPOLESTR names[1] = {&lower[0]};
        MEMBERID found = 0;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(names, 1, &found)) << i;
        EXPECT_EQ(props[i].dispid, found) << i;
    }
    dispatch->Release();

    // The event interface: dispatchable, without members.
    ITypeInfo* events = InfoOf(lib, id.eventIid);
    ASSERT_TRUE(events);
    ASSERT_EQ(S_OK, events->GetTypeAttr(&ta));
    EXPECT_EQ(TKIND_DISPATCH, ta->typekind);
    EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(0, ta->cFuncs);
    EXPECT_EQ(0, ta->cVars);
    events->ReleaseTypeAttr(ta);
    const Documentation eventDoc = DocOf(events, MEMBERID_NIL);
    EXPECT_EQ(Wide(id.eventName), eventDoc.name);
    EXPECT_EQ(L"Event interface for " + module + L" Control", eventDoc.doc);
    events->Release();

    // The control class: creatable, a control, default interface and default source.
    ITypeInfo* coclass = InfoOf(lib, id.controlClsid);
    ASSERT_TRUE(coclass);
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&ta));
    EXPECT_EQ(TKIND_COCLASS, ta->typekind);
    EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FCONTROL);
    ASSERT_EQ(2, ta->cImplTypes);
    coclass->ReleaseTypeAttr(ta);
    const Documentation classDoc = DocOf(coclass, MEMBERID_NIL);
    EXPECT_EQ(Wide(id.coclassName), classDoc.name);
    EXPECT_EQ(module + L" Control", classDoc.doc);
    bool sawDefault = false, sawSource = false;
    for (UINT i = 0; i < 2; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        ITypeInfo* impl = nullptr;
        ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(i, &flags));
        ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(i, &ref));
        ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(ref, &impl));
        TYPEATTR* implAttr = nullptr;
        impl->GetTypeAttr(&implAttr);
        if (flags == IMPLTYPEFLAG_FDEFAULT) {
            EXPECT_TRUE(IsEqualGUID(id.dispatchIid, implAttr->guid));
            sawDefault = true;
        } else if (flags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) {
            EXPECT_TRUE(IsEqualGUID(id.eventIid, implAttr->guid));
            sawSource = true;
        }
        impl->ReleaseTypeAttr(implAttr);
        impl->Release();
    }
    EXPECT_TRUE(sawDefault);
    EXPECT_TRUE(sawSource);
    coclass->Release();
}
