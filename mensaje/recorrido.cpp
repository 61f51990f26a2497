#include "mensaje/recorrido.h"

#include <cstring>

#include "mime/analizador.h"
#include "mime/cabeceras.h"
#include "soporte/texto.h"

namespace orvex::mensaje {

LectorLineas::LectorLineas(const char* texto, uint32_t longitud)
    : texto_(texto), longitud_(texto == nullptr ? 0 : longitud) {}

uint32_t LectorLineas::Leer(uint32_t pos) {
  const uint32_t n = LongitudLinea(pos, longitud_, texto_);
  linea_.FijarLongitud(n);  // room for the line and its NUL
  char* linea = linea_.Datos();
  if (n > 0) std::memcpy(linea, texto_ + pos, n);
  linea[n] = 0;
  return n;
}

bool ParteSeleccionada(const CL_ANALIZADOR_MIME& a) {
  if (a.CabeceraVista != 1 || a.EnCuerpo() != 1 || a.BytesCuerpo() < 1) return false;
  if (!(a.FiltroNivel == 0 || (a.FiltroNivel == 1 && a.NumPartes < 3))) return false;
  switch (a.Tipo()) {
    case TIPO_APPLICATION:
      return a.Subtipo() == SUBTIPO_OCTET_STREAM && a.ExtraerOctetStream == 1;
    case TIPO_TEXT:
      if (a.Subtipo() == SUBTIPO_PLAIN) return a.ExtraerTextPlain == 1;
      if (a.Subtipo() == SUBTIPO_HTML) return a.ExtraerTextHtml == 1;
      return false;
    case TIPO_IMAGE: return a.ExtraerImage == 1;
    case TIPO_AUDIO: return a.ExtraerAudio == 1;
    case TIPO_VIDEO: return a.ExtraerVideo == 1;
    case TIPO_X:
    case TIPO_POR_DEFECTO: return a.ExtraerOtros == 1;
    default: return false;
  }
}

bool CuerpoAlcanzado(const CL_ANALIZADOR_MIME& a) { return a.EnCuerpo() != 0 && a.BytesCuerpo() > 0; }

}  // namespace orvex::mensaje
