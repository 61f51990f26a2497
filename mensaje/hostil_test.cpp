// Hostile message texts through the message object and the destination listing: every one
// must give a result code in bounded time and memory, and the parser's caps must hold.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api/estado.h"
#include "api/orvex.h"
#include "mensaje/buffer_flujo.h"
#include "mensaje/objeto_interno.h"
#include "mime/analizador.h"
#include "pruebas/mensajes_mime.h"

namespace orvex {
namespace {

using pruebas::RegistroMensaje;

// Full sizes only on request; by default an eighth, so that emulated and sanitized runs stay short.
std::size_t Escala(std::size_t completo) {
  return std::getenv("ORVEX_PRUEBAS_GRANDES") != nullptr ? completo : completo / 8;
}

// A generous bound against quadratic blow-ups, not a performance figure.
constexpr double kSegundosMaximos = 20.0;

// Resident set in bytes, from /proc/self/status; 0 where it cannot be read.
std::size_t Residente() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return 0;
  char linea[256];
  std::size_t kb = 0;
  while (std::fgets(linea, sizeof linea, f) != nullptr) {
    if (std::strncmp(linea, "VmRSS:", 6) == 0) kb = std::strtoull(linea + 6, nullptr, 10);
  }
  std::fclose(f);
  return kb * 1024;
}

// What a host sees when it reads every part.
struct Lectura {
  uint32_t apertura = 99;
  uint32_t final = 99;
  std::size_t partes = 0;
  std::vector<std::string> nombres;
  std::vector<std::size_t> longitudes;
  std::string primera;         // content of the first part
  uint32_t profundidad = 0;    // deepest parser stack seen
  std::size_t residente = 0;   // growth of the resident set while reading
  double segundos = 0;
};

Lectura LeerPartes(OE_MENSAJE* mensaje, std::size_t max_partes) {
  Lectura l;
  const std::size_t antes = Residente();
  const auto inicio = std::chrono::steady_clock::now();
  std::size_t pico = antes;
  OE_OBJMSG* objeto = nullptr;
  l.apertura = OE_ObtenerObjMsg(mensaje, &objeto, OE_PRIMERO);
  if (l.apertura == OE_OK && objeto != nullptr) {
    uint32_t r;
    while ((r = OE_ObtenerObjMsg(mensaje, &objeto, OE_SIGUIENTE)) == OE_OK) {
      const auto* analizador = mensaje::AnalizadorDe(objeto);
      if (analizador != nullptr && analizador->NumPartes > l.profundidad) l.profundidad = analizador->NumPartes;
      const auto* contenido = static_cast<const CL_BUFFER_FLUJO*>(objeto->Contenido);
      if (l.partes == 0) l.primera.assign(contenido->Datos(), contenido->Longitud());
      if (l.nombres.size() < 16) l.nombres.emplace_back(objeto->NombreAdjunto);
      l.longitudes.push_back(contenido->Longitud());
      if (++l.partes % 4096 == 0) pico = std::max(pico, Residente());
      if (l.partes > max_partes) break;
    }
    l.final = r;
    if (objeto != nullptr) {
      EXPECT_EQ(OE_ObtenerObjMsg(mensaje, &objeto, OE_CERRAR), OE_OK);
    }
  }
  pico = std::max(pico, Residente());
  l.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  l.residente = pico > antes ? pico - antes : 0;
  return l;
}

struct ListaDestinos {
  uint32_t apertura = 99;
  uint32_t final = 99;
  uint32_t num_destinos = 0;
  std::vector<std::string> destinos;
  double segundos = 0;
  std::size_t residente = 0;
};

ListaDestinos LeerDestinos(OE_MENSAJE* mensaje) {
  ListaDestinos l;
  const std::size_t antes = Residente();
  const auto inicio = std::chrono::steady_clock::now();
  OE_DESTINO* destino = nullptr;
  l.apertura = OE_ObtenerDestinoMsg(mensaje, &destino, OE_PRIMERO);
  std::size_t pico = Residente();
  if (l.apertura == OE_OK && destino != nullptr) {
    l.num_destinos = destino->NumDestinos;
    uint32_t r;
    while ((r = OE_ObtenerDestinoMsg(mensaje, &destino, OE_SIGUIENTE)) == OE_OK) {
      l.destinos.emplace_back(destino->Destino);
      if (l.destinos.size() > 2 * CL_ANALIZADOR_MIME::kMaxDestinatarios) break;
    }
    l.final = r;
    EXPECT_EQ(OE_ObtenerDestinoMsg(mensaje, &destino, OE_CERRAR), OE_OK);
    EXPECT_EQ(destino, nullptr);
  }
  pico = std::max(pico, Residente());
  l.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  l.residente = pico > antes ? pico - antes : 0;
  return l;
}

// Growth allowed while reading a text of n bytes.
std::size_t CotaMemoria(std::size_t n) { return 4 * n + (std::size_t{64} << 20); }

const char kCabeceraMixta[] =
    "From: a@b\r\nSubject: hostil\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n";

class HostilTest : public ::testing::Test {
 protected:
  void SetUp() override { VersionOE = VERSION_OE5; }
  void TearDown() override { VersionOE = VERSION_NINGUNA; }

