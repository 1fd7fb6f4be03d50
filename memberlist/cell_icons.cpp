#include "cell_icons.h"

#include "app.h"

HICON CCellIcons::Get(UINT id, int width, int height) {
    for (Entry& e : m_entries)
        if (e.id == id) return e.icon;
    for (Entry& e : m_entries) {
        if (e.id != 0) continue;
        e.icon = static_cast<HICON>(
            ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, width, height, 0));
        // A failed load is remembered too: the cell stays empty, and the
        // resource is not looked up again at every paint.
        e.id = id;
        return e.icon;
    }
    return nullptr;  // more kinds than places: never with the four codes
}

void CCellIcons::Release() {
    for (Entry& e : m_entries) {
        if (e.icon) ::DestroyIcon(e.icon);
        e = Entry();
    }
}
