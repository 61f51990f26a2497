// The rewrite targets' common drive: a folder whose files came from the input is listed, one
// message is changed part by part and written back through the exports, and the fence checks
// what the write-back did to the files and to the rest of the folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "fuzz/valla.h"

namespace orvex::fuzz {

// Input: byte 0 picks the message (its place among those the folder lists whole, modulo their
// number), bytes 1-4 the actions (2 bits per part), byte 5 flags (bit 0: replace by nothing);
// the store's file or files follow.
struct Pedido {
  uint8_t mensaje;
  uint32_t acciones;
  bool por_nada;
  const uint8_t* archivo;
  std::size_t n_archivo;
};
inline constexpr std::size_t kLongPedido = 6;
// False when the input is shorter than the request.
bool LeerPedido(const uint8_t* datos, std::size_t n, Pedido* pedido);

using Vallar = std::function<std::vector<ArchivoVallado>(const OE_MENSAJE&)>;

// Aborts when the write-back changed a byte outside the fences vallar gives for the picked
// message, or the folder lists another set of other messages afterwards.
void ReescribirVallado(uint32_t id_carpeta, uint32_t pos_carpeta, const Pedido& pedido, const Vallar& vallar);

}  // namespace orvex::fuzz
