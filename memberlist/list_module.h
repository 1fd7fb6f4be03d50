// What the Rosterly module keeps for all its controls: the count of live
// controls, those with a window on a page they serve (only the first live
// control of a process connects to the server)
// and the list lock, a process-wide recursive lock around the connection
// flags and the row deletions.
#pragma once
#include "sync.h"

// Module start and end (the module object's InitInstance and ExitInstance).
void StartListModule();
void StopListModule();

int LiveControlCount();
void RaiseLiveControlCount();
void LowerLiveControlCount();

// The list lock; made on first use when the module was not started (a
// control linked into a program rather than loaded from the module).
CCriticalSection& ListLock();
