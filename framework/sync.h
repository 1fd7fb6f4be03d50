// Synchronisation objects over the Windows kernel ones.
#pragma once
#include <windows.h>

// Recursive: the owning thread may take it again (a handler that holds it may
// send messages whose handlers take it too).
class CCriticalSection {
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_sect); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_sect); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void Lock() { ::EnterCriticalSection(&m_sect); }
    void Unlock() { ::LeaveCriticalSection(&m_sect); }

private:
    CRITICAL_SECTION m_sect;
};

// Holds a critical section for the lifetime of a scope.
class CSingleLock {
public:
    explicit CSingleLock(CCriticalSection& cs) : m_cs(cs) { m_cs.Lock(); }
    ~CSingleLock() { m_cs.Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CCriticalSection& m_cs;
};

class CEvent {
public:
    explicit CEvent(BOOL manualReset = FALSE, BOOL initiallySet = FALSE)
        : m_hObject(::CreateEventA(nullptr, manualReset, initiallySet, nullptr)) {}
    ~CEvent() {
        if (m_hObject) ::CloseHandle(m_hObject);
    }
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
    BOOL SetEvent() { return ::SetEvent(m_hObject); }
    BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
    bool Wait(DWORD ms) { return ::WaitForSingleObject(m_hObject, ms) == WAIT_OBJECT_0; }
    HANDLE m_hObject;
};

// A started thread. The owner deletes it; deleting does not wait for the thread.
class CWinThread {
public:
    CWinThread(HANDLE thread, DWORD id) : m_hThread(thread), m_nThreadID(id) {}
    ~CWinThread() {
        if (m_hThread) ::CloseHandle(m_hThread);
    }
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    bool Join(DWORD ms) { return ::WaitForSingleObject(m_hThread, ms) == WAIT_OBJECT_0; }
    HANDLE m_hThread;
    DWORD m_nThreadID;
};

typedef UINT (*AFX_THREADPROC)(LPVOID);
// Starts fn(param) on a new thread; null when the thread could not be started.
// `stackReserve` 0 takes the program's default stack.
CWinThread* AfxBeginThread(AFX_THREADPROC fn, LPVOID param, unsigned stackReserve = 0);
