#include "sync.h"

#include <process.h>

namespace {
struct ThreadStart {
    AFX_THREADPROC fn;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* p) {
    ThreadStart start = *static_cast<ThreadStart*>(p);
    delete static_cast<ThreadStart*>(p);
    return start.fn(start.param);
}
}  // namespace

CWinThread* AfxBeginThread(AFX_THREADPROC fn, LPVOID param, unsigned stackReserve) {
    auto* start = new ThreadStart{fn, param};
    unsigned id = 0;
    // _beginthreadex, not CreateThread, so the C runtime is set up for the thread.
    auto handle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, stackReserve, &ThreadEntry, start,
                                                          stackReserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, &id));
    if (!handle) {
        delete start;
        return nullptr;
    }
    return new CWinThread(handle, id);
}
