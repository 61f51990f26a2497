#include "pruebas/dbx_constructor.h"

#include <algorithm>
#include <stdexcept>

#include "almacen_oe5/formato_dbx.h"

namespace orvex::pruebas {

MensajeDbx Mensaje(uint32_t id, std::string texto, uint64_t fecha) {
  return {id, std::move(texto), fecha, false, 512, "", "", ""};
}

CarpetaDbx Carpeta(uint32_t id, uint32_t padre, std::string nombre, std::optional<std::string> archivo,
                   std::optional<ArchivoMensajesDbx> mensajes) {
  return {id, padre, std::move(nombre), std::move(archivo), std::nullopt, 0, std::move(mensajes)};
}

void DesindexarMensajeDbx(MapaDbx& m, std::size_t k) {
  using namespace orvex::dbx;
  for (uint32_t nodo : m.nodos) {
    for (uint32_t e = 0; e < kMaxEntradasNodo; ++e) {
      const uint32_t pos = nodo + kNodoEntradas + e * kLongEntrada;
      if (pos + 4 <= m.bytes.size() && LeerPalabra(m.bytes, pos) == m.objetos.at(k)) PonerPalabra(m.bytes, pos, 0);
    }
  }
  PonerPalabra(m.bytes, kCabNumMensajes, LeerPalabra(m.bytes, kCabNumMensajes) - 1);
}

void BorrarMensajeDbx(MapaDbx& m, std::size_t k, bool perder_texto) {
  using namespace orvex::dbx;
  DesindexarMensajeDbx(m, k);
  const auto& bloques = m.bloques.at(k);
  for (std::size_t i = 0; i < bloques.size(); ++i) {
    PonerPalabra(m.bytes, bloques[i] + kBloquePropio, bloques[i] | 0x80000000u);
    if (perder_texto) PonerPalabra(m.bytes, bloques[i] + kLongCabBloque, 0);
  }
}

AlmacenEscrito EscribirAlmacen(const std::string& ruta, const AlmacenDbx& d) {
  AlmacenEscrito escrito;
  escrito.carpetas = ConstruirFoldersDbx(d);
  EscribirImagen(ruta + "/folders.dbx", escrito.carpetas.bytes);
  for (const CarpetaDbx& c : d.carpetas) {
    const std::string nombre = NombreArchivo(c);
    if (!c.mensajes || nombre.empty()) continue;
    EscribirImagen(ruta + "/" + nombre, (escrito.archivos[nombre] = ConstruirArchivoMensajes(*c.mensajes)).bytes);
  }
  return escrito;
}

void DescribirRegistro(RegistroPrueba& registro, const RegistroDbx& d) {
  registro.Cadena("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info", "Current",
                  "6.00.2900.5512");
  if (d.por_defecto) registro.Cadena(kClaveIdentidades, "Default User ID", *d.por_defecto);
  for (const IdentidadDbx& i : d.identidades) {
    const std::string clave = std::string(kClaveIdentidades) + "\\" + i.clave;
    registro.Clave(clave);
    if (i.usuario) registro.Cadena(clave, "Username", *i.usuario);
    if (i.raiz_almacen) {
      registro.Cadena(clave + "\\Software\\Microsoft\\Outlook Express\\5.0", "Store Root", *i.raiz_almacen,
                      i.raiz_expandible ? 2 : 1);
    }
  }
}

namespace {

MensajeDbx MensajeEjemplo(uint32_t id, std::string asunto, const std::string& de, const std::string& cuerpo,
                          uint64_t fecha) {
  MensajeDbx m = Mensaje(id,
                         "From: " + de + "\r\nTo: <ana@example.org>\r\nSubject: " + asunto +
                             "\r\nDate: Mon, 5 Mar 2001 13:07:00 +0000\r\nMIME-Version: 1.0\r\n"
                             "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n" +
                             cuerpo,
                         fecha);
  m.asunto = std::move(asunto);
  return m;
}

std::string Relleno(std::size_t n, char c) {
  std::string s;
  while (s.size() < n) {
    s += std::string(std::min<std::size_t>(70, n - s.size()), c);
    if (s.size() + 2 <= n) s += "\r\n";
  }
  s.resize(n);
  return s;
}

}  // namespace

AlmacenDbx AlmacenEjemplo() {
  AlmacenDbx a;
  a.arbol = {3, FormaArbol::kMixto};

  ArchivoMensajesDbx entrada;
  entrada.arbol = {2, FormaArbol::kMixto};
  const char* remitentes[] = {"\"Luis\" <luis@example.org>", "<marta@example.net>", "pedro@example.com",
                              "\"Equipo\" <equipo@example.org>", "<ines@example.org>"};
  const std::size_t cuerpos[] = {40, 600, 1500, 0, 3000};
  for (uint32_t i = 0; i < 5; ++i) {
    entrada.mensajes.push_back(MensajeEjemplo(i + 2, "Asunto " + std::to_string(i + 1), remitentes[i],
                                              Relleno(cuerpos[i], static_cast<char>('a' + i)),
                                              FileTime(2001, 3, 5 + static_cast<int>(i), 13, 7)));
    entrada.mensajes.back().bloque_en_area = (i == 2);
    entrada.mensajes.back().direccion_remitente = remitentes[i];
  }

  ArchivoMensajesDbx enviados;
  enviados.mensajes.push_back(
      MensajeEjemplo(2, "Enviado", "<ana@example.org>", "Hola.\r\n", FileTime(2002, 6, 17, 19, 42)));

  ArchivoMensajesDbx proyectos;
  proyectos.arbol = {1, FormaArbol::kCadena08};
  for (uint32_t i = 0; i < 2; ++i) {
    proyectos.mensajes.push_back(MensajeEjemplo(10 + i, "Proyecto " + std::to_string(i), "<jefe@example.org>",
                                                Relleno(512 * (i + 1), 'p'),
                                                FileTime(2003, 1, 2 + static_cast<int>(i), 8, 30)));
  }

  ArchivoMensajesDbx anio;
  anio.mensajes.push_back(
      MensajeEjemplo(7, "Archivo 2001", "<viejo@example.org>", Relleno(100, 'x'), FileTime(2001, 12, 31, 23, 59)));
  anio.mensajes.back().capacidad_bloque = 64;

  a.carpetas = {
      {1, 0, "Local Folders", std::nullopt, std::nullopt, 0, std::nullopt},
      {4, 1, "Inbox", "Inbox.dbx", std::nullopt, 0, entrada},
      {10, 4, "Proyectos", "Proyectos.dbx", std::nullopt, 0, proyectos},
      {11, 10, "2001", "2001.dbx", std::nullopt, 0, anio},
      {5, 1, "Outbox", "Outbox.dbx", std::nullopt, 0, ArchivoMensajesDbx{}},
      {6, 1, "Sent Items", std::nullopt, std::nullopt, 3, enviados},
      {9, 0, "Hotmail", std::nullopt, std::nullopt, 0, std::nullopt},
  };
  return a;
}

}  // namespace orvex::pruebas
