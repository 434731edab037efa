#pragma once
// What a reader keeps between reading a file and expanding its events.

#include <libical/ical.h>
#include <vector>

#include "ical/IcalLector.h"
#include "ical/IcalTiempo.h"

namespace ical {

struct TLectorIcal::Datos {
  Datos() = default;
  Datos(const Datos&) = delete;
  Datos& operator=(const Datos&) = delete;
  ~Datos() {
    for (icalcomponent* e : Eventos) icalcomponent_free(e);
  }
  std::vector<icalcomponent*> Eventos;  // VEVENT components, in file order
  TZonasIcal Zonas;
  TOmitidos Omitidos;  // what reading alone already skipped
};

}  // namespace ical
