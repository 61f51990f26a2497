#include "soporte/buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "plataforma/plataforma.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

std::string Contenido(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

std::vector<char> Bytes(uint32_t n) {
  std::vector<char> v(n);
  for (uint32_t i = 0; i < n; ++i) v[i] = static_cast<char>('a' + i % 26);
  return v;
}

TEST(ClBufferTest, ElConstructorReservaUnPaso) {
  struct Caso {
    uint32_t paso, esperado;
  };
  const Caso casos[] = {{0, 10000}, {10000, 10000}, {300, 300}, {1, 1}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.paso);
    CL_BUFFER b(c.paso);
    EXPECT_EQ(b.Paso(), c.esperado);
    EXPECT_EQ(b.Capacidad(), c.esperado);
    EXPECT_EQ(b.Longitud(), 0u);
    ASSERT_NE(b.Datos(), nullptr);
    EXPECT_EQ(b.Datos()[0], 0);
  }
}

TEST(ClBufferTest, CreceEnPasosEnterosConSitioParaElNul) {
  struct Caso {
    uint32_t paso, bytes, capacidad;
  };
  const Caso casos[] = {
      {10000, 9998, 10000}, {10000, 9999, 10000}, {10000, 10000, 20000}, {10000, 25000, 30000},
      {10000, 39999, 40000}, {10000, 40000, 50000}, {300, 300, 600},     {1, 5, 6},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.paso << " / " << c.bytes);
    CL_BUFFER b(c.paso);
    const std::vector<char> datos = Bytes(c.bytes);
    b.Anadir(datos.data(), c.bytes);
    EXPECT_EQ(b.Longitud(), c.bytes);
    EXPECT_EQ(b.Capacidad(), c.capacidad);
    EXPECT_GT(b.Capacidad(), b.Longitud());
    EXPECT_EQ(Contenido(b), std::string(datos.begin(), datos.end()));
    EXPECT_EQ(b.Datos()[b.Longitud()], 0);
  }
}

TEST(ClBufferTest, AnadirPorPartesConcatena) {
  CL_BUFFER b(4);
  b.Anadir("abc", 3);
  b.Anadir(nullptr, 5);
  b.AnadirCaracter('d');
  b.Anadir("efgh", 4);
  CL_BUFFER otro;
  otro.Anadir("XY", 2);
  b.AnadirBuffer(otro);
  EXPECT_EQ(Contenido(b), "abcdefghXY");
  EXPECT_EQ(b.Capacidad(), 12u);
  EXPECT_EQ(b.Datos()[10], 0);
}

TEST(ClBufferTest, AnadirseASiMismoAunqueElBloqueSeMueva) {
  struct Caso {
    uint32_t bytes;
  };
  const Caso casos[] = {{3}, {60000}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.bytes);
    CL_BUFFER b;
    const std::vector<char> datos = Bytes(c.bytes);
    b.Anadir(datos.data(), c.bytes);
    b.AnadirBuffer(b);
    std::string esperado(datos.begin(), datos.end());
    EXPECT_EQ(Contenido(b), esperado + esperado);
  }
}

TEST(ClBufferTest, AnadirCaracterCeroCuentaElNul) {
  CL_BUFFER b;
  b.AnadirCaracter(0);
  EXPECT_EQ(b.Longitud(), 1u);
  EXPECT_EQ(b.Datos()[0], 0);
  EXPECT_EQ(b.Datos()[1], 0);
}

TEST(ClBufferTest, VaciarConservaElBloqueSalvoQueHayaLlegadoACincoPasos) {
  struct Caso {
    uint32_t paso, bytes;
    bool conserva;
    uint32_t capacidad;
  };
  const Caso casos[] = {
      {10000, 39999, true, 40000}, {10000, 40000, false, 10000}, {10000, 0, true, 10000},
      {100, 500, false, 10000},  // a fresh block comes with the default step
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.paso << " / " << c.bytes);
    CL_BUFFER b(c.paso);
    const std::vector<char> datos = Bytes(c.bytes);
    b.Anadir(datos.data(), c.bytes);
    const char* antes = b.Datos();
    b.Vaciar();
    EXPECT_EQ(b.Longitud(), 0u);
    EXPECT_EQ(b.Capacidad(), c.capacidad);
    EXPECT_EQ(b.Datos()[0], 0);
    if (c.conserva) {
      EXPECT_EQ(b.Datos(), antes);
    }
    EXPECT_EQ(b.Paso(), c.conserva ? c.paso : 10000u);
  }
}

class BufferQueCuenta : public CL_BUFFER {
 public:
  void Reiniciar() override {
    ++reinicios;
    CL_BUFFER::Reiniciar();
  }
  int reinicios = 0;
};

