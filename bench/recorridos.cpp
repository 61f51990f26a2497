#include "bench/recorridos.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "soporte/buffer_flujo.h"

namespace orvex::bench {

uint32_t TomarPartes(OE_MENSAJE* mensaje, ResumenPartes* resumen) {
  OE_OBJMSG* objeto = nullptr;
  uint32_t r = OE_ObtenerObjMsg(mensaje, &objeto, OE_PRIMERO);
  if (r != OE_OK) return r;
  // A message cannot hand out more parts than it has lines; the bound only guards the walk.
  for (uint64_t vueltas = 0; vueltas <= mensaje->LongTexto + 1; ++vueltas) {
    r = OE_ObtenerObjMsg(mensaje, &objeto, OE_SIGUIENTE);
    if (r != OE_OK) break;
    ++resumen->partes;
    resumen->bytes_crudos += objeto->LongParte;
    if (objeto->Contenido != nullptr) {
      resumen->bytes_decodificados += static_cast<const CL_BUFFER_FLUJO*>(objeto->Contenido)->Longitud();
    }
  }
  if (objeto != nullptr) OE_ObtenerObjMsg(mensaje, &objeto, OE_CERRAR);
  return r == OE_FIN ? OE_OK : r;
}

ResumenAlmacen RecorrerAlmacen(bool partes) {
  ResumenAlmacen resumen;
  OE_CARPETA* carpeta = nullptr;
  if (OE_ObtenerCarpetas(&carpeta, OE_PRIMERO) != OE_OK) {
    if (carpeta != nullptr) OE_ObtenerCarpetas(&carpeta, OE_CERRAR);
    return resumen;
  }
  // The first record is the root; mode 2 hands out the folders.
  for (uint32_t vueltas = 0; vueltas < 100000 && OE_ObtenerCarpetas(&carpeta, OE_SIGUIENTE) == OE_OK; ++vueltas) {
    ++resumen.carpetas;
    OE_MENSAJE* mensaje = nullptr;
    if (OE_ObtenerMensajes(carpeta, &mensaje, OE_PRIMERO) != OE_OK) {
      if (mensaje != nullptr) OE_ObtenerMensajes(carpeta, &mensaje, OE_CERRAR);
      continue;
    }
    for (uint64_t n = 0; n < 10000000; ++n) {
      const uint32_t r = OE_ObtenerMensajes(carpeta, &mensaje, OE_SIGUIENTE);
      if (r == OE_FIN || r == OE_ERROR_PARAM || r == OE_ERROR_MEMORIA) break;
      if (r != OE_OK) {
        ++resumen.errores;
        continue;
      }
      ++resumen.mensajes;
      resumen.bytes_texto += mensaje->LongTexto;
      if (partes) TomarPartes(mensaje, &resumen.partes);
    }
    OE_ObtenerMensajes(carpeta, &mensaje, OE_CERRAR);
  }
  OE_ObtenerCarpetas(&carpeta, OE_CERRAR);
  return resumen;
}

namespace {

uint64_t CampoEstado(const char* campo) {
  std::ifstream estado("/proc/self/status");
  std::string linea;
  const std::size_t n = std::strlen(campo);
  while (std::getline(estado, linea)) {
    if (linea.compare(0, n, campo) == 0) return std::stoull(linea.substr(n)) * 1024;
  }
  return 0;
}

}  // namespace

uint64_t PicoMemoria() { return CampoEstado("VmHWM:"); }
uint64_t MemoriaActual() { return CampoEstado("VmRSS:"); }

bool ReiniciarPicoMemoria() {
  std::ofstream limpiar("/proc/self/clear_refs");
  limpiar << "5";
  limpiar.flush();
  return static_cast<bool>(limpiar);
}

}  // namespace orvex::bench
