#include "mime/cabeceras.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "pruebas/tablas.h"
#include "soporte/texto.h"

namespace orvex {
namespace {

// A scanner's output field, exactly its width so that a sanitizer build catches a write past
// it, as the table writes it: behind "!" when the scanner reported nothing.
template <std::size_t N, class Leer>
std::string Salida(Leer leer) {
  char campo[N];
  std::memcpy(campo, "keep", 5);  // clang refuses a string initialiser here
  const bool hallado = leer(campo);
  return (hallado ? "" : "!") + std::string(campo);
}

// What one recogniser answers for one text (the table's header says how answers are written).
std::string Reconocer(const std::string& pregunta, const std::string& texto) {
  const std::string que = pregunta.substr(0, pregunta.find(' '));
  const std::string arg = que.size() < pregunta.size() ? pregunta.substr(que.size() + 1) : "";
  const char* t = texto.c_str();
  if (que == "tipo") return std::to_string(ClasificarTipo(t));
  if (que == "subtipo") return std::to_string(ClasificarSubtipo(std::stoul(arg), t));
  if (que == "codificacion") return std::to_string(ClasificarCodificacion(t));
  if (que == "cabecera") return std::to_string(EsCabecera(t, arg.c_str()));
  if (que == "fin") return std::to_string(EsFinDeCabecera(t));
  if (que == "delimitador") {
    return std::to_string(EsDelimitador(t, arg.c_str(), false)) + std::to_string(EsDelimitador(t, arg.c_str(), true));
  }
  if (que == "mime-version") {
    bool token = true;
    const bool hallado = BuscarMimeVersion(t, &token);
    return (hallado ? "" : "!") + std::string(token ? "token" : "-");
  }
  if (que == "tipo/subtipo") {
    char tipo[kLongTextoTipo] = "";
    char subtipo[kLongTextoTipo] = "";
    const bool hallado = LeerTipoYSubtipo(t, tipo, subtipo);
    return (hallado ? "" : "!") + std::string(tipo) + "|" + subtipo;
  }
  if (que == "frontera") return Salida<kLongFrontera>([t](auto& campo) { return LeerFrontera(t, campo); });
  if (que == "nombre") return Salida<kLongNombreMime>([t](auto& campo) { return LeerNombre(t, campo); });
  if (que == "token") return Salida<kLongToken>([t](auto& campo) { return LeerCodificacion(t, campo); });
  if (que == "id") return Salida<kLongIdMensaje>([t](auto& campo) { return LeerIdMensaje(t, campo); });
  const std::string r = Salida<kLongDireccion>([t](auto& campo) { return ExtraerDireccion(t, campo); });
  return r[0] == '!' ? "!" : r;
}

TEST(CabecerasTest, Reconocedores) {
  const auto filas = pruebas::Filas(
#include "pruebas/datos/cabeceras_mime.inc"
  );
  ASSERT_GE(filas.size(), 140u);
  for (const std::vector<std::string>& fila : filas) {
    SCOPED_TRACE(testing::PrintToString(fila.at(0) + ": " + fila.at(1).substr(0, 40)));
    EXPECT_EQ(Reconocer(fila[0], fila[1]), fila.at(2));
  }
}

// The one-pass walk of a To value gives exactly the entries ObtenerCampo gives one by one.
TEST(CabecerasTest, CamposDeToComoObtenerCampo) {
  std::mt19937 azar(20261205);
  const char alfabeto[] = {',', ',', ' ', '\t', ':', 'a', 'b', '<', '>', '\r', '\n', '\xe9'};
  for (int vuelta = 0; vuelta < 20000; ++vuelta) {
    // The first value holds an entry longer than the field, which random values rarely do.
    std::string valor(vuelta == 0 ? 300 : azar() % (vuelta < 19000 ? 24 : 700), 'p');
    for (char& c : valor) c = vuelta == 0 ? c : alfabeto[azar() % sizeof alfabeto];
    std::vector<std::string> recorridos, uno_a_uno;
    RecorrerCamposPara(valor.c_str(), [&](const char* campo) {
      recorridos.emplace_back(campo);
      return true;
    });
    char campo[kMaxCampoPara + 1];
    for (uint32_t i = 1; i <= ContarCampos(valor.c_str(), ','); ++i) {
      if (ObtenerCampo(i, ',', valor.c_str(), campo, kMaxCampoPara) == 0) uno_a_uno.emplace_back(campo);
    }
    ASSERT_EQ(recorridos, uno_a_uno) << valor;
    EXPECT_TRUE(vuelta > 0 || recorridos == std::vector<std::string>{valor.substr(0, kMaxCampoPara)});
  }
}

}  // namespace
}  // namespace orvex
