#include "soporte/memoria.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <typeinfo>

#include "plataforma/plataforma.h"

namespace orvex {
namespace {

using plataforma::Ganchos;

constexpr std::size_t kMaximo = std::numeric_limits<std::size_t>::max();

unsigned char Patron(std::size_t i) { return static_cast<unsigned char>(i * 7 + 1); }

// Region calls in order: reserve, commit for a new block; commit for an in-place growth;
// reserve new, commit old, commit new for a move.
TEST(MemoriaTest, SinMemoriaDaNuloOLanzaYNoTocaElBloque) {
  enum class Llamada { kReservar, kRedimensionarNulo, kRedimensionar };
  using enum Llamada;
  // The call, its size, and the region call that fails (0: the size alone cannot be met).
  const std::tuple<Llamada, std::size_t, uint64_t> casos[] = {
      {kReservar, kMaximo, 0},         {kRedimensionar, kMaximo / 2 + 1, 0}, {kReservar, 100, 1},
      {kReservar, 100, 2},             {kRedimensionarNulo, 100, 2},         {kRedimensionar, 50000, 1},
      {kRedimensionar, 200000, 1},     {kRedimensionar, 200000, 2},          {kRedimensionar, 200000, 3},
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
      for (std::size_t i = 0; i < 1000; ++i) ASSERT_EQ(static_cast<unsigned char*>(p.get())[i], Patron(i)) << i;
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
