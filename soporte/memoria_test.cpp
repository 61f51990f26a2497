#include "soporte/memoria.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <typeinfo>

#include "plataforma/plataforma.h"

namespace orvex {
namespace {

using plataforma::Ganchos;
using plataforma::Operacion;

constexpr std::size_t kMaximo = std::numeric_limits<std::size_t>::max();

class MemoriaTest : public testing::Test {
 protected:
  void SetUp() override { Ganchos().Reiniciar(); }
  void TearDown() override { Ganchos().Reiniciar(); }

  static void FallarRegionEn(uint64_t n) {
    Ganchos().Reiniciar();
    Ganchos().fallar_en[static_cast<int>(Operacion::kRegion)] = n;
  }
};

bool TodoCero(const unsigned char* p, std::size_t desde, std::size_t hasta) {
  for (std::size_t i = desde; i < hasta; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

void Rellenar(unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(i * 7 + 1);
}

bool Patron(const unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] != static_cast<unsigned char>(i * 7 + 1)) return false;
  }
  return true;
}

TEST_F(MemoriaTest, ReservaElTamanoDeRegionSegunLaPeticion) {
  struct Caso {
    std::size_t n;
    std::size_t reserva;
  };
  const Caso casos[] = {{0, 102400}, {1, 102400}, {102396, 102400}, {102397, 204794}, {300000, 600000}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.n);
    BloqueMem<unsigned char> p(static_cast<unsigned char*>(MEM_Reservar(c.n)));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(MEM_TamanoReservado(p.get()), c.reserva);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p.get()) % alignof(std::max_align_t), 0u);
    EXPECT_TRUE(TodoCero(p.get(), 0, c.n));
    // Every requested byte is committed and writable.
    Rellenar(p.get(), c.n);
    EXPECT_TRUE(Patron(p.get(), c.n));
  }
}

TEST_F(MemoriaTest, PeticionesQueDesbordanDanNulo) {
  const std::size_t casos[] = {kMaximo, kMaximo - 1, kMaximo / 2 + 1, kMaximo - 8};
  for (std::size_t n : casos) {
    SCOPED_TRACE(n);
    EXPECT_EQ(MEM_Reservar(n), nullptr);
  }
}

TEST_F(MemoriaTest, CreceEnSitioConservandoDatosYColaACero) {
  struct Caso {
    std::size_t n, m;
  };
  const Caso casos[] = {{10000, 50000}, {0, 102396}, {10000, 10000}, {50000, 100}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.n << " -> " << c.m);
    auto* p = static_cast<unsigned char*>(MEM_Reservar(c.n));
    ASSERT_NE(p, nullptr);
    Rellenar(p, c.n);
    BloqueMem<unsigned char> q(static_cast<unsigned char*>(MEM_Redimensionar(p, c.m)));
    ASSERT_EQ(q.get(), p);
    EXPECT_EQ(MEM_TamanoReservado(q.get()), 102400u);
    EXPECT_TRUE(Patron(q.get(), std::min(c.n, c.m)));
    if (c.m > c.n) {
      EXPECT_TRUE(TodoCero(q.get(), c.n, c.m));
    }
  }
}

TEST_F(MemoriaTest, MueveAUnaRegionMayorConservandoDatosYColaACero) {
  struct Caso {
    std::size_t n, m, reserva;
  };
  const Caso casos[] = {{10000, 102397, 819200}, {10000, 1000000, 2000000}, {102397, 204791, 204794 * 8}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.n << " -> " << c.m);
    auto* p = static_cast<unsigned char*>(MEM_Reservar(c.n));
    ASSERT_NE(p, nullptr);
    Rellenar(p, c.n);
    BloqueMem<unsigned char> q(static_cast<unsigned char*>(MEM_Redimensionar(p, c.m)));
    ASSERT_NE(q, nullptr);
    EXPECT_NE(q.get(), p);
    EXPECT_EQ(MEM_TamanoReservado(q.get()), c.reserva);
    EXPECT_TRUE(Patron(q.get(), c.n));
    EXPECT_TRUE(TodoCero(q.get(), c.n, c.m));
  }
}

TEST_F(MemoriaTest, TrasMoverseCreceEnSitioHastaSuNuevaReserva) {
  auto* p = static_cast<unsigned char*>(MEM_Reservar(10000));
  ASSERT_NE(p, nullptr);
  auto* q = static_cast<unsigned char*>(MEM_Redimensionar(p, 110000));
  ASSERT_NE(q, nullptr);
  BloqueMem<unsigned char> r(static_cast<unsigned char*>(MEM_Redimensionar(q, 819196)));
  EXPECT_EQ(r.get(), q);
  EXPECT_TRUE(TodoCero(r.get(), 0, 819196));
}

TEST_F(MemoriaTest, RedimensionarNuloReserva) {
  BloqueMem<unsigned char> p(static_cast<unsigned char*>(MEM_Redimensionar(nullptr, 500)));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(MEM_TamanoReservado(p.get()), 102400u);
  EXPECT_TRUE(TodoCero(p.get(), 0, 500));
}

