#pragma once
// The reminder chime: the desktop's "new message" event sound, played without
// waiting and cut short on request. Where there is no sound service nothing
// is heard and nothing fails. Tests replace the player.

#include <functional>

namespace Sonido {
void Reproducir();  // starts the chime
void Detener();     // stops any sound the program is playing

struct Reproductor {
  std::function<void()> reproducir;
  std::function<void()> detener;
};
// An empty player (both functions empty) restores the desktop's sound.
void SetReproductor(Reproductor r);
}  // namespace Sonido
