#include "soporte/buffer_flujo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "soporte/memoria.h"

namespace orvex {
namespace {

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

void Llenar(CL_BUFFER_FLUJO& b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) b.AnadirCaracter(static_cast<char>('a' + i % 26));
}

TEST(ClBufferFlujoTest, Posicionar) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Caso {
    const char* nombre;
    uint32_t longitud, inicial;
    int32_t desplazamiento;
    int16_t origen;
    int resultado;
    uint32_t posicion;
  };
  const Caso casos[] = {
      {"inicio de un buffer vacio", 0, 0, 0, 0, -1, 0},
      {"fin de un buffer vacio", 0, 0, 0, 2, -1, 0},
      {"ultimo byte desde el inicio", 100, 0, 99, 0, 0, 99},
      {"la longitud desde el inicio", 100, 7, 100, 0, -1, 7},
      {"negativo desde el inicio", 100, 7, -1, 0, -1, 7},
      {"adelante desde la posicion", 100, 50, 49, 1, 0, 99},
      {"hasta la longitud desde la posicion", 100, 50, 50, 1, -1, 50},
      {"atras hasta el inicio", 100, 50, -50, 1, 0, 0},
      {"atras antes del inicio", 100, 50, -51, 1, -1, 50},
      {"el fin", 100, 3, 0, 2, 0, 100},
      {"un byte antes del fin", 100, 3, -1, 2, 0, 99},
      {"toda la longitud antes del fin", 100, 3, -100, 2, -1, 3},
      {"positivo desde el fin", 100, 3, 1, 2, -1, 3},
      {"minimo entero desde el fin", 100, 3, kMin, 2, -1, 3},
      {"minimo entero desde la posicion", 100, 3, kMin, 1, -1, 3},
      {"maximo entero desde la posicion", 100, 99, kMax, 1, -1, 99},
      {"origen desconocido", 100, 3, 0, 3, -1, 3},
      {"origen negativo", 100, 3, 0, -1, -1, 3},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_BUFFER_FLUJO b;
    Llenar(b, caso.longitud);
    ASSERT_EQ(caso.inicial > 0 ? b.Posicionar(static_cast<int32_t>(caso.inicial), 0) : 0, 0);
    EXPECT_EQ(b.Posicionar(caso.desplazamiento, caso.origen), caso.resultado);
    EXPECT_EQ(b.ObtenerPosicion(), caso.posicion);
  }
}

TEST(ClBufferFlujoTest, Leer) {
  struct Caso {
    const char* nombre;
    uint32_t longitud, posicion;  // a position past the length is left behind by a plain shrink
    bool con_destino;
    uint32_t n;
    int resultado;
    uint32_t cuenta, posicion_final;
  };
  const Caso casos[] = {
      {"menos de lo que queda", 100, 0, true, 10, 0, 10, 10},
      {"mas de lo que queda", 100, 80, true, 50, 0, 20, 100},
      {"en el fin", 100, 100, true, 5, 0, 0, 100},
      {"cero bytes", 100, 10, true, 0, 0, 0, 10},
      {"buffer vacio", 0, 0, true, 5, 0, 0, 0},
      {"posicion fuera del contenido", 10, 90, true, 8, -1, 0, 90},
      {"sin destino", 10, 0, false, 5, -1, 0, 0},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_BUFFER_FLUJO b;
    const uint32_t llenado = std::max(caso.longitud, caso.posicion);
    Llenar(b, llenado);
    if (caso.posicion > 0) {
      ASSERT_EQ(caso.posicion < llenado ? b.Posicionar(static_cast<int32_t>(caso.posicion), 0) : b.Posicionar(0, 2), 0);
    }
    b.CL_BUFFER::FijarLongitud(caso.longitud);
    std::vector<char> destino(caso.n + 1, '#');
    uint32_t cuenta = 12345;
    EXPECT_EQ(b.Leer(caso.con_destino ? destino.data() : nullptr, caso.n, &cuenta), caso.resultado);
    EXPECT_EQ(cuenta, caso.cuenta);
    EXPECT_EQ(b.ObtenerPosicion(), caso.posicion_final);
    EXPECT_EQ(std::string(destino.data(), cuenta), caso.resultado == 0 ? Texto(b).substr(caso.posicion, cuenta) : "");
    EXPECT_EQ(destino[cuenta], '#') << "copied more than it reported";
  }
}