  // Reads the text both ways and checks the guards every case shares.
  Lectura Recorrer(const std::string& texto, std::size_t max_partes = 1'000'000) {
    RegistroMensaje mensaje(texto);
    Lectura l = LeerPartes(mensaje.Puntero(), max_partes);
    EXPECT_EQ(l.apertura, OE_OK);
    EXPECT_EQ(l.final, OE_FIN);
    EXPECT_LE(l.partes, max_partes);
    EXPECT_LT(l.segundos, kSegundosMaximos);
    EXPECT_LT(l.residente, CotaMemoria(texto.size()));
    EXPECT_LE(l.profundidad, CL_ANALIZADOR_MIME::kProfundidadMaxima);
    ListaDestinos d = LeerDestinos(mensaje.Puntero());
    EXPECT_EQ(d.apertura, OE_OK);
    EXPECT_EQ(d.final, OE_FIN);
    EXPECT_LT(d.segundos, kSegundosMaximos);
    EXPECT_LT(d.residente, CotaMemoria(texto.size()));
    return l;
  }
};

TEST_F(HostilTest, AnidamientoProfundoSeCortaEnElLimite) {
  struct Caso {
    const char* nombre;
    std::size_t niveles;
  };
  const Caso casos[] = {{"justo bajo el limite", CL_ANALIZADOR_MIME::kProfundidadMaxima - 2},
                        {"miles de niveles", 5000}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::string texto = "From: a@b\r\nMIME-Version: 1.0\r\n";
    for (std::size_t i = 0; i < caso.niveles; ++i) {
      texto += "Content-Type: multipart/mixed; boundary=\"n" + std::to_string(i) + "\"\r\n\r\n--n" +
               std::to_string(i) + "\r\n";
    }
    texto += "Content-Type: text/plain\r\n\r\nfondo\r\n";
    for (std::size_t i = caso.niveles; i-- > 0;) texto += "--n" + std::to_string(i) + "--\r\n";
    const Lectura l = Recorrer(texto);
    if (caso.niveles < CL_ANALIZADOR_MIME::kProfundidadMaxima) {
      // Below the cap the innermost text part is handed out as usual.
      ASSERT_EQ(l.partes, 1u);
      EXPECT_EQ(l.primera, std::string("fondo\r\n") + '\0');
      EXPECT_EQ(l.profundidad, caso.niveles);  // seen once the text part has been closed
    } else {
      // Past it the rest is body text of a multipart, which no host is given.
      EXPECT_EQ(l.partes, 0u);
    }
  }
}

TEST_F(HostilTest, ToDeUnMillonDeDireccionesGuardaMilComoMucho) {
  struct Caso {
    const char* nombre;
    const char* separador;  // between two addresses
  };
  const Caso casos[] = {{"plegado en un millon de lineas", ",\r\n\t"}, {"una sola linea", ", "}};
  const std::size_t n = Escala(1'000'000);
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::string texto = "From: a@b\r\nTo: ";
    for (std::size_t i = 0; i < n; ++i) {
      if (i != 0) texto += caso.separador;
      texto += "d" + std::to_string(i) + "@x";
    }
    texto += "\r\nSubject: muchos\r\n\r\ncuerpo\r\n";
    const Lectura l = Recorrer(texto);
    EXPECT_EQ(l.partes, 1u);
    RegistroMensaje mensaje(texto);
    const ListaDestinos d = LeerDestinos(mensaje.Puntero());
    EXPECT_EQ(d.num_destinos, CL_ANALIZADOR_MIME::kMaxDestinatarios);
    ASSERT_EQ(d.destinos.size(), CL_ANALIZADOR_MIME::kMaxDestinatarios);
    EXPECT_EQ(d.destinos.front(), "d0@x");
    EXPECT_EQ(d.destinos.back(), "d" + std::to_string(CL_ANALIZADOR_MIME::kMaxDestinatarios - 1) + "@x");
  }
}

