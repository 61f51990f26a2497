#include "soporte/buffer_flujo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "pruebas/tablas.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

// Each row fills a buffer, places its position, runs one operation and says what it left.
TEST(ClBufferFlujoTest, PosicionarLeerEscribirYFijarLongitud) {
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/buffer_flujo.inc"
           )) {
    SCOPED_TRACE(fila.at(0));
    const uint32_t longitud = std::stoul(fila.at(1)), posicion = std::stoul(fila.at(2));
    const std::string& operacion = fila.at(4);
    CL_BUFFER_FLUJO b;
    for (uint32_t i = 0; i < std::max(longitud, posicion); ++i) {
      b.AnadirCaracter(static_cast<char>('a' + i % 26));
    }
    if (posicion > 0) {
      ASSERT_EQ(posicion < b.Longitud() ? b.Posicionar(static_cast<int32_t>(posicion), 0) : b.Posicionar(0, 2), 0);
    }
    b.CL_BUFFER::FijarLongitud(longitud);
    b.FijarEscribible(std::stoi(fila.at(3)));
    std::string visto;
    uint32_t cuenta = 12345;
    std::vector<char> destino(4096, '#');
    int r = -9;
    if (operacion == "posicionar") {
      r = b.Posicionar(std::stoi(fila.at(5)), static_cast<int16_t>(std::stoi(fila.at(6))));
    } else if (operacion == "leer") {
      r = b.Leer(fila.at(5) == "1" ? destino.data() : nullptr, std::stoul(fila.at(6)), &cuenta);
      ASSERT_LE(cuenta, std::stoul(fila.at(6)));
      EXPECT_EQ(destino[cuenta], '#') << "copied more than it reported";
      visto = " '" + std::string(destino.data(), cuenta) + "'";
    } else if (operacion == "escribir") {
      r = b.Escribir("XYZ", 3);
      EXPECT_EQ(b.Datos()[b.Longitud()], 0);
      visto = " '" + Texto(b) + "'";
    } else {
      r = b.FijarLongitud(std::stoul(fila.at(5)));
    }
    EXPECT_GT(b.Capacidad(), b.Longitud());
    EXPECT_EQ(std::to_string(r) + " pos " + std::to_string(b.ObtenerPosicion()) + " len " +
                  std::to_string(b.Longitud()) + visto,
              fila.at(7));
  }
}

// A name keeps at most 200 characters. Writers that fill the block directly get room past the
// contents; a length that would not fit in 32 bits throws and changes nothing.
TEST(ClBufferFlujoTest, NombreYAnadidoDirecto) {
  CL_BUFFER_FLUJO b(0);
  b.FijarNombre(std::string(300, 'n').c_str());
  EXPECT_EQ(std::string(b.Nombre()), std::string(200, 'n'));
  b.Anadir("abc", 3);
  ASSERT_EQ(b.Posicionar(1, 0), 0);
  for (uint64_t n : {uint64_t{0xFFFFFFFFu} - 3, uint64_t{1} << 40}) {
    SCOPED_TRACE(n);
    EXPECT_THROW(b.PrepararAnadido(n), CL_EXCEPCION_MEMORIA);
    EXPECT_EQ(Texto(b), "abc");
  }
  char* hueco = b.PrepararAnadido(25000);
  ASSERT_GT(b.Capacidad(), 3u + 25000u);
  std::fill(hueco, hueco + 4, 'W');
  b.ConfirmarAnadido(4);
  EXPECT_EQ(Texto(b), "abcWWWW");
  EXPECT_EQ(b.Datos()[b.Longitud()], 0);
  EXPECT_EQ(b.ObtenerPosicion(), 1u);
}

}  // namespace
}  // namespace orvex
