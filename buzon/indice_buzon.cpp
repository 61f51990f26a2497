#include "buzon/indice_buzon.h"

#include "buzon/formato_buzon.h"
#include "soporte/bytes.h"

namespace orvex::buzon {

using namespace orvex::buzonfmt;

bool IndiceCubiertoPorBuzon(const ArchivoAcotado& idx, uint32_t fin_registros, const ArchivoAcotado& mbx,
                            const FormaRegistro& forma) {
  // Each step moves on by at least largo_minimo (never 0), so the walk ends.
  if (forma.largo_minimo < kRegPosBloque + 4) return false;
  uint64_t pos = kLongCabIdx;
  while (pos < fin_registros) {
    uint8_t cab[kRegPosBloque + 4];
    if (!idx.Leer(pos, cab, sizeof cab) || Le32(cab + kRegPosPropia) != pos) return false;
    uint64_t minimo = forma.largo_minimo;
    if (forma.largo_entrada != 0) {
      uint32_t entradas = 0;
      if (!idx.Leer32(pos + forma.pos_num_entradas, &entradas)) return false;
      minimo += uint64_t{entradas} * forma.largo_entrada;
    }
    const uint32_t largo = Le32(cab + kRegLongRegistro);
    if (largo < minimo || pos + largo > fin_registros || !idx.Contiene(pos, largo)) return false;
    if ((Le32(cab + kRegMarcas) & forma.marca_muerto) == 0) {
      const uint32_t bloque = Le32(cab + kRegPosBloque);
      uint32_t texto = 0;
      if (bloque < kLongCabMbx || !mbx.Leer32(uint64_t{bloque} + kMbxBloqueLongTexto, &texto) ||
          !mbx.Contiene(uint64_t{bloque} + kLongCabBloqueMbx, texto)) {
        return false;
      }
    }
    pos += largo;
  }
  return pos == fin_registros;
}

}  // namespace orvex::buzon
