#include "soporte/memoria.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <typeinfo>
#include <vector>

#include "plataforma/plataforma.h"

namespace orvex {
namespace {

using plataforma::Ganchos;

constexpr std::size_t kMaximo = std::numeric_limits<std::size_t>::max();

void FallarRegionEn(uint64_t n) {
  Ganchos().Reiniciar();
  Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kRegion)] = n;
}

unsigned char Patron(std::size_t i) { return static_cast<unsigned char>(i * 7 + 1); }
void Rellenar(void* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) static_cast<unsigned char*>(p)[i] = Patron(i);
}
// Index of the first byte in [desde, hasta) that is not the pattern (or not 0); hasta if none.
std::size_t Distinto(const void* p, std::size_t desde, std::size_t hasta, bool cero) {
  for (std::size_t i = desde; i < hasta; ++i) {
    if (static_cast<const unsigned char*>(p)[i] != (cero ? 0 : Patron(i))) return i;
  }
  return hasta;
}

// Each case reserves the first size, then resizes to the next ones: data kept, added bytes
// zero, the region's reserve as recorded, and a move only when the reserve is outgrown.
TEST(MemoriaTest, ReservaYRedimensionaConservandoDatosYColaACero) {
  struct Paso {
    std::size_t tamano, reserva;
    bool mueve;
  };
  const std::vector<Paso> casos[] = {
      {{0, 102400, false}}, {{102396, 102400, false}}, {{102397, 204794, false}}, {{300000, 600000, false}},
      {{10000, 102400, false}, {50000, 102400, false}}, {{0, 102400, false}, {102396, 102400, false}},
      {{50000, 102400, false}, {100, 102400, false}}, {{10000, 102400, false}, {102397, 819200, true}},
      {{10000, 102400, false}, {1000000, 2000000, true}}, {{102397, 204794, false}, {204791, 204794 * 8, true}},
      {{10000, 102400, false}, {110000, 819200, true}, {819196, 819200, false}},
      // A released region is handed out again to the next block of its size, and to a block
      // that moves into its size: what its last user wrote reads zero.
      {{30000, 102400, false}}, {{10, 102400, false}, {30000, 102400, false}},
      {{10000, 102400, false}, {400000, 819200, true}, {800000, 819200, false}},
      {{300000, 600000, false}}, {{290000, 580000, false}}, {{1000000, 2000000, false}},
  };
  for (const auto& pasos : casos) {
    SCOPED_TRACE(testing::Message() << pasos.size() << " pasos desde " << pasos[0].tamano);
    BloqueMem<void> p;
    std::size_t antes = 0;
    for (const Paso& paso : pasos) {
      SCOPED_TRACE(paso.tamano);
      void* anterior = p.get();
      void* q = anterior == nullptr ? MEM_Reservar(paso.tamano) : MEM_Redimensionar(anterior, paso.tamano);
      ASSERT_NE(q, nullptr);
      p.release();
      p.reset(q);
      EXPECT_EQ(anterior != nullptr && q != anterior, paso.mueve);
      EXPECT_EQ(MEM_TamanoReservado(q), paso.reserva);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(q) % alignof(std::max_align_t), 0u);
      const std::size_t comun = std::min(antes, paso.tamano);
      EXPECT_EQ(Distinto(q, 0, comun, false), comun);
      EXPECT_EQ(Distinto(q, comun, paso.tamano, true), paso.tamano);
      Rellenar(q, paso.tamano);  // every requested byte is committed and writable
      antes = paso.tamano;
    }
  }
  BloqueMem<void> nulo(MEM_Redimensionar(nullptr, 500));
  ASSERT_NE(nulo, nullptr);
  EXPECT_EQ(MEM_TamanoReservado(nulo.get()), 102400u);
}

// Region calls in order: reserve, commit for a new block; commit for an in-place growth;
// reserve new, commit old, commit new for a move.
TEST(MemoriaTest, SinMemoriaDaNuloOLanzaYNoTocaElBloque) {
  enum class Llamada { kReservar, kRedimensionarNulo, kRedimensionar };
  struct Caso {
    Llamada llamada;
    std::size_t n;
    uint64_t fallo;  // 0: the size alone cannot be met
  };
  using enum Llamada;
  const Caso casos[] = {
      {kReservar, kMaximo, 0},          {kReservar, kMaximo - 1, 0},           {kReservar, kMaximo / 2 + 1, 0},
      {kReservar, kMaximo - 8, 0},      {kRedimensionar, kMaximo, 0},          {kRedimensionar, kMaximo - 1, 0},
      {kRedimensionar, kMaximo / 2 + 1, 0}, {kRedimensionar, kMaximo - 8, 0},  {kReservar, 100, 1},
      {kReservar, 100, 2},              {kRedimensionarNulo, 100, 2},          {kRedimensionar, 50000, 1},
      {kRedimensionar, 200000, 1},      {kRedimensionar, 200000, 2},           {kRedimensionar, 200000, 3},
  };
  for (const Caso& c : casos) {
    for (bool comprobada : {false, true}) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(c.llamada) << " " << c.n << " fallo " << c.fallo
                                      << (comprobada ? " comprobada" : ""));
      Ganchos().Reiniciar();
      BloqueMem<void> p(MEM_Reservar(1000));
      ASSERT_NE(p, nullptr);
      Rellenar(p.get(), 1000);
      if (c.fallo != 0) FallarRegionEn(c.fallo);
      void* previo = c.llamada == kRedimensionar ? p.get() : nullptr;
      const bool malloc = c.llamada == kReservar;
      if (comprobada) {
        testing::internal::CaptureStdout();
        EXPECT_THROW(malloc ? MEM_ReservarOExcepcion(c.n) : MEM_RedimensionarOExcepcion(previo, c.n),
                     CL_EXCEPCION_MEMORIA);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  malloc ? ">>> Memoria insuficiente para MALLOC\n" : ">>> Memoria insuficiente para REALLOC\n");
      } else {
        EXPECT_EQ(malloc ? MEM_Reservar(c.n) : MEM_Redimensionar(previo, c.n), nullptr);
      }
      Ganchos().Reiniciar();
      EXPECT_EQ(MEM_TamanoReservado(p.get()), 102400u);
      EXPECT_EQ(Distinto(p.get(), 0, 1000, false), 1000u);
    }
  }
}

TEST(MemoriaTest, LasVariantesComprobadasCallanAlAcertarYLiberarDaElResultadoDeLaPlataforma) {
  testing::internal::CaptureStdout();
  void* p = MEM_ReservarOExcepcion(10);
  void* q = MEM_RedimensionarOExcepcion(p, 20);
  void* r = MEM_RedimensionarOExcepcion(nullptr, 30);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(q, p);
  EXPECT_TRUE(MEM_Liberar(q));
  EXPECT_TRUE(MEM_Liberar(r));
  EXPECT_FALSE(MEM_Liberar(nullptr));
  MEM_LiberarSiNoNulo(nullptr);
}

}  // namespace
}  // namespace orvex

// A host catches the exception by its own name, outside any namespace of ours.
TEST(ExcepcionMemoriaTest, SuNombreDeTipoEsElDelHost) {
  const std::string nombre = typeid(::CL_EXCEPCION_MEMORIA).name();
  EXPECT_NE(nombre.find("CL_EXCEPCION_MEMORIA"), std::string::npos);
  EXPECT_EQ(nombre.find("orvex"), std::string::npos);
  EXPECT_TRUE(std::is_empty_v<::CL_EXCEPCION_MEMORIA>);
}
