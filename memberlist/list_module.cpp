#include "list_module.h"

namespace {
// Controls live on user-interface threads; more than one of them may run in a
// browser process, so the count is changed with interlocked operations.
volatile LONG g_liveControls = 0;
CCriticalSection* g_listLock = nullptr;
INIT_ONCE g_lockOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK MakeLock(PINIT_ONCE, PVOID, PVOID*) {
    if (!g_listLock) g_listLock = new CCriticalSection();
    return TRUE;
}
}  // namespace

void StartListModule() {
    ::InterlockedExchange(&g_liveControls, 0);
    ::InitOnceExecuteOnce(&g_lockOnce, &MakeLock, nullptr, nullptr);
}

void StopListModule() {
    delete g_listLock;
    g_listLock = nullptr;
}

int LiveControlCount() { return static_cast<int>(::InterlockedCompareExchange(&g_liveControls, 0, 0)); }
void RaiseLiveControlCount() { ::InterlockedIncrement(&g_liveControls); }
void LowerLiveControlCount() { ::InterlockedDecrement(&g_liveControls); }

CCriticalSection& ListLock() {
    ::InitOnceExecuteOnce(&g_lockOnce, &MakeLock, nullptr, nullptr);
    return *g_listLock;
}