TEST_F(MemoriaTest, RedimensionarImposibleDejaElBloqueIntacto) {
  BloqueMem<unsigned char> p(static_cast<unsigned char*>(MEM_Reservar(1000)));
  ASSERT_NE(p, nullptr);
  Rellenar(p.get(), 1000);
  EXPECT_EQ(MEM_Redimensionar(p.get(), kMaximo), nullptr);
  EXPECT_EQ(MEM_Redimensionar(p.get(), kMaximo / 2 + 1), nullptr);
  EXPECT_EQ(MEM_TamanoReservado(p.get()), 102400u);
  EXPECT_TRUE(Patron(p.get(), 1000));
}

// Region operations in order: reserve (1), commit (2) for a new block; commit (1) for an
// in-place growth; reserve new (1), commit old (2), commit new (3) for a move.
TEST_F(MemoriaTest, UnFalloDeLaPlataformaDaNuloYNoTocaElBloque) {
  enum class Accion { kReservar, kCrecerEnSitio, kMover };
  struct Caso {
    const char* nombre;
    Accion accion;
    uint64_t fallo;
  };
  const Caso casos[] = {
      {"reservar: reserva", Accion::kReservar, 1},  {"reservar: confirmar", Accion::kReservar, 2},
      {"en sitio: confirmar", Accion::kCrecerEnSitio, 1}, {"mover: reserva", Accion::kMover, 1},
      {"mover: confirmar viejo", Accion::kMover, 2}, {"mover: confirmar nuevo", Accion::kMover, 3},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    if (c.accion == Accion::kReservar) {
      FallarRegionEn(c.fallo);
      EXPECT_EQ(MEM_Reservar(100), nullptr);
      continue;
    }
    Ganchos().Reiniciar();
    BloqueMem<unsigned char> p(static_cast<unsigned char*>(MEM_Reservar(100)));
    ASSERT_NE(p, nullptr);
    Rellenar(p.get(), 100);
    FallarRegionEn(c.fallo);
    EXPECT_EQ(MEM_Redimensionar(p.get(), c.accion == Accion::kMover ? 200000 : 50000), nullptr);
    Ganchos().Reiniciar();
    EXPECT_EQ(MEM_TamanoReservado(p.get()), 102400u);
    EXPECT_TRUE(Patron(p.get(), 100));
  }
}

TEST_F(MemoriaTest, LasVariantesComprobadasAvisanYLanzan) {
  enum class Llamada { kReservar, kRedimensionarNulo, kRedimensionar };
  struct Caso {
    const char* nombre;
    Llamada llamada;
    uint64_t fallo;
    const char* mensaje;
  };
  const Caso casos[] = {
      {"reservar", Llamada::kReservar, 1, ">>> Memoria insuficiente para MALLOC\n"},
      {"redimensionar nulo", Llamada::kRedimensionarNulo, 2, ">>> Memoria insuficiente para REALLOC\n"},
      {"redimensionar moviendo", Llamada::kRedimensionar, 1, ">>> Memoria insuficiente para REALLOC\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ganchos().Reiniciar();
    BloqueMem<void> previo(c.llamada == Llamada::kRedimensionar ? MEM_Reservar(10) : nullptr);
    FallarRegionEn(c.fallo);
    testing::internal::CaptureStdout();
    bool lanzada = false;
    try {
      switch (c.llamada) {
        case Llamada::kReservar:
          MEM_ReservarOExcepcion(10);
          break;
        case Llamada::kRedimensionarNulo:
          MEM_RedimensionarOExcepcion(nullptr, 10);
          break;
        case Llamada::kRedimensionar:
          MEM_RedimensionarOExcepcion(previo.get(), 300000);
          break;
      }
    } catch (const CL_EXCEPCION_MEMORIA&) {
      lanzada = true;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.mensaje);
    EXPECT_TRUE(lanzada);
  }
}

TEST_F(MemoriaTest, LasVariantesComprobadasDevuelvenElPunteroSinAvisar) {
  testing::internal::CaptureStdout();
  BloqueMem<void> p(MEM_ReservarOExcepcion(10));
  void* anterior = p.get();
  void* q = MEM_RedimensionarOExcepcion(p.release(), 20);
  p.reset(q);
  BloqueMem<void> r(MEM_RedimensionarOExcepcion(nullptr, 30));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(q, anterior);
  EXPECT_NE(r, nullptr);
}

TEST_F(MemoriaTest, LiberarDevuelveElResultadoDeLaPlataforma) {
  void* p = MEM_Reservar(10);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(MEM_Liberar(p));
  EXPECT_FALSE(MEM_Liberar(nullptr));
  MEM_LiberarSiNoNulo(nullptr);
}

TEST_F(MemoriaTest, LaExcepcionEsUnaClaseVacia) {
  EXPECT_EQ(sizeof(CL_EXCEPCION_MEMORIA), 1u);
  EXPECT_TRUE(std::is_empty_v<CL_EXCEPCION_MEMORIA>);
}

}  // namespace
}  // namespace orvex

namespace {

// A host catches the exception by its own name, outside any namespace of ours.
TEST(ExcepcionMemoriaTest, SuNombreDeTipoEsElDelHost) {
  const std::string nombre = typeid(::CL_EXCEPCION_MEMORIA).name();
  EXPECT_NE(nombre.find("CL_EXCEPCION_MEMORIA"), std::string::npos);
  EXPECT_EQ(nombre.find("orvex"), std::string::npos);
  EXPECT_EQ(sizeof(::CL_EXCEPCION_MEMORIA), 1u);
}

}  // namespace
