#include "pruebas/imn_constructor.h"

#include <algorithm>
#include <filesystem>

#include "almacen_imn/formato_imn.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/imagen.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {

namespace {

using namespace imnfmt;

void Pon32(std::vector<uint8_t>& b, std::size_t pos, uint32_t v) {
  if (b.size() < pos + 4) b.resize(pos + 4);
  for (int i = 0; i < 4; ++i) b[pos + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Anadir32(std::vector<uint8_t>& b, uint32_t v) { Pon32(b, b.size(), v); }
void Anadir64(std::vector<uint8_t>& b, uint64_t v) {
  Anadir32(b, static_cast<uint32_t>(v));
  Anadir32(b, static_cast<uint32_t>(v >> 32));
}
// A counted text: its length with the NUL, then the bytes and the NUL.
void AnadirTexto(std::vector<uint8_t>& b, const std::string& s) {
  Anadir32(b, static_cast<uint32_t>(s.size() + 1));
  b.insert(b.end(), s.begin(), s.end());
  b.push_back(0);
}

std::vector<uint8_t> Registro(const MensajeImn& m, uint32_t pos, uint32_t pos_bloque, uint32_t tam_bloque) {
  std::vector<uint8_t> r(kLongCabRegistro, 0);
  // Bytes nobody interprets get a recognisable value, so a test sees them carried.
  for (uint32_t i : {4u, 5u, 6u, 7u, 28u, 29u, 30u, 31u, 32u, 33u, 46u, 47u, 54u, 55u}) r[i] = 0xA5;
  Pon32(r, kRegFlags, m.muerto ? kFlagMuerto | 0x100u : 0x100u);
  Pon32(r, kRegIdMensaje, m.id);
  Pon32(r, kRegPosPropia, pos);
  Pon32(r, kRegPosBuzon, pos_bloque);
  Pon32(r, kRegTamBuzon, tam_bloque);
  r[kRegBytePartes] = m.byte_partes;
  Pon32(r, kRegLongTexto, static_cast<uint32_t>(m.texto.size()));
  Pon32(r, kRegNumEntradas, static_cast<uint32_t>(m.entradas.size()));
  for (const EntradaImn& e : m.entradas) {
    const std::size_t base = r.size();
    r.resize(base + kLongEntrada, e.relleno);
    Pon32(r, base + kEntInicio, e.inicio);
    Pon32(r, base + kEntLongitud, e.longitud);
  }
  Anadir64(r, m.fechas[0]);
  Anadir64(r, m.fechas[1]);
  r.push_back(0x5A);
  r.push_back(0x5A);
  AnadirTexto(r, m.asunto);
  AnadirTexto(r, m.texto2);
  AnadirTexto(r, m.de);
  Pon32(r, kRegLongitud, static_cast<uint32_t>(r.size()));
  return r;
}

}  // namespace

MapaImn ConstruirBuzonImn(const BuzonImn& buzon) {
  MapaImn mapa;
  mapa.mbx.assign(kLongCabMbx, 0);
  mapa.idx.assign(kLongCabIdx, 0);
  uint32_t ultimo = 0;
  uint32_t vivos = 0;
  for (const MensajeImn& m : buzon.mensajes) {
    const uint32_t pos_bloque = static_cast<uint32_t>(mapa.mbx.size());
    const uint32_t largo = static_cast<uint32_t>(m.texto.size());
    const uint32_t relleno = (kAlineacionBloque - largo % kAlineacionBloque) % kAlineacionBloque;
    const uint32_t tam = kLongCabBloque + largo + relleno;
    Anadir32(mapa.mbx, m.primera_palabra);
    Anadir32(mapa.mbx, m.id);
    Anadir32(mapa.mbx, tam);
    Anadir32(mapa.mbx, largo);
    mapa.mbx.insert(mapa.mbx.end(), m.texto.begin(), m.texto.end());
    mapa.mbx.resize(mapa.mbx.size() + relleno, 0);
    mapa.bloques.push_back(pos_bloque);

    const uint32_t pos = static_cast<uint32_t>(mapa.idx.size());
    const std::vector<uint8_t> r = Registro(m, pos, pos_bloque, tam);
    mapa.idx.insert(mapa.idx.end(), r.begin(), r.end());
    mapa.registros.push_back(pos);
    ultimo = std::max(ultimo, m.id);
    if (!m.muerto) ++vivos;
  }
  Pon32(mapa.mbx, kMbxFirma, kFirmaMbx);
  Pon32(mapa.mbx, kMbxVersion, kVersionMbx);
  Pon32(mapa.mbx, kMbxNumRegistros, static_cast<uint32_t>(buzon.mensajes.size()));
  Pon32(mapa.mbx, kMbxUltimoId, buzon.ultimo_id.value_or(ultimo));
  Pon32(mapa.mbx, kMbxTamDatos, static_cast<uint32_t>(mapa.mbx.size() - kLongCabMbx));
  Pon32(mapa.idx, kIdxFirma, buzon.indice == IndiceImn::kAjeno ? 0x12345678u : kFirmaIdx);
  Pon32(mapa.idx, kIdxVersion, kVersionIdx);
  Pon32(mapa.idx, kIdxNumMensajes, buzon.num_mensajes.value_or(vivos));
  Pon32(mapa.idx, kIdxFinRegistros, static_cast<uint32_t>(mapa.idx.size()));
  return mapa;
}

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

uint64_t FileTimeUtc(int anio, int mes, int dia, int hora, int minuto) {
  return FileTime(anio, mes, dia, hora, minuto);
}

std::map<std::string, MapaImn> EscribirAlmacenImn(const std::string& raiz, const std::vector<BuzonImn>& buzones) {
  std::map<std::string, MapaImn> mapas;
  const std::string dir = raiz + "/" + kDirectorioCorreo;
  std::filesystem::create_directories(dir);
  for (const BuzonImn& b : buzones) {
    MapaImn mapa = ConstruirBuzonImn(b);
    EscribirImagen(dir + "/" + b.nombre + ".mbx", mapa.mbx);
    if (b.indice != IndiceImn::kAusente) EscribirImagen(dir + "/" + b.nombre + ".idx", mapa.idx);
    mapas.emplace(b.nombre, std::move(mapa));
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
  MensajeImn m;
  m.id = id;
  m.texto = std::move(texto);
  m.asunto = std::move(asunto);
  m.texto2 = "luis@ejemplo.es";
  m.de = "ana@ejemplo.es";
  m.fechas[0] = FileTimeUtc(1999, 3, 5, 14, 7);
  m.fechas[1] = FileTimeUtc(2001, 1, 2, 3, 4);
  m.entradas = EntradasPorFronteras(m.texto, kFronteraImn);
  if (m.entradas.empty()) m.entradas.push_back({0, static_cast<uint32_t>(m.texto.size()), 0x30});
  return m;
}

std::vector<BuzonImn> AlmacenImnEjemplo() {
  BuzonImn inbox;
  inbox.nombre = "Inbox";
  inbox.mensajes.push_back(MensajeVivo(1, MensajeSimple(), "Hola"));
  MensajeImn muerto = MensajeVivo(2, MensajeSimple(FinDeLinea::kLf), "Viejo");
  muerto.muerto = true;
  inbox.mensajes.push_back(muerto);
  const std::string largo(300, 'S');
  inbox.mensajes.push_back(MensajeVivo(3, MensajeConAdjuntosImn({{"report.doc", "PK\x03\x04 binary report"}}, largo), largo));
  MensajeImn sin_tabla = MensajeVivo(5, MensajeSimple(FinDeLinea::kLf), "Sin tabla");
  sin_tabla.entradas.clear();
  inbox.mensajes.push_back(sin_tabla);

  BuzonImn sent;
  sent.nombre = "Sent";
  sent.mensajes.push_back(
      MensajeVivo(7, MensajeConAdjuntosImn({{"a.exe", "MZ first program"}, {"b.txt", "second file\r\n"}}), "Dos"));

  BuzonImn drafts;
  drafts.nombre = "Drafts";
  drafts.indice = IndiceImn::kAjeno;
  drafts.mensajes.push_back(MensajeVivo(1, MensajeSimple(), "Borrador"));
  return {inbox, sent, drafts};
}

}  // namespace orvex::pruebas
