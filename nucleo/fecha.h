// The date of a listed message: a store's FILETIME shown in local time as "dd/mm/yyyy hh:mm",
// or left empty when that time cannot be shown.
#pragma once

#include <cstdint>
#include <cstdio>

#include "api/orvex.h"
#include "plataforma/plataforma.h"

namespace orvex {

// entre: what stands between the date and the time (the older generations write two spaces).
inline void PonerFecha(OE_MENSAJE& m, uint64_t filetime, const char* entre) {
  const auto fecha = plataforma::FileTimeALocal(filetime);
  if (!fecha) {
    m.Fecha[0] = '\0';
    return;
  }
  std::snprintf(m.Fecha, sizeof m.Fecha, "%02d/%02d/%04d%s%02d:%02d", fecha->dia, fecha->mes, fecha->anio, entre,
                fecha->hora, fecha->minuto);
}

}  // namespace orvex