TEST(ClBufferFlujoTest, Escribir) {
  struct Caso {
    const char* nombre;
    uint32_t escribible;
    std::string inicial;
    int32_t posicion;  // -1: at the end
    std::string datos;
    int resultado;
    std::string esperado;
    uint32_t posicion_final;
  };
  const Caso casos[] = {
      {"buffer nuevo no escribible", 0, "", 0, "abc", -1, "", 0},
      {"valor distinto de 1", 2, "xyz", 0, "abc", -1, "xyz", 0},
      {"buffer vacio escribible", 1, "", 0, "abc", 0, "abc", 3},
      {"sobrescribe dentro", 1, "abcdef", 2, "XY", 0, "abXYef", 4},
      {"pasa de la longitud", 1, "abc", 2, "XYZ", 0, "abXYZ", 5},
      {"en el fin", 1, "abc", -1, "de", 0, "abcde", 5},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_BUFFER_FLUJO b;
    b.Anadir(caso.inicial.data(), static_cast<uint32_t>(caso.inicial.size()));
    ASSERT_EQ(caso.posicion != 0 ? b.Posicionar(std::max(caso.posicion, 0), caso.posicion < 0 ? 2 : 0) : 0, 0);
    b.FijarEscribible(caso.escribible);
    EXPECT_EQ(b.Escribir(caso.datos.data(), static_cast<uint32_t>(caso.datos.size())), caso.resultado);
    EXPECT_EQ(Texto(b), caso.esperado);
    EXPECT_EQ(b.Datos()[b.Longitud()], 0);
    EXPECT_EQ(b.ObtenerPosicion(), caso.posicion_final);
  }
}

TEST(ClBufferFlujoTest, FijarLongitudRetiraLaPosicion) {
  struct Caso { const char* nombre; uint32_t posicion, longitud, esperada; };
  const Caso casos[] = {
      {"posicion mas alla", 40, 10, 9},    {"posicion en la nueva longitud", 10, 10, 9},
      {"posicion dentro", 5, 10, 5},       {"longitud cero", 40, 0, 0},
      {"crecer", 40, 30000, 40},
  };
  for (const Caso& caso : casos) {
    for (bool tamano : {false, true}) {
      SCOPED_TRACE(std::string(caso.nombre) + (tamano ? " FijarTamano" : ""));
      CL_BUFFER_FLUJO b;
      Llenar(b, 100);
      ASSERT_EQ(b.Posicionar(static_cast<int32_t>(caso.posicion), 0), 0);
      EXPECT_EQ(tamano ? b.FijarTamano(caso.longitud) : b.FijarLongitud(caso.longitud), 0);
      EXPECT_EQ(b.LongitudTotal(), caso.longitud);
      EXPECT_GT(b.Capacidad(), caso.longitud);
      EXPECT_EQ(b.ObtenerPosicion(), caso.esperada);
    }
  }
}

// A new buffer and an emptied one alike: no contents, position 0, no name, not writable.
TEST(ClBufferFlujoTest, NaceYSeVaciaSinNombreYNoEscribible) {
  CL_BUFFER_FLUJO b(0);
  EXPECT_EQ(b.Paso(), 10000u);
  for (int vuelta = 0; vuelta < 2; ++vuelta) {
    SCOPED_TRACE(vuelta);
    EXPECT_EQ(b.Longitud() + b.ObtenerPosicion() + b.Escribible(), 0u);
    EXPECT_STREQ(b.Nombre(), "");
    Llenar(b, 40000);
    b.FijarNombre("adjunto.txt");
    b.FijarEscribible(1);
    ASSERT_EQ(b.Posicionar(-1, 2), 0);
    b.Vaciar();
  }
  EXPECT_EQ(b.Datos()[0], 0);
  EXPECT_EQ(b.Capacidad(), 10000u);  // the base's rule gives a large block back
}

TEST(ClBufferFlujoTest, NombreGuardaDoscientosCaracteres) {
  const std::string largo(300, 'n'), doscientos(200, 'n');
  const std::pair<const char*, std::string> casos[] = {
      {"carta.doc", "carta.doc"}, {"", ""}, {nullptr, ""}, {doscientos.c_str(), doscientos}, {largo.c_str(), doscientos}};
  for (const auto& [entrada, esperado] : casos) {
    SCOPED_TRACE(esperado.size());
    CL_BUFFER_FLUJO b;
    b.FijarNombre("anterior");
    b.FijarNombre(entrada);
    EXPECT_EQ(std::string(b.Nombre()), esperado);
  }
}

TEST(ClBufferFlujoTest, AnadidoDirecto) {
  CL_BUFFER_FLUJO b;
  b.Anadir("abc", 3);
  ASSERT_EQ(b.Posicionar(1, 0), 0);
  // A length that would not fit in 32 bits throws and leaves the contents alone.
  for (uint64_t n : {uint64_t{0xFFFFFFFFu}, uint64_t{0xFFFFFFFFu} - 3, uint64_t{1} << 40}) {
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
  EXPECT_EQ(b.Longitud(), uint32_t{kHilos * kEscrituras});
  EXPECT_EQ(b.ObtenerPosicion(), uint32_t{kHilos * kEscrituras});
  for (int h = 0; h < kHilos; ++h) EXPECT_EQ(std::count(b.Datos(), b.Datos() + b.Longitud(), 'a' + h), kEscrituras);
}

}  // namespace
}  // namespace orvex
