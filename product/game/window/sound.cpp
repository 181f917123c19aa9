// The game's sounds: an ambient loop per level, and effects that interrupt it.
#include "sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "app.h"
#include "common/string_formats.h"
#include "resource.h"

namespace {

// No device, or one that refuses to play: the menu stops promising sound, and
// the next level's start says why, once.
void SoundFailed(App& app) {
  app.sound.possible = false;
  app.sound.on = false;
  ShowSoundState(app);
}

// The one-line note, over the marsh, the first time a game would have sound.
void TellNoSound(App& app) {
  if (app.sound.possible || app.sound.told_none || app.play.screen != Screen::kPlaying) return;
  app.sound.told_none = true;
  LoadText(app.instance, IDS_NO_SOUND, app.play.banner, sizeof app.play.banner);
}

}  // namespace

void ShowSoundState(App& app) {
  HMENU menu = GetMenu(app.window);
  CheckMenuItem(menu, IDM_SOUND, app.sound.on ? MF_CHECKED : MF_UNCHECKED);
  EnableMenuItem(menu, IDM_SOUND, app.sound.possible ? MF_ENABLED : MF_GRAYED);
}

void CheckSoundDevice(App& app) {
  if (waveOutGetNumDevs() == 0) SoundFailed(app);
  ShowSoundState(app);
}

void PlayAmbient(App& app) {
  KillTimer(app.window, kAmbientTimer);
  SoundView sound;
  if (!app.sound.on || app.play.help || app.sound.ambient == 0 || !app.content.file.Sound(app.sound.ambient, &sound))
    PlaySoundA(nullptr, nullptr, 0);
  else if (!PlaySoundA(reinterpret_cast<LPCSTR>(sound.wave.data), nullptr,
                       SND_MEMORY | SND_ASYNC | SND_LOOP | SND_NODEFAULT))
    SoundFailed(app);
  TellNoSound(app);
}

// One sound plays at a time, so an effect interrupts the ambient loop, which
// starts again once the effect is over.
void PlayEffect(App& app, uint32_t id) {
  SoundView sound;
  if (!app.sound.on || !app.content.file.Sound(id, &sound)) return;
  if (!PlaySoundA(reinterpret_cast<LPCSTR>(sound.wave.data), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT)) {
    SoundFailed(app);
    TellNoSound(app);
    return;
  }
  if (app.sound.ambient != 0) SetTimer(app.window, kAmbientTimer, sound.milliseconds + 100, nullptr);
}
