#include "dialogs/Sonido.h"

#include <canberra.h>

namespace {
constexpr uint32_t kIdCampana = 1;

ca_context* Contexto() {
  static ca_context* ctx = [] {
    ca_context* c = nullptr;
    if (ca_context_create(&c) != CA_SUCCESS) return static_cast<ca_context*>(nullptr);
    return c;
  }();
  return ctx;
}

Sonido::Reproductor& Actual() {
  static Sonido::Reproductor r;
  return r;
}
}  // namespace

namespace Sonido {
void Reproducir() {
  if (Actual().reproducir) return Actual().reproducir();
  if (ca_context* c = Contexto()) {
    ca_context_play(c, kIdCampana, CA_PROP_EVENT_ID, "message-new-instant", CA_PROP_EVENT_DESCRIPTION,
                    "Avisos de la agenda", nullptr);
  }
}

void Detener() {
  if (Actual().detener) return Actual().detener();
  if (ca_context* c = Contexto()) ca_context_cancel(c, kIdCampana);
}

void SetReproductor(Reproductor r) { Actual() = std::move(r); }
}  // namespace Sonido
