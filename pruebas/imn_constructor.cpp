#include "pruebas/imn_constructor.h"

#include <filesystem>

#include "almacen_imn/formato_imn.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {

using namespace imnfmt;

namespace {

// The part entries of a MIME text as this store measures parts: a part runs from the line that
// opens it (the first line of the text, then each line that starts with "--" + frontera) to
// the line end before the next such line. The closing delimiter opens no part.
std::vector<EntradaImn> EntradasPorFronteras(const std::string& texto, const std::string& frontera) {
  const std::string abre = "--" + frontera;
  std::vector<uint32_t> delimitadores;  // every delimiter line, the closing one included
  std::size_t aperturas = 0;
  for (std::size_t a = 0; a < texto.size();) {
    std::size_t b = texto.find('\n', a);
    b = b == std::string::npos ? texto.size() : b + 1;
    if (texto.compare(a, abre.size(), abre) == 0) {
      delimitadores.push_back(static_cast<uint32_t>(a));
      if (texto.compare(a + abre.size(), 2, "--") != 0) ++aperturas;
    }
    a = b;
  }
  // The first part's scan starts at the top of the text and reads its own delimiter on the way;
  // every later part starts at the delimiter that completed the one before.
  std::vector<EntradaImn> entradas;
  for (std::size_t i = 0; i < aperturas; ++i) {
    const uint32_t inicio = i == 0 ? 0 : delimitadores[i];
    const uint32_t fin = i + 1 < delimitadores.size() ? delimitadores[i + 1] : static_cast<uint32_t>(texto.size()) + 2;
    entradas.push_back({inicio, fin - 2 - inicio, static_cast<uint8_t>(0x30 + i)});
  }
  return entradas;
}

}  // namespace

std::map<std::string, MapaImn> EscribirAlmacenImn(const std::string& raiz, const std::vector<BuzonImn>& buzones) {
  std::map<std::string, MapaImn> mapas;
  const std::string dir = raiz + "/" + kDirectorioCorreo;
  std::filesystem::create_directories(dir);
  for (const BuzonImn& b : buzones) {
    const MapaImn& mapa = mapas[b.nombre] = ConstruirBuzonImn(b);
    EscribirImagen(dir + "/" + b.nombre + ".mbx", mapa.mbx);
    if (b.indice != IndiceImn::kAusente) EscribirImagen(dir + "/" + b.nombre + ".idx", mapa.idx);
  }
  return mapas;
}

void DescribirRegistroImn(RegistroPrueba& registro, const std::optional<std::string>& raiz) {
  registro.Clave(kClaveImnRegistro);
  if (raiz) registro.Cadena(kClaveImnRegistro, kValorRaiz, *raiz);
}

std::string MensajeConAdjuntosImn(const std::vector<std::pair<std::string, std::string>>& adjuntos,
                                  const std::string& asunto, FinDeLinea fin) {
  std::vector<ParteMime> partes = {TextoPlano("See the attachments.\n")};
  for (const auto& [nombre, bytes] : adjuntos) {
    ParteMime p;
    p.Cabecera("Content-Type", "application/octet-stream; name=\"" + nombre + "\"");
    p.Cabecera("Content-Transfer-Encoding", "base64");
    p.Cabecera("Content-Disposition", "attachment; filename=\"" + nombre + "\"");
    p.cuerpo = Base64(bytes);
    partes.push_back(std::move(p));
  }
  return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", asunto,
                          Multiparte("mixed", std::move(partes), kFronteraImn)),
                  fin);
}

MensajeImn MensajeVivo(uint32_t id, std::string texto, std::string asunto) {
  std::vector<EntradaImn> entradas = EntradasPorFronteras(texto, kFronteraImn);
  MensajeImn m{.id = id,
               .texto = std::move(texto),
               .fechas = {FileTime(1999, 3, 5, 14, 7), FileTime(2001, 1, 2, 3, 4)},
               .asunto = std::move(asunto),
               .texto2 = "luis@ejemplo.es",
               .de = "ana@ejemplo.es",
               .entradas = std::move(entradas)};
  if (m.entradas.empty()) m.entradas.push_back({0, static_cast<uint32_t>(m.texto.size()), 0x30});
  return m;
}

std::vector<BuzonImn> AlmacenImnEjemplo() {
  MensajeImn muerto = MensajeVivo(2, MensajeSimple(FinDeLinea::kLf), "Viejo");
  muerto.muerto = true;
  const std::string largo(300, 'S');
  MensajeImn sin_tabla = MensajeVivo(5, MensajeSimple(FinDeLinea::kLf), "Sin tabla");
  sin_tabla.entradas.clear();
  BuzonImn drafts = Buzon("Drafts", {MensajeVivo(1, MensajeSimple(), "Borrador")});
  drafts.indice = IndiceImn::kAjeno;
  const std::string informe = MensajeConAdjuntosImn({{"report.doc", "PK\x03\x04 binary report"}}, largo);
  const std::string adjuntos = MensajeConAdjuntosImn({{"a.exe", "MZ first program"}, {"b.txt", "second file\r\n"}});
  return {Buzon("Inbox", {MensajeVivo(1, MensajeSimple(), "Hola"), muerto, MensajeVivo(3, informe, largo), sin_tabla}),
          Buzon("Sent", {MensajeVivo(7, adjuntos, "Dos")}), drafts};
}

}  // namespace orvex::pruebas
