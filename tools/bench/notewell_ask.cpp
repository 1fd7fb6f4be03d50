// Prints what the running Notewell's main window counts of itself, for a
// benchmark outside Windows: notewell_ask <what>... (WM_COUNT_LIVE_OBJECTS'
// wParam: 6 pages on the member list, 7 its rows, 8 the list's longest turn
// on the window's thread in microseconds, 0 GDI objects, 1 windows ...).
// One line per question, "what=answer"; -1 when Notewell does not answer.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "bench_support.h"

int main(int argc, char** argv) {
    HWND tray = ::FindWindowW(nullptr, L"PvxTray");
    if (!tray) {
        std::printf("no Notewell window\n");
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        const long what = std::strtol(argv[i], nullptr, 10);
        std::printf("%ld=%ld\n", what, bench::AskTray(tray, static_cast<WPARAM>(what)));
    }
    return 0;
}
