#include "deferred_release.h"

#include <windows.h>

#include <mutex>
#include <unordered_map>

namespace {
std::mutex g_mutex;
std::unordered_map<UINT_PTR, IUnknown*> g_pending;  // by thread timer id

void CALLBACK ReleaseNow(HWND, UINT, UINT_PTR timerId, DWORD) {
    ::KillTimer(nullptr, timerId);
    IUnknown* object = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto found = g_pending.find(timerId);
        if (found == g_pending.end()) return;
        object = found->second;
        g_pending.erase(found);
    }
    object->Release();
}
}  // namespace

void ReleaseWhenIdle(IUnknown* object) {
    if (!object) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    const UINT_PTR id = ::SetTimer(nullptr, 0, 0, &ReleaseNow);
    if (!id) {
        // No timer to be had: the caller's object stays referenced by its container, if by anyone.
        object->Release();
        return;
    }
    g_pending[id] = object;
}
