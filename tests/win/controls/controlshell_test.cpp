// The shell shared by both modules: registration steps, order and error
// codes; component category records; both type libraries as compiled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "category_registration.h"
#include "ole_text.h"
#include "shell_registration.h"
#include "typelib_expectations.h"

#ifndef SHELL_TYPELIB_DIR
#error SHELL_TYPELIB_DIR names the folder of the compiled type libraries
#endif

namespace {

// Records each step; the step named in `failAt` fails.
class RecordingRegistrar : public ShellRegistrar {
public:
    explicit RecordingRegistrar(std::string failAt = "") : failAt(std::move(failAt)) {}
    HRESULT RegisterTypeLib() override { return Step("typelib"); }
    HRESULT UnregisterTypeLib() override { return Step("untypelib"); }
    bool UpdateClassFactories(bool registering) override {
        return SUCCEEDED(Step(registering ? "classes" : "unclasses"));
    }
    HRESULT CreateCategory(REFCATID catid, const wchar_t* description) override {
        return Step("category " + Which(catid) + " " + Utf8FromWide(description));
    }
    HRESULT RegisterClassInCategory(REFCLSID clsid, REFCATID catid) override {
        return Step(std::string(IsEqualCLSID(clsid, kGatekinModule.controlClsid) ? "gatekin" : "other") + " in " +
                    Which(catid));
    }
    std::vector<std::string> steps;

private:
    static std::string Which(REFCATID catid) {
        return IsEqualGUID(catid, kCatidSafeForScripting) ? "scripting"
               : IsEqualGUID(catid, kCatidSafeForInitializing) ? "initializing"
                                                               : "?";
    }
    HRESULT Step(const std::string& name) {
        steps.push_back(name);
        return name.compare(0, failAt.size(), failAt) == 0 && !failAt.empty() ? E_FAIL : S_OK;
    }
    std::string failAt;
};

const std::vector<std::string> kAllSteps = {
    "typelib",
    "classes",
    "category scripting Controls that are safely scriptable",
    "category initializing Controls safely initializable from persistent data",
    "gatekin in scripting",
    "gatekin in initializing",
};

}  // namespace

TEST(ShellRegistration, RegistersInOrderAndSucceeds) {
    RecordingRegistrar r;
    EXPECT_EQ(S_OK, RegisterControlModule(kGatekinModule, r));
    EXPECT_EQ(kAllSteps, r.steps);
}

TEST(ShellRegistration, EachFailureStopsAtOnceWithItsCode) {
    const struct {
        const char* failAt;
        HRESULT code;
    } cases[] = {{"typelib", SELFREG_E_TYPELIB},
                 {"classes", SELFREG_E_CLASS},
                 {"category scripting", SELFREG_E_CLASS},
                 {"category initializing", SELFREG_E_CLASS},
                 {"gatekin in scripting", SELFREG_E_CLASS},
                 {"gatekin in initializing", SELFREG_E_CLASS}};
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        RecordingRegistrar r(cases[i].failAt);
        EXPECT_EQ(cases[i].code, RegisterControlModule(kGatekinModule, r)) << cases[i].failAt;
        // Nothing after the failed step, and nothing rolled back.
        EXPECT_EQ(std::vector<std::string>(kAllSteps.begin(), kAllSteps.begin() + i + 1), r.steps) << cases[i].failAt;
    }
}

TEST(ShellRegistration, UnregisteringLeavesTheCategories) {
    RecordingRegistrar ok;
    EXPECT_EQ(S_OK, UnregisterControlModule(kGatekinModule, ok));
    EXPECT_EQ((std::vector<std::string>{"untypelib", "unclasses"}), ok.steps);
    RecordingRegistrar noLib("untypelib");
    EXPECT_EQ(SELFREG_E_TYPELIB, UnregisterControlModule(kGatekinModule, noLib));
    EXPECT_EQ(1u, noLib.steps.size());
    RecordingRegistrar noClasses("unclasses");
    EXPECT_EQ(SELFREG_E_CLASS, UnregisterControlModule(kGatekinModule, noClasses));
}

TEST(ComponentCategories, RecordIsInLocale1033AndTheDescriptionIsCutTo127Characters) {
    const CATEGORYINFO info = MakeCategoryInfo(kCatidSafeForScripting, kSafeForScriptingDescription);
    EXPECT_TRUE(IsEqualGUID(kCatidSafeForScripting, info.catid));
    EXPECT_EQ(0x0409u, info.lcid);
    EXPECT_EQ(std::wstring(L"Controls that are safely scriptable"), info.szDescription);
    const std::wstring longText(200, L'x');
    const CATEGORYINFO cut = MakeCategoryInfo(kCatidSafeForInitializing, longText.c_str());
    EXPECT_EQ(std::wstring(127, L'x'), cut.szDescription);
    EXPECT_EQ(L'\0', MakeCategoryInfo(kCatidSafeForScripting, nullptr).szDescription[0]);
}

TEST(ShellIdentity, BothModulesHaveTheirOwnIdentifiers) {
    const ControlModuleIdentity* ids[] = {&kGatekinModule, &kRosterlyModule};
    std::vector<GUID> all;
    for (const ControlModuleIdentity* id : ids)
        for (const GUID& g : {id->typeLib, id->dispatchIid, id->eventIid, id->controlClsid, id->pageClsid}) {
            for (const GUID& seen : all) EXPECT_FALSE(IsEqualGUID(seen, g));
            all.push_back(g);
        }
    EXPECT_STREQ("GATEKIN.GatekinCtrl.1", kGatekinModule.controlProgId);
    EXPECT_STREQ("GATEKIN.GatekinPropPage.1", kGatekinModule.pageProgId);
    EXPECT_STREQ("ROSTERLY.RosterlyCtrl.1", kRosterlyModule.controlProgId);
    EXPECT_STREQ("ROSTERLY.RosterlyPropPage.1", kRosterlyModule.pageProgId);
    EXPECT_EQ(0x20191u, kShellMiscStatus);
    EXPECT_EQ(0x00010000u, kShellPersistVersion);
}

namespace {
ITypeLib* LoadFile(const char* name) {
    const std::wstring path = WideFromUtf8(std::string(SHELL_TYPELIB_DIR) + "/" + name);
    ITypeLib* lib = nullptr;
    EXPECT_EQ(S_OK, ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib)) << name;
    return lib;
}
}  // namespace

TEST(ShellTypeLibraries, GatekinLibraryNamesEveryPropertyWithItsDispatchId) {
    ITypeLib* lib = LoadFile("Gatekin.tlb");
    ExpectShellTypeLib(lib, kGatekinModule, GatekinProperties());
    if (lib) lib->Release();
}

TEST(ShellTypeLibraries, RosterlyLibraryNamesEveryPropertyWithItsDispatchId) {
    ITypeLib* lib = LoadFile("Rosterly.tlb");
    ExpectShellTypeLib(lib, kRosterlyModule, RosterlyProperties());
    if (lib) lib->Release();
}
