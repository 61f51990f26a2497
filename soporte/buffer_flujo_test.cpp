#include "soporte/buffer_flujo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "pruebas/tablas.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

void Llenar(CL_BUFFER_FLUJO& b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) b.AnadirCaracter(static_cast<char>('a' + i % 26));
}

TEST(ClBufferFlujoTest, Posicionar) {
  for (const auto& caso : pruebas::Filas(
#include "pruebas/datos/buffer_flujo_posicionar.inc"
           )) {
    SCOPED_TRACE(caso.at(0));
    CL_BUFFER_FLUJO b;
    Llenar(b, std::stoul(caso.at(1)));
    const int32_t inicial = std::stoi(caso.at(2));
    ASSERT_EQ(inicial > 0 ? b.Posicionar(inicial, 0) : 0, 0);
    EXPECT_EQ(b.Posicionar(std::stoi(caso.at(3)), static_cast<int16_t>(std::stoi(caso.at(4)))), std::stoi(caso.at(5)));
    EXPECT_EQ(b.ObtenerPosicion(), std::stoul(caso.at(6)));
  }
}

TEST(ClBufferFlujoTest, Leer) {
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/buffer_flujo_leer.inc"
           )) {
    SCOPED_TRACE(fila.at(0));
    std::vector<uint32_t> v;
    for (std::size_t i = 1; i < fila.size(); ++i) v.push_back(static_cast<uint32_t>(std::stol(fila[i])));
    const uint32_t longitud = v.at(0), posicion = v.at(1), n = v.at(3), cuenta_esperada = v.at(5);
    CL_BUFFER_FLUJO b;
    const uint32_t llenado = std::max(longitud, posicion);
    Llenar(b, llenado);
    if (posicion > 0) {
      ASSERT_EQ(posicion < llenado ? b.Posicionar(static_cast<int32_t>(posicion), 0) : b.Posicionar(0, 2), 0);
    }
    b.CL_BUFFER::FijarLongitud(longitud);
    std::vector<char> destino(n + 1, '#');
    uint32_t cuenta = 12345;
    const int resultado = b.Leer(v.at(2) ? destino.data() : nullptr, n, &cuenta);
    EXPECT_EQ(resultado, static_cast<int>(v.at(4)));
    EXPECT_EQ(cuenta, cuenta_esperada);
    EXPECT_EQ(b.ObtenerPosicion(), v.at(6));
    EXPECT_EQ(std::string(destino.data(), cuenta), resultado == 0 ? Texto(b).substr(posicion, cuenta) : "");
    EXPECT_EQ(destino[cuenta], '#') << "copied more than it reported";
  }
}

TEST(ClBufferFlujoTest, Escribir) {
  // Writable flag, contents before, position (-1: at the end), result, contents and position after.
  const std::tuple<uint32_t, std::string, int32_t, int, std::string, uint32_t> casos[] = {
      {0, "", 0, -1, "", 0},         {2, "xyz", 0, -1, "xyz", 0},      {1, "", 0, 0, "abc", 3},
      {1, "abcdef", 2, 0, "ababcf", 5}, {1, "abc", 2, 0, "ababc", 5}, {1, "abc", -1, 0, "abcabc", 6},
  };
  for (const auto& [escribible, inicial, posicion, resultado, esperado, posicion_final] : casos) {
    SCOPED_TRACE(esperado);
    CL_BUFFER_FLUJO b;
    b.Anadir(inicial.data(), static_cast<uint32_t>(inicial.size()));
    ASSERT_EQ(posicion != 0 ? b.Posicionar(std::max(posicion, 0), posicion < 0 ? 2 : 0) : 0, 0);
    b.FijarEscribible(escribible);
    EXPECT_EQ(b.Escribir("abc", 3), resultado);
    EXPECT_EQ(Texto(b), esperado);
    EXPECT_EQ(b.Datos()[b.Longitud()], 0);
    EXPECT_EQ(b.ObtenerPosicion(), posicion_final);
  }
}

TEST(ClBufferFlujoTest, FijarLongitudRetiraLaPosicion) {
  // Position before, new length, position after.
  const std::tuple<uint32_t, uint32_t, uint32_t> casos[] = {
      {40, 10, 9}, {10, 10, 9}, {5, 10, 5}, {40, 0, 0}, {40, 30000, 40},
  };
  for (const auto& [posicion, longitud, esperada] : casos) {
    SCOPED_TRACE(testing::Message() << posicion << " " << longitud);
    CL_BUFFER_FLUJO b;
    Llenar(b, 100);
    ASSERT_EQ(b.Posicionar(static_cast<int32_t>(posicion), 0), 0);
    EXPECT_EQ(b.FijarLongitud(longitud), 0);
    EXPECT_EQ(b.Longitud(), longitud);
    EXPECT_GT(b.Capacidad(), longitud);
    EXPECT_EQ(b.ObtenerPosicion(), esperada);
  }
}

// A new buffer and an emptied one alike: no contents, position 0, no name, not writable; a name
// keeps at most 200 characters.
TEST(ClBufferFlujoTest, NaceYSeVaciaSinNombreYNoEscribible) {
  CL_BUFFER_FLUJO b(0);
  for (int vuelta = 0; vuelta < 2; ++vuelta) {
    SCOPED_TRACE(vuelta);
    EXPECT_EQ(b.Longitud() + b.ObtenerPosicion() + b.Escribible(), 0u);
    EXPECT_STREQ(b.Nombre(), "");
    Llenar(b, 40000);
    b.FijarNombre(std::string(300, 'n').c_str());
    EXPECT_EQ(std::string(b.Nombre()), std::string(200, 'n'));
    b.FijarEscribible(1);
    ASSERT_EQ(b.Posicionar(-1, 2), 0);
    b.Vaciar();
  }
  EXPECT_EQ(b.Datos()[0], 0);
  EXPECT_EQ(b.Capacidad(), 10000u);  // the base's rule gives a large block back
  b.FijarNombre("carta.doc");
  b.FijarNombre(nullptr);
  EXPECT_STREQ(b.Nombre(), "");
}

TEST(ClBufferFlujoTest, AnadidoDirecto) {
  CL_BUFFER_FLUJO b;
  b.Anadir("abc", 3);
  ASSERT_EQ(b.Posicionar(1, 0), 0);
  // A length that would not fit in 32 bits throws and leaves the contents alone.
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

// The locked operations stay whole when several threads write to one buffer.
TEST(ClBufferFlujoTest, EscriturasConcurrentesNoSePierden) {
  CL_BUFFER_FLUJO b;
  b.FijarEscribible(1);
  constexpr int kHilos = 4, kEscrituras = 20000;
  std::atomic<int> listos{0};
  std::vector<std::thread> hilos;
  for (int h = 0; h < kHilos; ++h) {
    hilos.emplace_back([&b, &listos, h] {
      const char c = static_cast<char>('a' + h);
      for (++listos; listos < kHilos;) std::this_thread::yield();  // all start together
      for (int i = 0; i < kEscrituras; ++i) b.Escribir(&c, 1);
    });
  }
  for (auto& h : hilos) h.join();
  EXPECT_EQ(b.ObtenerPosicion(), uint32_t{kHilos * kEscrituras});
  for (int h = 0; h < kHilos; ++h) EXPECT_EQ(std::count(b.Datos(), b.Datos() + b.Longitud(), 'a' + h), kEscrituras);
}

}  // namespace
}  // namespace orvex
