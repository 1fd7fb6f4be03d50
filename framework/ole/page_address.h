// The address of the page a control sits on, as its container tells it: the
// container's moniker, else the HTML document that holds the control, else
// the browser that shows it. A container that offers none of these is not a
// web page at all (a program of its own that hosts the control).
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

struct PageAddress {
    bool isPage = false;   // a moniker, a document or a browser answered
    std::wstring address;  // empty when the page would not say where it is
};

// The longest address taken; a longer one is treated as no address.
constexpr size_t kMaxPageAddress = 8192;

// `site` is the control's client site or the site its container gave it
// through IObjectWithSite (or null: no page).
PageAddress ReadPageAddress(IUnknown* site);
