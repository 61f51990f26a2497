#include "mensaje/buffer_flujo.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(ClBufferFlujoTest, NaceVacioSinNombreYNoEscribible) {
  for (uint32_t paso : {0u, 10000u, 64u}) {
    SCOPED_TRACE(paso);
    CL_BUFFER_FLUJO b(paso);
    EXPECT_EQ(b.Paso(), paso == 0 ? 10000u : paso);
    EXPECT_EQ(b.Longitud(), 0u);
    EXPECT_EQ(b.ObtenerPosicion(), 0u);
    EXPECT_STREQ(b.Nombre(), "");
    EXPECT_EQ(b.Escribible(), 0u);
  }
}

TEST(ClBufferFlujoTest, Posicionar) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Caso {
    const char* nombre;
    uint32_t longitud;
    uint32_t inicial;  // position before the seek
    int32_t desplazamiento;
    int16_t origen;
    int resultado;
    uint32_t posicion;
  };
  const Caso casos[] = {
      {"inicio de un buffer vacio", 0, 0, 0, 0, -1, 0},
      {"fin de un buffer vacio", 0, 0, 0, 2, -1, 0},
      {"inicio", 100, 50, 0, 0, 0, 0},
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
    if (caso.inicial > 0) {
      ASSERT_EQ(b.Posicionar(static_cast<int32_t>(caso.inicial), 0), 0);
    }
    EXPECT_EQ(b.Posicionar(caso.desplazamiento, caso.origen), caso.resultado);
    EXPECT_EQ(b.ObtenerPosicion(), caso.posicion);
  }
}

TEST(ClBufferFlujoTest, Leer) {
  struct Caso {
    const char* nombre;
    uint32_t longitud;
    uint32_t posicion;
    uint32_t n;
    uint32_t cuenta;
    uint32_t posicion_final;
  };
  const Caso casos[] = {
      {"menos de lo que queda", 100, 0, 10, 10, 10},
      {"mas de lo que queda", 100, 80, 50, 20, 100},
      {"justo lo que queda", 100, 80, 20, 20, 100},
      {"en el fin", 100, 100, 5, 0, 100},
      {"cero bytes", 100, 10, 0, 0, 10},
      {"buffer vacio", 0, 0, 5, 0, 0},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_BUFFER_FLUJO b;
    Llenar(b, caso.longitud);
    if (caso.posicion == caso.longitud && caso.longitud > 0) {
      ASSERT_EQ(b.Posicionar(0, 2), 0);
    } else if (caso.posicion > 0) {
      ASSERT_EQ(b.Posicionar(static_cast<int32_t>(caso.posicion), 0), 0);
    }
    std::vector<char> destino(caso.n + 1, '#');
    uint32_t cuenta = 12345;
    EXPECT_EQ(b.Leer(destino.data(), caso.n, &cuenta), 0);
    EXPECT_EQ(cuenta, caso.cuenta);
    EXPECT_EQ(b.ObtenerPosicion(), caso.posicion_final);
    EXPECT_EQ(std::string(destino.data(), cuenta), Texto(b).substr(caso.posicion, cuenta));
    EXPECT_EQ(destino[cuenta], '#') << "copied more than it reported";
  }
}

TEST(ClBufferFlujoTest, LeerConLaPosicionFueraDelContenidoNoCopiaNada) {
  CL_BUFFER_FLUJO b;
  Llenar(b, 100);
  ASSERT_EQ(b.Posicionar(90, 0), 0);
  b.CL_BUFFER::FijarLongitud(10);  // the plain length change leaves the position behind
  char destino[8] = {};
  uint32_t cuenta = 7;
  EXPECT_EQ(b.Leer(destino, sizeof destino, &cuenta), -1);
  EXPECT_EQ(cuenta, 0u);
  EXPECT_EQ(b.ObtenerPosicion(), 90u);
}

