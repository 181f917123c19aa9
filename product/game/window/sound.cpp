// The game's sounds: an ambient loop per level, and effects that interrupt it.
#include <windows.h>
#include <mmsystem.h>

#include "app.h"

void PlayAmbient(App& app) {
  KillTimer(app.window, kAmbientTimer);
  SoundView sound;
  if (!app.sound_on || app.help || app.ambient == 0 || !app.data.Sound(app.ambient, &sound)) {
    PlaySoundA(nullptr, nullptr, 0);
    return;
  }
  PlaySoundA(reinterpret_cast<LPCSTR>(sound.wave.data), nullptr, SND_MEMORY | SND_ASYNC | SND_LOOP | SND_NODEFAULT);
}

// One sound plays at a time, so an effect interrupts the ambient loop, which
// starts again once the effect is over.
void PlayEffect(App& app, uint32_t id) {
  SoundView sound;
  if (!app.sound_on || !app.data.Sound(id, &sound)) return;
  PlaySoundA(reinterpret_cast<LPCSTR>(sound.wave.data), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
  if (app.ambient != 0) SetTimer(app.window, kAmbientTimer, sound.milliseconds + 100, nullptr);
}