TEST_F(HostilTest, LineasDeMegabytes) {
  const std::size_t n = Escala(16u << 20);
  // A line of n bytes that never ends, as the body of a plain message.
  {
    SCOPED_TRACE("linea sin fin");
    const std::string linea(n, 'x');
    const Lectura l = Recorrer("From: a@b\r\nSubject: larga\r\n\r\n" + linea);
    ASSERT_EQ(l.partes, 1u);
    EXPECT_EQ(l.primera, linea + '\0');
  }
  // One base64 line holding n encoded bytes, as an attachment.
  {
    SCOPED_TRACE("base64 en una linea");
    std::string bytes(n / 4 * 3, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + (i >> 8));
    std::string b64 = pruebas::Base64(bytes);
    std::string una;
    una.reserve(b64.size());
    for (char c : b64) {
      if (c != '\n') una += c;
    }
    const std::string texto = std::string(kCabeceraMixta) +
                              "--f\r\nContent-Type: application/octet-stream; name=\"g.bin\"\r\n"
                              "Content-Transfer-Encoding: base64\r\n\r\n" +
                              una + "\r\n--f--\r\n";
    const Lectura l = Recorrer(texto);
    ASSERT_EQ(l.partes, 1u);
    EXPECT_EQ(l.nombres[0], "g.bin");
    EXPECT_EQ(l.primera.size(), bytes.size());
    EXPECT_TRUE(l.primera == bytes);
  }
}

TEST_F(HostilTest, BytesNul) {
  struct Caso {
    const char* nombre;
    std::string texto;
  };
  const std::string nul(1, '\0');
  const Caso casos[] = {
      {"cabeceras y cuerpo con NUL",
       "From: a" + nul + "@b\r\nTo: c@d" + nul + ", e@f\r\nSubject: s" + nul + "x\r\n\r\ncu" + nul + "erpo\r\n"},
      {"frontera con NUL",
       "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f" + nul + "g\"\r\n\r\n--f" + nul +
           "g\r\n\r\nuno\r\n--f" + nul + "g--\r\n"},
      {"solo NUL", std::string(100'000, '\0')},
      {"NUL en vez de fines de linea", "From: a@b" + nul + "To: c@d" + nul + nul + "cuerpo"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Recorrer(caso.texto);
  }
}

TEST_F(HostilTest, UnaFronteraEnCadaLinea) {
  const std::size_t n = Escala(100'000);
  // Nothing but delimiters: every part is empty.
  {
    SCOPED_TRACE("solo delimitadores");
    std::string texto = kCabeceraMixta;
    for (std::size_t i = 0; i < n; ++i) texto += "--f\r\n";
    texto += "--f--\r\n";
    // Parts without headers or body are not handed out.
    EXPECT_EQ(Recorrer(texto, n + 1).partes, 0u);
  }
  // A delimiter before every body line: one part per line, all handed out.
  {
    SCOPED_TRACE("una parte por linea");
    std::string texto = kCabeceraMixta;
    for (std::size_t i = 0; i < n; ++i) texto += "--f\r\n\r\nl" + std::to_string(i) + "\r\n";
    texto += "--f--\r\n";
    const Lectura l = Recorrer(texto, n + 1);
    ASSERT_EQ(l.partes, n);
    EXPECT_EQ(l.primera, std::string("l0\r\n") + '\0');
  }
}

TEST_F(HostilTest, FronteraVaciaOEnorme) {
  struct Caso {
    const char* nombre;
    std::string frontera;  // as written in the boundary parameter, with its quotes if any
    std::string delimitador;  // the delimiter lines' text after "--"
    std::size_t partes;       // parts handed out
  };
  const std::string enorme(100'000, 'b');
  // An empty quoted value is no quoted boundary: the unquoted reading keeps the quotes and the
  // CR, which no "--" line matches. An empty unquoted one is the CR alone, which "--" CR LF
  // matches. A boundary too long for its field is cut, and its delimiters still match.
  const Caso casos[] = {
      {"vacia entre comillas", "\"\"", "", 0},
      {"vacia sin comillas", "", "", 2},
      {"de 100 KB", "\"" + enorme + "\"", enorme, 2},
      {"de 100 KB sin comillas", enorme, enorme, 2},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const std::string texto = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=" + caso.frontera +
                              "\r\n\r\npreambulo\r\n--" + caso.delimitador + "\r\n\r\nuno\r\n--" +
                              caso.delimitador + "\r\n\r\ndos\r\n--" + caso.delimitador + "--\r\n";
    const Lectura l = Recorrer(texto);
    ASSERT_EQ(l.partes, caso.partes);
    if (caso.partes != 0) {
      EXPECT_EQ(l.primera, std::string("uno\r\n") + '\0');
    }
  }
}

}  // namespace
}  // namespace orvex
