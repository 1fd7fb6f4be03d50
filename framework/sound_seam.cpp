#include "sound_seam.h"

#include <mmsystem.h>

#include <mutex>

#include "text_conversion.h"

namespace {
std::mutex g_mutex;
SoundHandler g_handler;

SoundHandler CurrentHandler() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_handler;
}
}  // namespace

void PlaySoundFile(const char* fileName) {
    if (const SoundHandler handler = CurrentHandler()) {
        handler(SoundRequest{fileName ? fileName : "", 0});
        return;
    }
    ::PlaySoundW(WideFromUtf8(fileName ? fileName : "").c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

void PlayBeep(UINT type) {
    if (const SoundHandler handler = CurrentHandler()) {
        handler(SoundRequest{std::string(), type});
        return;
    }
    ::MessageBeep(type);
}

SoundHandler SetSoundHandler(SoundHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    SoundHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
