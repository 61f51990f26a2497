// Stream buffer: a CL_BUFFER with a read/write position, a name, a writable switch and its
// own lock. It carries a part's raw and decoded content and the rewritten message text.
#pragma once

#include <cstdint>

#include "plataforma/plataforma.h"
#include "soporte/buffer.h"

namespace orvex {

class CL_BUFFER_FLUJO : public CL_BUFFER {
 public:
  // Room for the name, its NUL and the rest of the fixed field.
  static constexpr uint32_t kCapacidadNombre = 204;
  // Characters of a name that are kept.
  static constexpr uint32_t kMaximoNombre = 200;

  // A step of 0 means 10000. Created at position 0, unnamed and not writable.
  explicit CL_BUFFER_FLUJO(uint32_t paso = 10000);
  ~CL_BUFFER_FLUJO() override;

  // Under the lock: sets the length, and pulls the position back to Longitud - 1 when it
  // was at or past the new length. Returns 0.
  int FijarLongitud(uint32_t v) override;
  // Without the lock: position 0, no name, not writable, then CL_BUFFER's emptying rule.
  void Vaciar() override;

  // Under the lock. origen 0: from the start; 1: from the position; 2: from the end
  // (desplazamiento <= 0). 0 when the new position is inside the contents (or, for
  // (0, 2), exactly at the end), else -1 with the position unchanged.
  virtual int Posicionar(int32_t desplazamiento, int16_t origen);
  // Under the lock: copies up to n bytes from the position into destino and advances past
  // them; *leidos gets how many. -1 (nothing copied, *leidos 0) when the position lies past
  // the contents or destino is null.
  virtual int Leer(void* destino, uint32_t n, uint32_t* leidos);
  // Under the lock: writes n bytes at the position (extending the length when they reach
  // past it) and advances past them. -1 and no change unless Escribible() is 1.
  virtual int Escribir(const void* origen, uint32_t n);
  virtual uint32_t ObtenerPosicion() const;
  virtual uint32_t LongitudTotal() const;
  virtual int FijarTamano(uint32_t v);

  const char* Nombre() const { return nombre_; }
  // Keeps at most kMaximoNombre characters; null means "".
  void FijarNombre(const char* nombre);
  uint32_t Escribible() const { return escribible_; }
  void FijarEscribible(uint32_t escribible) { escribible_ = escribible; }
  // Copies position, name and writable switch from otro (not the contents).
  void CopiarEstado(const CL_BUFFER_FLUJO& otro);

  // For writers that fill the block directly: makes room for n more bytes (plus the NUL)
  // behind the contents and returns where they go. Throws CL_EXCEPCION_MEMORIA when the
  // length would not fit in 32 bits. The position is not touched.
  char* PrepararAnadido(uint64_t n);
  // Takes the first usados bytes of the room made by PrepararAnadido into the contents
  // and puts the NUL behind them.
  void ConfirmarAnadido(uint32_t usados);

 private:
  uint32_t posicion_ = 0;
  char nombre_[kCapacidadNombre] = {};
  uint32_t escribible_ = 0;
  plataforma::Cerrojo cerrojo_;
};

}  // namespace orvex
