#include "soporte/memoria.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "plataforma/plataforma.h"
#include "pruebas/tablas.h"

namespace orvex {
namespace {

using plataforma::Ganchos;

constexpr std::size_t kMaximo = std::numeric_limits<std::size_t>::max();

unsigned char Patron(std::size_t i) { return static_cast<unsigned char>(i * 7 + 1); }
// Index of the first byte in [desde, hasta) that is not the pattern (or not 0); hasta if none.
std::size_t Distinto(const void* p, std::size_t desde, std::size_t hasta, bool cero) {
  for (std::size_t i = desde; i < hasta; ++i) {
    if (static_cast<const unsigned char*>(p)[i] != (cero ? 0 : Patron(i))) return i;
  }
  return hasta;
}

// Data kept, added bytes zero, the region's reserve as recorded, and a move only when the
// reserve is outgrown.
TEST(MemoriaTest, ReservaYRedimensionaConservandoDatosYColaACero) {
  for (const auto& pasos : pruebas::Filas(
#include "pruebas/datos/memoria_pasos.inc"
           )) {
    SCOPED_TRACE(pasos.at(0));
    BloqueMem<void> p;
    std::size_t antes = 0;
    for (const std::string& paso : pasos) {
      std::size_t tamano = 0, reserva = 0;
      std::string mueve;
      std::istringstream(paso) >> tamano >> reserva >> mueve;
      SCOPED_TRACE(tamano);
      void* anterior = p.get();
      void* q = anterior == nullptr ? MEM_Reservar(tamano) : MEM_Redimensionar(anterior, tamano);
      ASSERT_NE(q, nullptr);
      p.release();
      p.reset(q);
      EXPECT_EQ(anterior != nullptr && q != anterior, mueve == "mueve");
      EXPECT_EQ(MEM_TamanoReservado(q), reserva);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(q) % alignof(std::max_align_t), 0u);
      const std::size_t comun = std::min(antes, tamano);
      EXPECT_EQ(Distinto(q, 0, comun, false), comun);
      EXPECT_EQ(Distinto(q, comun, tamano, true), tamano);
      for (std::size_t i = 0; i < tamano; ++i) static_cast<unsigned char*>(q)[i] = Patron(i);
      antes = tamano;
    }
  }
}

// Region calls in order: reserve, commit for a new block; commit for an in-place growth;
// reserve new, commit old, commit new for a move.
TEST(MemoriaTest, SinMemoriaDaNuloOLanzaYNoTocaElBloque) {
  enum class Llamada { kReservar, kRedimensionarNulo, kRedimensionar };
  using enum Llamada;
  // The call, its size, and the region call that fails (0: the size alone cannot be met).
  const std::tuple<Llamada, std::size_t, uint64_t> casos[] = {
      {kReservar, kMaximo, 0},         {kReservar, kMaximo / 2 + 1, 0},  {kRedimensionar, kMaximo, 0},
      {kRedimensionar, kMaximo / 2 + 1, 0}, {kReservar, 100, 1},         {kReservar, 100, 2},
      {kRedimensionarNulo, 100, 2},    {kRedimensionar, 50000, 1},       {kRedimensionar, 200000, 1},
      {kRedimensionar, 200000, 2},     {kRedimensionar, 200000, 3},
  };
  for (const auto& [llamada, n, fallo] : casos) {
    for (bool comprobada : {false, true}) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(llamada) << " " << n << " fallo " << fallo << comprobada);
      BloqueMem<void> p(MEM_Reservar(1000));
      ASSERT_NE(p, nullptr);
      for (std::size_t i = 0; i < 1000; ++i) static_cast<unsigned char*>(p.get())[i] = Patron(i);
      Ganchos().Reiniciar();
      Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kRegion)] = fallo;
      void* previo = llamada == kRedimensionar ? p.get() : nullptr;
      const bool malloc = llamada == kReservar;
      if (comprobada) {
        EXPECT_THROW(malloc ? MEM_ReservarOExcepcion(n) : MEM_RedimensionarOExcepcion(previo, n),
                     CL_EXCEPCION_MEMORIA);
      } else {
        EXPECT_EQ(malloc ? MEM_Reservar(n) : MEM_Redimensionar(previo, n), nullptr);
      }
      Ganchos().Reiniciar();
      EXPECT_EQ(MEM_TamanoReservado(p.get()), 102400u);
      EXPECT_EQ(Distinto(p.get(), 0, 1000, false), 1000u);
    }
  }
}

}  // namespace
}  // namespace orvex

// A host catches the exception by its own name, outside any namespace of ours.
TEST(ExcepcionMemoriaTest, SuNombreDeTipoEsElDelHost) {
  const std::string nombre = typeid(::CL_EXCEPCION_MEMORIA).name();
  EXPECT_NE(nombre.find("CL_EXCEPCION_MEMORIA"), std::string::npos);
  EXPECT_EQ(nombre.find("orvex"), std::string::npos);
}
