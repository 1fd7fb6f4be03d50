// The one way Notewell makes a sound: the popups' notification sounds and the
// warning beep. Tests install a handler that records the request.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

struct SoundRequest {
    std::string fileName;  // played by file name (SND_FILENAME | SND_ASYNC); empty for a beep
    UINT beepType = 0;     // MessageBeep type when fileName is empty
};

using SoundHandler = std::function<void(const SoundRequest&)>;

// Plays a sound file asynchronously; a missing file gives the system's default sound.
void PlaySoundFile(const char* fileName);
void PlayBeep(UINT type);
// Installs a handler (empty restores the real sounds); returns the previous one.
SoundHandler SetSoundHandler(SoundHandler handler);
