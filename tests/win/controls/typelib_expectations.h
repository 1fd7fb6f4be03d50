// What the type library of each control module must say, checked against a
// compiled library (a .tlb file, a module's resource or the registered one).
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "module_identity.h"

struct ExpectedProperty {
    DISPID dispid;
    const wchar_t* name;
    VARTYPE type;
};

const std::vector<ExpectedProperty>& GatekinProperties();
const std::vector<ExpectedProperty>& RosterlyProperties();

// Adds gtest failures for every difference.
void ExpectShellTypeLib(ITypeLib* lib, const ControlModuleIdentity& identity,
                        const std::vector<ExpectedProperty>& properties);
