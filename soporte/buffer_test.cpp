#include "soporte/buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "plataforma/plataforma.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

std::string Contenido(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

std::string Bytes(uint32_t n) {
  std::string v(n, 0);
  for (uint32_t i = 0; i < n; ++i) v[i] = static_cast<char>('a' + i % 26);
  return v;
}

class BufferQueCuenta : public CL_BUFFER {
 public:
  using CL_BUFFER::CL_BUFFER;
  void Reiniciar() override {
    ++reinicios;
    CL_BUFFER::Reiniciar();
  }
  int reinicios = 0;
};

// Capacity grows in whole steps and always leaves room for the NUL; Vaciar keeps the block
// below five steps and otherwise starts afresh (through the virtual Reiniciar) with the
// default step.
TEST(ClBufferTest, CreceEnPasosEnterosYVaciarConservaElBloqueHastaCincoPasos) {
  struct Caso {
    uint32_t paso, bytes, paso_real, capacidad;
    bool conserva;
  };
  const Caso casos[] = {
      {0, 0, 10000, 10000, true},          {10000, 9999, 10000, 10000, true},
      {10000, 10000, 10000, 20000, true},  {10000, 39999, 10000, 40000, true},
      {10000, 40000, 10000, 50000, false}, {300, 300, 300, 600, true},
      {1, 5, 1, 6, false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.paso << " / " << c.bytes);
    BufferQueCuenta b(c.paso);
    const std::string datos = Bytes(c.bytes);
    b.Anadir(datos.data(), c.bytes);
    EXPECT_EQ(b.Paso(), c.paso_real);
    EXPECT_EQ(b.Capacidad(), c.capacidad);
    EXPECT_EQ(Contenido(b), datos);
    EXPECT_EQ(b.Datos()[b.Longitud()], 0);
    const char* antes = b.Datos();
    b.Vaciar();
    EXPECT_EQ(b.Longitud(), 0u);
    EXPECT_EQ(b.Datos()[0], 0);
    EXPECT_EQ(b.reinicios, c.conserva ? 0 : 1);
    EXPECT_EQ(b.Capacidad(), c.conserva ? c.capacidad : 10000u);
    EXPECT_EQ(b.Paso(), c.conserva ? c.paso_real : 10000u);
    EXPECT_TRUE(!c.conserva || b.Datos() == antes);
  }
}

// Each operation on a buffer that holds "abcd": the contents and capacity after it, with a
// NUL always behind them.
TEST(ClBufferTest, OperacionesSobreElContenido) {
  const std::string cola = Bytes(60000);
  const struct {
    const char* nombre;
    void (*operacion)(CL_BUFFER& b);
    std::string contenido;
    uint32_t capacidad;
  } casos[] = {
      {"Anadir por partes",
       [](CL_BUFFER& b) {
         b.Anadir(nullptr, 5);
         b.AnadirCaracter(0);  // a counted NUL
         b.AnadirBuffer(b);
       },
       std::string("abcd\0abcd\0", 10), 10000},
      {"Anadirse a si mismo mientras el bloque se mueve",
       [](CL_BUFFER& b) {
         b.Anadir(Bytes(60000).data(), 60000);
         b.AnadirBuffer(b);
       },
       "abcd" + cola + "abcd" + cola, 130000},
      {"EscribirEn tras el final", [](CL_BUFFER& b) { b.EscribirEn(5, "xyz", 3); }, std::string("abcd\0xyz", 8), 10000},
      {"EscribirEn solapando el final", [](CL_BUFFER& b) { b.EscribirEn(3, "XYZ", 3); }, "abcXYZ", 10000},
      {"EscribirEn nulo", [](CL_BUFFER& b) { b.EscribirEn(1, nullptr, 3); }, "abcd", 10000},
      {"Reservar", [](CL_BUFFER& b) { b.Reservar(25000); }, "abcd", 30000},
      {"FijarLongitud", [](CL_BUFFER& b) { EXPECT_EQ(b.FijarLongitud(45000), 0); }, "abcd" + std::string(44996, 0),
       50000},  // grown bytes read zero
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    CL_BUFFER b;
    b.Anadir("abcd", 4);
    c.operacion(b);
    EXPECT_EQ(Contenido(b), c.contenido);
    EXPECT_EQ(b.Capacidad(), c.capacidad);
    EXPECT_EQ(b.Datos()[b.Longitud()], 0);
  }
}

// A length past 32 bits, or the platform refusing memory, throws and leaves the buffer as it was.
TEST(ClBufferTest, SinMemoriaLanzaSinTocarElBuffer) {
  void (*const acciones[])(CL_BUFFER& b) = {
      [](CL_BUFFER& b) { b.Anadir("x", UINT32_MAX - 1); },  // never read
      [](CL_BUFFER& b) { b.EscribirEn(UINT32_MAX, "x", 1); },
      [](CL_BUFFER& b) { b.EscribirEn(UINT32_MAX - 1, "x", 1); },  // no room for the NUL
      [](CL_BUFFER& b) { b.FijarLongitud(UINT32_MAX); },
      [](CL_BUFFER& b) { b.Reservar(UINT32_MAX); },
      [](CL_BUFFER& b) {
        plataforma::Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kRegion)] = 1;
        b.Anadir(Bytes(20000).data(), 20000);
      },
  };
  for (const auto& accion : acciones) {
    SCOPED_TRACE(&accion - acciones);
    CL_BUFFER b;
    b.Anadir("ab", 2);
    plataforma::Ganchos().Reiniciar();
    testing::internal::CaptureStdout();
    EXPECT_THROW(accion(b), CL_EXCEPCION_MEMORIA);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ">>> Memoria insuficiente para REALLOC\n");
    plataforma::Ganchos().Reiniciar();
    EXPECT_EQ(Contenido(b), "ab");
    EXPECT_EQ(b.Capacidad(), 10000u);
  }
}

}  // namespace
}  // namespace orvex