TEST(ClBufferFlujoTest, LeerSinDestinoNoAvanza) {
  CL_BUFFER_FLUJO b;
  Llenar(b, 10);
  uint32_t cuenta = 7;
  EXPECT_EQ(b.Leer(nullptr, 5, &cuenta), -1);
  EXPECT_EQ(cuenta, 0u);
  EXPECT_EQ(b.ObtenerPosicion(), 0u);
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
    if (caso.posicion < 0) {
      ASSERT_EQ(b.Posicionar(0, 2), 0);
    } else if (caso.posicion > 0) {
      ASSERT_EQ(b.Posicionar(caso.posicion, 0), 0);
    }
    b.FijarEscribible(caso.escribible);
    EXPECT_EQ(b.Escribir(caso.datos.data(), static_cast<uint32_t>(caso.datos.size())),
              caso.resultado);
    EXPECT_EQ(Texto(b), caso.esperado);
    EXPECT_EQ(b.Datos()[b.Longitud()], 0);
    EXPECT_EQ(b.ObtenerPosicion(), caso.posicion_final);
  }
}

TEST(ClBufferFlujoTest, FijarLongitudRetiraLaPosicion) {
  struct Caso {
    const char* nombre;
    uint32_t posicion;
    uint32_t longitud;
    uint32_t esperada;
  };
  const Caso casos[] = {
      {"posicion mas alla", 40, 10, 9},
      {"posicion en la nueva longitud", 10, 10, 9},
      {"posicion dentro", 5, 10, 5},
      {"longitud cero", 40, 0, 0},
      {"crecer", 40, 30000, 40},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    for (bool tamano : {false, true}) {
      CL_BUFFER_FLUJO b;
      Llenar(b, 100);
      ASSERT_EQ(b.Posicionar(static_cast<int32_t>(caso.posicion), 0), 0);
      EXPECT_EQ(tamano ? b.FijarTamano(caso.longitud) : b.FijarLongitud(caso.longitud), 0);
      EXPECT_EQ(b.Longitud(), caso.longitud);
      EXPECT_EQ(b.LongitudTotal(), caso.longitud);
      EXPECT_GT(b.Capacidad(), caso.longitud);
      EXPECT_EQ(b.ObtenerPosicion(), caso.esperada);
    }
  }
}

TEST(ClBufferFlujoTest, VaciarDevuelveElEstadoInicial) {
  struct Caso {
    const char* nombre;
    uint32_t longitud;
    uint32_t capacidad_final;
  };
  const Caso casos[] = {
      {"bloque pequeno se conserva", 39999, 40000},
      {"bloque grande se renueva", 40000, 10000},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_BUFFER_FLUJO b;
    Llenar(b, caso.longitud);
    b.FijarNombre("adjunto.txt");
    b.FijarEscribible(1);
    ASSERT_EQ(b.Posicionar(-1, 2), 0);
    b.Vaciar();
    EXPECT_EQ(b.Longitud(), 0u);
    EXPECT_EQ(b.Datos()[0], 0);
    EXPECT_EQ(b.Capacidad(), caso.capacidad_final);
    EXPECT_EQ(b.ObtenerPosicion(), 0u);
    EXPECT_STREQ(b.Nombre(), "");
    EXPECT_EQ(b.Escribible(), 0u);
  }
}

TEST(ClBufferFlujoTest, NombreGuardaDoscientosCaracteres) {
  struct Caso {
    const char* nombre;
    const char* entrada;
    std::string esperado;
  };
  const std::string largo(300, 'n');
  const std::string doscientos(200, 'n');
  const Caso casos[] = {
      {"corto", "carta.doc", "carta.doc"},
      {"vacio", "", ""},
      {"nulo", nullptr, ""},
      {"200 exactos", doscientos.c_str(), doscientos},
      {"mas de 200", largo.c_str(), doscientos},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_BUFFER_FLUJO b;
    b.FijarNombre("anterior");
    b.FijarNombre(caso.entrada);
    EXPECT_EQ(std::string(b.Nombre()), caso.esperado);
  }
}

