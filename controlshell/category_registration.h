// Component categories through the system's standard categories manager
// (ICatRegister of CLSID_StdComponentCategoriesMgr, in-process).
#pragma once
#include <windows.h>
#include <comcat.h>

// One CATEGORYINFO in locale 1033 whose description is cut to at most 127
// wide characters and zero-terminated.
CATEGORYINFO MakeCategoryInfo(REFCATID catid, const wchar_t* description);

// Creates (or writes again) the category with its description.
HRESULT CreateComponentCategory(REFCATID catid, const wchar_t* description);
// Registers the class as implementing the category.
HRESULT RegisterImplementedCategory(REFCLSID clsid, REFCATID catid);
