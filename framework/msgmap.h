// Message tables: each window class lists the messages and command ids it
// handles; dispatch walks the table of the class and then those of its bases.
#pragma once
#include <windows.h>

class CWnd;

struct MsgMapEntry {
    UINT message;    // window message, WM_COMMAND for command entries
    UINT commandId;  // command id for WM_COMMAND entries, 0 otherwise
    LRESULT (*thunk)(CWnd* self, WPARAM wParam, LPARAM lParam);
};

struct MsgMap {
    const MsgMap* (*base)();
    const MsgMapEntry* entries;  // ends with an entry whose thunk is null
};

#define DECLARE_MESSAGE_MAP()                    \
protected:                                       \
    static const MsgMap* GetThisMessageMap();    \
    const MsgMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const MsgMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MsgMap* theClass::GetThisMessageMap() {                              \
        using ThisClass = theClass;                                            \
        using TheBaseClass = baseClass;                                        \
        static const MsgMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                       \
            {0, 0, nullptr}};                                                  \
        static const MsgMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
        return &map;                                                           \
    }

#define FW_SELF static_cast<ThisClass*>(self)

// LRESULT Handler(WPARAM, LPARAM)
#define ON_MESSAGE(msg, fn) \
    {msg, 0, [](CWnd* self, WPARAM w, LPARAM l) -> LRESULT { return (FW_SELF->*fn)(w, l); }},
// void Handler() for a menu or button command
#define ON_COMMAND(id, fn) \
    {WM_COMMAND, id, [](CWnd* self, WPARAM, LPARAM) -> LRESULT { (FW_SELF->*fn)(); return 0; }},
// void OnTimer(UINT_PTR)
#define ON_WM_TIMER() \
    {WM_TIMER, 0, [](CWnd* self, WPARAM w, LPARAM) -> LRESULT { FW_SELF->OnTimer(w); return 0; }},
// void OnDestroy()
#define ON_WM_DESTROY() \
    {WM_DESTROY, 0, [](CWnd* self, WPARAM, LPARAM) -> LRESULT { FW_SELF->OnDestroy(); return 0; }},
// void OnPaint()
#define ON_WM_PAINT() \
    {WM_PAINT, 0, [](CWnd* self, WPARAM, LPARAM) -> LRESULT { FW_SELF->OnPaint(); return 0; }},
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                                \
    {WM_QUERYDRAGICON, 0, [](CWnd* self, WPARAM, LPARAM) -> LRESULT { \
        return reinterpret_cast<LRESULT>(FW_SELF->OnQueryDragIcon()); }},
// BOOL OnCopyData(HWND sender, COPYDATASTRUCT*)
#define ON_WM_COPYDATA()                                                           \
    {WM_COPYDATA, 0, [](CWnd* self, WPARAM w, LPARAM l) -> LRESULT {               \
        return FW_SELF->OnCopyData(reinterpret_cast<HWND>(w),                      \
                                   reinterpret_cast<COPYDATASTRUCT*>(l)); }},
