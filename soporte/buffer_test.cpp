#include "soporte/buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "plataforma/plataforma.h"
#include "pruebas/volcado.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_soporte.inc"
    ;

std::string Bytes(uint32_t n) {
  std::string v(n, 0);
  for (uint32_t i = 0; i < n; ++i) v[i] = static_cast<char>('a' + i % 26);
  return v;
}

// Contents, capacity and step, and whether the NUL behind the contents is missing.
std::string Estado(const CL_BUFFER& b) {
  return pruebas::Resumido(std::string(b.Datos(), b.Longitud())) + " cap " + std::to_string(b.Capacidad()) +
         " paso " + std::to_string(b.Paso()) + (b.Datos()[b.Longitud()] == 0 ? "" : " SIN NUL");
}

// Capacity grows in whole steps; Vaciar keeps the block below five steps and otherwise starts
// afresh with the default step.
TEST(ClBufferTest, CreceEnPasosYVaciarConservaElBloqueHastaCincoPasos) {
  std::string visto;
  for (const auto& [paso, n] : {std::pair<uint32_t, uint32_t>{0, 0}, {10000, 9999}, {10000, 10000}, {10000, 39999},
                                {10000, 40000}, {300, 300}, {1, 5}}) {
    CL_BUFFER b(paso);
    b.Anadir(Bytes(n).data(), n);
    visto += std::to_string(paso) + " " + std::to_string(n) + ": " + Estado(b);
    b.Vaciar();
    visto += " | " + Estado(b) + "\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_soporte", "buffer pasos", visto);
}

// Each operation on a buffer that holds "abcd", then a length past 32 bits or the platform
// refusing memory: that throws and leaves the buffer as it was.
TEST(ClBufferTest, OperacionesYSinMemoria) {
  const std::pair<const char*, void (*)(CL_BUFFER& b)> casos[] = {
      {"anadir por partes", [](CL_BUFFER& b) { b.Anadir(nullptr, 5), b.AnadirCaracter(0), b.AnadirBuffer(b); }},
      {"anadirse mientras el bloque se mueve", [](CL_BUFFER& b) { b.Anadir(Bytes(60000).data(), 60000), b.AnadirBuffer(b); }},
      {"escribir tras el final", [](CL_BUFFER& b) { b.EscribirEn(5, "xyz", 3); }},
      {"escribir solapando el final", [](CL_BUFFER& b) { b.EscribirEn(3, "XYZ", 3); }},
      {"anadir 2^32-2", [](CL_BUFFER& b) { b.Anadir("x", UINT32_MAX - 1); }},  // never read
      {"escribir en 2^32-2", [](CL_BUFFER& b) { b.EscribirEn(UINT32_MAX - 1, "x", 1); }},  // no room for the NUL
      {"fijar longitud 2^32-1", [](CL_BUFFER& b) { b.FijarLongitud(UINT32_MAX); }},
      {"reservar 2^32-1", [](CL_BUFFER& b) { b.Reservar(UINT32_MAX); }},
      {"region negada", [](CL_BUFFER& b) {
         plataforma::Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kRegion)] = 1;
         b.Anadir(Bytes(20000).data(), 20000);
       }},
  };
  std::string visto;
  for (const auto& [nombre, operacion] : casos) {
    CL_BUFFER b;
    b.Anadir("abcd", 4);
    plataforma::Ganchos().Reiniciar();
    testing::internal::CaptureStdout();
    try {
      operacion(b);
    } catch (const CL_EXCEPCION_MEMORIA&) {
      visto += "lanza ";
    }
    plataforma::Ganchos().Reiniciar();
    visto += std::string(nombre) + ": " + Estado(b) + " " + pruebas::Escapado(testing::internal::GetCapturedStdout()) + "\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_soporte", "buffer operaciones", visto);
}

}  // namespace
}  // namespace orvex
