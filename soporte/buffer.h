// Growable byte buffer that always keeps a NUL behind its contents. Base of the stream
// buffers: the field layout and the order of the virtual operations are shared with them.
#pragma once

#include <cstdint>

namespace orvex {

class CL_BUFFER {
 public:
  // A step of 0 means the default of 10000 bytes.
  explicit CL_BUFFER(uint32_t paso = 10000);
  virtual ~CL_BUFFER();
  CL_BUFFER(const CL_BUFFER&) = delete;
  CL_BUFFER& operator=(const CL_BUFFER&) = delete;

  // Step 10000 and a fresh 10000-byte block; does not free the old block (callers do).
  virtual void Reiniciar();
  virtual uint32_t Longitud() const;
  // Sets the length and makes room for it and its NUL; returns 0.
  virtual int FijarLongitud(uint32_t v);
  virtual uint32_t Capacidad() const;
  // Grows the block to the next whole step above v when v exceeds the capacity.
  virtual void Reservar(uint32_t v);
  // Length 0; keeps the block unless it grew to 5 steps or more, then starts afresh.
  virtual void Vaciar();

  // Makes Capacidad > Longitud, in whole steps.
  void AsegurarCapacidad();
  char* Datos() const { return datos_; }
  uint32_t Paso() const { return paso_; }
  // Appends n bytes (nothing when bytes is null) and keeps the NUL behind them.
  void Anadir(const void* bytes, uint32_t n);
  void AnadirBuffer(const CL_BUFFER& otro);
  // Appends one byte; c = 0 adds a counted NUL.
  void AnadirCaracter(char c);
  // Overwrites or extends at posicion; the length only ever grows.
  void EscribirEn(uint32_t posicion, const void* bytes, uint32_t n);

 protected:
  // Capacity for a given length, throwing when it cannot be represented.
  void AsegurarCapacidadPara(uint32_t longitud);

  char* datos_ = nullptr;
  uint32_t longitud_ = 0;
  uint32_t capacidad_ = 0;
  uint32_t paso_ = 10000;
};

}  // namespace orvex