TEST(ClBufferFlujoTest, CopiarEstadoNoCopiaElContenido) {
  CL_BUFFER_FLUJO a;
  Llenar(a, 50);
  a.FijarNombre("a.bin");
  a.FijarEscribible(1);
  ASSERT_EQ(a.Posicionar(20, 0), 0);
  CL_BUFFER_FLUJO b;
  b.Anadir("xyz", 3);
  b.CopiarEstado(a);
  EXPECT_EQ(b.ObtenerPosicion(), 20u);
  EXPECT_STREQ(b.Nombre(), "a.bin");
  EXPECT_EQ(b.Escribible(), 1u);
  EXPECT_EQ(Texto(b), "xyz");
}

// How the write-backs read a rewritten message: size from a seek to the end, then chunks.
TEST(ClBufferFlujoTest, LecturaDeUnMensajeReescrito) {
  CL_BUFFER_FLUJO b;
  b.FijarEscribible(1);
  std::string mensaje;
  for (int i = 0; i < 3000; ++i) mensaje += "Linea " + std::to_string(i) + "\r\n";
  ASSERT_EQ(b.Escribir(mensaje.data(), static_cast<uint32_t>(mensaje.size())), 0);
  ASSERT_EQ(b.Posicionar(0, 2), 0);
  EXPECT_EQ(b.ObtenerPosicion(), mensaje.size());
  ASSERT_EQ(b.Posicionar(0, 0), 0);
  std::string leido;
  char trozo[4096];
  uint32_t cuenta = 0;
  do {
    ASSERT_EQ(b.Leer(trozo, sizeof trozo, &cuenta), 0);
    leido.append(trozo, cuenta);
  } while (cuenta > 0);
  EXPECT_EQ(leido, mensaje);
}

TEST(ClBufferFlujoTest, AnadidoDirectoNoMueveLaPosicion) {
  CL_BUFFER_FLUJO b;
  b.Anadir("abc", 3);
  ASSERT_EQ(b.Posicionar(1, 0), 0);
  char* hueco = b.PrepararAnadido(25000);
  ASSERT_GT(b.Capacidad(), 3u + 25000u);
  for (int i = 0; i < 4; ++i) hueco[i] = 'W';
  b.ConfirmarAnadido(4);
  EXPECT_EQ(Texto(b), "abcWWWW");
  EXPECT_EQ(b.Datos()[b.Longitud()], 0);
  EXPECT_EQ(b.ObtenerPosicion(), 1u);
}

TEST(ClBufferFlujoTest, AnadidoDirectoQueNoCabeEnTreintaYDosBitsLanza) {
  CL_BUFFER_FLUJO b;
  b.Anadir("abc", 3);
  for (uint64_t n : {uint64_t{0xFFFFFFFFu}, uint64_t{0xFFFFFFFFu} - 3, uint64_t{1} << 40}) {
    SCOPED_TRACE(n);
    EXPECT_THROW(b.PrepararAnadido(n), CL_EXCEPCION_MEMORIA);
    EXPECT_EQ(Texto(b), "abc");
  }
}

// The locked operations stay whole when several threads write to one buffer.
TEST(ClBufferFlujoTest, EscriturasConcurrentesNoSePierden) {
  CL_BUFFER_FLUJO b;
  b.FijarEscribible(1);
  constexpr int kHilos = 4;
  constexpr int kEscrituras = 3000;
  std::vector<std::thread> hilos;
  for (int h = 0; h < kHilos; ++h) {
    hilos.emplace_back([&b, h] {
      const char c = static_cast<char>('a' + h);
      for (int i = 0; i < kEscrituras; ++i) b.Escribir(&c, 1);
    });
  }
  for (auto& h : hilos) h.join();
  EXPECT_EQ(b.Longitud(), uint32_t{kHilos * kEscrituras});
  EXPECT_EQ(b.ObtenerPosicion(), uint32_t{kHilos * kEscrituras});
  for (int h = 0; h < kHilos; ++h) {
    EXPECT_EQ(std::count(b.Datos(), b.Datos() + b.Longitud(), 'a' + h), kEscrituras);
  }
}

}  // namespace
}  // namespace orvex
