// CCellIcons: the icons the list paints in its status and webcam cells,
// loaded once and kept while the window lives. Loading an icon from the
// resources at every painted cell made a repaint of a screenful of rows cost
// tens of milliseconds.
#pragma once
#include <windows.h>

class CCellIcons {
public:
    CCellIcons() = default;
    ~CCellIcons() { Release(); }
    CCellIcons(const CCellIcons&) = delete;
    CCellIcons& operator=(const CCellIcons&) = delete;

    // The icon of resource `id` at the given size, loaded at the first call;
    // null when it cannot be loaded. Owned here.
    HICON Get(UINT id, int width, int height);
    void Release();

private:
    struct Entry {
        UINT id = 0;
        HICON icon = nullptr;
    };
    Entry m_entries[4];
};
