// Sound: the level's ambient loop, an effect over it, and the Sound item of
// the menu.
#ifndef MURKLE_WINDOW_SOUND_H
#define MURKLE_WINDOW_SOUND_H

#include <cstdint>

struct App;

struct SoundState {
  bool on = true;
  // False once no sound can be played; the player is told the first time.
  bool possible = true;
  bool told_none = false;
  uint32_t ambient = 0;
};

void PlayAmbient(App& app);
void PlayEffect(App& app, uint32_t id);
void CheckSoundDevice(App& app);
// The Sound item, ticked and enabled as sound is on and can be played.
void ShowSoundState(App& app);

#endif
