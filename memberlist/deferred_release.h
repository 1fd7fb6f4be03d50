// Keeps a COM object alive across code that runs modal loops (message boxes,
// menus, blocking socket calls), in which its container may let it go: the
// hold takes a reference at once and gives it back only from the thread's
// message loop, after the code that needed the object has returned.
#pragma once
#include <unknwn.h>

// Releases the object from a zero-delay thread timer.
void ReleaseWhenIdle(IUnknown* object);

class CObjectHold {
public:
    explicit CObjectHold(IUnknown* object) : m_object(object) { m_object->AddRef(); }
    ~CObjectHold() { ReleaseWhenIdle(m_object); }
    CObjectHold(const CObjectHold&) = delete;
    CObjectHold& operator=(const CObjectHold&) = delete;

private:
    IUnknown* m_object;
};