TEST(ClBufferTest, VaciarReiniciaPorLaTablaVirtual) {
  BufferQueCuenta b;
  const std::vector<char> datos = Bytes(50000);
  b.Anadir(datos.data(), 100);
  b.Vaciar();
  EXPECT_EQ(b.reinicios, 0);
  b.Anadir(datos.data(), 50000);
  b.Vaciar();
  EXPECT_EQ(b.reinicios, 1);
}

TEST(ClBufferTest, EscribirEn) {
  struct Caso {
    const char* nombre;
    uint32_t posicion;
    std::string bytes;
    std::string esperado;
  };
  // Byte 4 keeps the old terminating NUL when writing past the end.
  const Caso casos[] = {
      {"tras el final", 5, "xyz", std::string("abcd\0xyz", 8)},
      {"justo al final", 4, "xy", "abcdxy"},
      {"dentro", 1, "XY", "aXYd"},
      {"solapando el final", 3, "XYZ", "abcXYZ"},
      {"nada", 2, "", "abcd"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    CL_BUFFER b;
    b.Anadir("abcd", 4);
    b.EscribirEn(c.posicion, c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    EXPECT_EQ(Contenido(b), c.esperado);
    EXPECT_EQ(b.Datos()[b.Longitud()], 0);
  }
  CL_BUFFER b;
  b.Anadir("abcd", 4);
  b.EscribirEn(1, nullptr, 3);
  EXPECT_EQ(Contenido(b), "abcd");
}

TEST(ClBufferTest, ReservarYFijarLongitudRedondeanAlPaso) {
  CL_BUFFER b;
  b.Reservar(5000);
  EXPECT_EQ(b.Capacidad(), 10000u);
  b.Reservar(25000);
  EXPECT_EQ(b.Capacidad(), 30000u);
  EXPECT_EQ(b.Longitud(), 0u);
  EXPECT_EQ(b.FijarLongitud(45000), 0);
  EXPECT_EQ(b.Longitud(), 45000u);
  EXPECT_EQ(b.Capacidad(), 50000u);
  EXPECT_EQ(b.Datos()[44999], 0);  // grown bytes read zero
}

TEST(ClBufferTest, UnaLongitudQueNoCabeEn32BitsLanzaSinTocarElBuffer) {
  enum class Accion { kAnadir, kEscribirEn, kEscribirEnElLimite, kFijarLongitud, kReservar };
  struct Caso {
    const char* nombre;
    Accion accion;
  };
  const Caso casos[] = {
      {"Anadir", Accion::kAnadir},
      {"EscribirEn desborda", Accion::kEscribirEn},
      {"EscribirEn sin sitio para el NUL", Accion::kEscribirEnElLimite},
      {"FijarLongitud", Accion::kFijarLongitud},
      {"Reservar", Accion::kReservar},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    CL_BUFFER b;
    b.Anadir("ab", 2);
    testing::internal::CaptureStdout();
    bool lanzada = false;
    try {
      switch (c.accion) {
        case Accion::kAnadir:
          b.Anadir("x", UINT32_MAX - 1);  // never read: the length check comes first
          break;
        case Accion::kEscribirEn:
          b.EscribirEn(UINT32_MAX, "x", 1);
          break;
        case Accion::kEscribirEnElLimite:
          b.EscribirEn(UINT32_MAX - 1, "x", 1);
          break;
        case Accion::kFijarLongitud:
          b.FijarLongitud(UINT32_MAX);
          break;
        case Accion::kReservar:
          b.Reservar(UINT32_MAX);
          break;
      }
    } catch (const CL_EXCEPCION_MEMORIA&) {
      lanzada = true;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ">>> Memoria insuficiente para REALLOC\n");
    EXPECT_TRUE(lanzada);
    EXPECT_EQ(Contenido(b), "ab");
    EXPECT_EQ(b.Capacidad(), 10000u);
  }
}

TEST(ClBufferTest, SinMemoriaAlCrecerLanzaYConservaElContenido) {
  plataforma::Ganchos().Reiniciar();
  CL_BUFFER b;
  b.Anadir("ab", 2);
  plataforma::Ganchos().Reiniciar();
  plataforma::Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kRegion)] = 1;
  const std::vector<char> datos = Bytes(20000);
  testing::internal::CaptureStdout();
  EXPECT_THROW(b.Anadir(datos.data(), 20000), CL_EXCEPCION_MEMORIA);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), ">>> Memoria insuficiente para REALLOC\n");
  plataforma::Ganchos().Reiniciar();
  EXPECT_EQ(Contenido(b), "ab");
}

}  // namespace
}  // namespace orvex
