// Page-granular block allocator: every record and growable buffer of the library comes from
// here. Each block is its own address-space region (at least 100 KB) so that it can usually
// grow in place, and every byte of a block reads 0 until it is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The one failure that leaves the library as an exception. Thrown by value. It lives outside
// our namespace so that a host catches it under its own name.
class CL_EXCEPCION_MEMORIA {};

namespace orvex {

using ::CL_EXCEPCION_MEMORIA;

// A zero-filled block of n bytes, or null.
void* MEM_Reservar(std::size_t n);
// Grows (in place when the region allows it) or moves the block to m bytes; null p acts as
// MEM_Reservar(m). On null, p is still valid and unchanged. Added bytes read 0.
void* MEM_Redimensionar(void* p, std::size_t m);
// Releases the whole region of a block (p must not be null): kept for reuse when it is of the
// smallest size, else given back to the platform, with the platform's result.
bool MEM_Liberar(void* p);
void MEM_LiberarSiNoNulo(void* p);

// Never null: on failure they print ">>> Memoria insuficiente para MALLOC\n" (or REALLOC)
// to standard output and throw CL_EXCEPCION_MEMORIA.
void* MEM_ReservarOExcepcion(std::size_t n);
void* MEM_RedimensionarOExcepcion(void* p, std::size_t m);

// Reserved size R recorded in the block's header (the block can hold up to R - 4 bytes
// without moving).
std::size_t MEM_TamanoReservado(const void* p);

// Whether released regions of the smallest size are kept for the next reservation (every build
// but the sanitizer ones). Where they are not, a released block faults when touched.
bool MEM_ReutilizaRegiones();

// Owns a block from this allocator.
struct LiberadorMem {
  void operator()(void* p) const noexcept;
};
template <class T>
using BloqueMem = std::unique_ptr<T, LiberadorMem>;

}  // namespace orvex
