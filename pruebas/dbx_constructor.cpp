#include "pruebas/dbx_constructor.h"

#include <algorithm>
#include <stdexcept>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/imagen.h"

namespace orvex::pruebas {

namespace {

using namespace orvex::dbx;

void EscribirFirmas(ImagenArchivo& img, uint32_t segunda) {
  img.Palabra(0x00, kFirma0);
  img.Palabra(0x04, segunda);
  img.Palabra(0x08, kFirma2);
  img.Palabra(0x0C, kFirma3);
  img.Palabra(0x10, kFirma4);
  img.Palabra(0x14, 5);
  img.Palabra(0x18, 5);
}

// The shape of a tree over nodes 0..n-1, whose walk order is their index order.
struct NodoForma {
  std::vector<uint32_t> objetos;
  std::vector<uint32_t> hijos_entrada;  // node index per entry, a prefix of the entries
  int hijo08 = -1;
  int padre = -1;
};

void FormaMixta(std::vector<NodoForma>& nodos, uint32_t a, uint32_t b) {
  if (a + 1 >= b) return;
  const uint32_t resto = b - (a + 1);
  const uint32_t entradas = static_cast<uint32_t>(nodos[a].objetos.size());
  uint32_t partes[3] = {0, 0, 0};
  if (entradas >= 2) {
    partes[0] = (resto + 2) / 3;
    partes[1] = (resto - partes[0] + 1) / 2;
    partes[2] = resto - partes[0] - partes[1];
  } else if (entradas == 1) {
    partes[0] = (resto + 1) / 2;
    partes[2] = resto - partes[0];
  } else {
    partes[2] = resto;
  }
  uint32_t inicio = a + 1;
  for (int k = 0; k < 3; ++k) {
    if (partes[k] == 0) continue;
    if (k < 2) {
      nodos[a].hijos_entrada.push_back(inicio);
    } else {
      nodos[a].hijo08 = static_cast<int>(inicio);
    }
    nodos[inicio].padre = static_cast<int>(a);
    FormaMixta(nodos, inicio, inicio + partes[k]);
    inicio += partes[k];
  }
}

std::vector<NodoForma> Forma(const std::vector<uint32_t>& objetos, const OpcionesArbol& opciones,
                             bool nodo_si_vacio) {
  const uint32_t k = opciones.entradas_por_nodo;
  if (k == 0 || k > kMaxEntradasNodo) throw std::invalid_argument("entradas_por_nodo fuera de 1..51");
  std::vector<NodoForma> nodos;
  for (std::size_t i = 0; i < objetos.size(); i += k) {
    NodoForma n;
    const std::size_t fin = std::min(objetos.size(), i + k);
    n.objetos.assign(objetos.begin() + static_cast<std::ptrdiff_t>(i),
                     objetos.begin() + static_cast<std::ptrdiff_t>(fin));
    nodos.push_back(std::move(n));
  }
  if (nodos.empty() && nodo_si_vacio) nodos.emplace_back();
  const uint32_t n = static_cast<uint32_t>(nodos.size());
  switch (opciones.forma) {
    case FormaArbol::kCadena08:
      for (uint32_t i = 0; i + 1 < n; ++i) {
        nodos[i].hijo08 = static_cast<int>(i + 1);
        nodos[i + 1].padre = static_cast<int>(i);
      }
      break;
    case FormaArbol::kHijosEntrada: {
      if (n == 0) break;
      uint32_t siguiente = 1;
      while (siguiente < n && nodos[0].hijos_entrada.size() < nodos[0].objetos.size()) {
        nodos[0].hijos_entrada.push_back(siguiente);
        nodos[siguiente].padre = 0;
        ++siguiente;
      }
      // What the first node's entries cannot carry hangs off +0x08 as a chain.
      uint32_t anterior = 0;
      for (; siguiente < n; ++siguiente) {
        nodos[anterior].hijo08 = static_cast<int>(siguiente);
        nodos[siguiente].padre = static_cast<int>(anterior);
        anterior = siguiente;
      }
      break;
    }
    case FormaArbol::kMixto:
      if (n != 0) FormaMixta(nodos, 0, n);
      break;
  }
  return nodos;
}

uint32_t ValoresSubarbol(const std::vector<NodoForma>& nodos, int i) {
  if (i < 0) return 0;
  const NodoForma& n = nodos[static_cast<std::size_t>(i)];
  uint32_t total = static_cast<uint32_t>(n.objetos.size());
  for (uint32_t h : n.hijos_entrada) total += ValoresSubarbol(nodos, static_cast<int>(h));
  return total + ValoresSubarbol(nodos, n.hijo08);
}

// Writes the nodes of a tree; returns their positions in walk order.
std::vector<uint32_t> EscribirArbol(ImagenArchivo& img, const std::vector<uint32_t>& objetos,
                                    const OpcionesArbol& opciones, bool nodo_si_vacio) {
  const std::vector<NodoForma> nodos = Forma(objetos, opciones, nodo_si_vacio);
  std::vector<uint32_t> pos;
  for (std::size_t i = 0; i < nodos.size(); ++i) pos.push_back(img.Reservar(kLongNodo));
  auto posicion = [&](int i) { return i < 0 ? 0u : pos[static_cast<std::size_t>(i)]; };
  for (std::size_t i = 0; i < nodos.size(); ++i) {
    const NodoForma& n = nodos[i];
    const uint32_t p = pos[i];
    img.Palabra(p + kNodoPropio, p);
    img.Palabra(p + kNodoHijo, posicion(n.hijo08));
    img.Palabra(p + kNodoPadre, posicion(n.padre));
    img.Palabra(p + kNodoCuenta, static_cast<uint32_t>(n.objetos.size()) << 8);
    img.Palabra(p + kNodoValoresHijo, ValoresSubarbol(nodos, n.hijo08));
    for (std::size_t e = 0; e < n.objetos.size(); ++e) {
      const uint32_t entrada = p + kNodoEntradas + static_cast<uint32_t>(e) * kLongEntrada;
      img.Palabra(entrada + kEntradaObjeto, n.objetos[e]);
      if (e < n.hijos_entrada.size()) {
        const int h = static_cast<int>(n.hijos_entrada[e]);
        img.Palabra(entrada + kEntradaHijo, posicion(h));
        img.Palabra(entrada + kEntradaValoresHijo, ValoresSubarbol(nodos, h));
      }
    }
  }
  return pos;
}

// An object under construction: index entries and a data area.
class Objeto {
 public:
  void Directo(uint8_t id, uint32_t valor) {
    if (valor > 0xFFFFFFu) throw std::invalid_argument("valor directo de mas de 24 bits");
    indices_.push_back(static_cast<uint32_t>(id) | (valor << 8));
  }
  // Appends bytes to the data area under an offset entry (id 0 = no entry).
  uint32_t Datos(uint8_t id, const void* origen, std::size_t n) {
    const uint32_t desplazamiento = static_cast<uint32_t>(datos_.size());
    const auto* p = static_cast<const uint8_t*>(origen);
    datos_.insert(datos_.end(), p, p + n);
    if (id != 0) indices_.push_back(static_cast<uint32_t>(id) | (desplazamiento << 8));
    return desplazamiento;
  }
  uint32_t Cadena(uint8_t id, const std::string& texto) { return Datos(id, texto.c_str(), texto.size() + 1); }
  void PonerDatos(uint32_t desplazamiento, uint32_t valor) {
    for (int i = 0; i < 4; ++i) datos_.at(desplazamiento + i) = static_cast<uint8_t>(valor >> (8 * i));
  }
  uint32_t Longitud() const {
    return kLongCabObjeto + static_cast<uint32_t>(indices_.size() * 4 + ((datos_.size() + 3) & ~std::size_t{3}));
  }
  void Escribir(ImagenArchivo& img, uint32_t pos) const {
    if (indices_.size() > 255) throw std::invalid_argument("demasiados indices");
    const uint32_t cuerpo = Longitud() - kLongCabObjeto;
    img.Palabra(pos + kObjPropio, pos);
    img.Palabra(pos + kObjLongCuerpo, cuerpo);
    img.Byte(pos + kObjNumIndices, static_cast<uint8_t>(indices_.size()));
    for (std::size_t i = 0; i < indices_.size(); ++i) {
      img.Palabra(pos + kLongCabObjeto + static_cast<uint32_t>(i) * 4, indices_[i]);
    }
    img.Copiar(pos + kLongCabObjeto + static_cast<uint32_t>(indices_.size()) * 4, datos_.data(), datos_.size());
  }

 private:
  std::vector<uint32_t> indices_;
  std::vector<uint8_t> datos_;
};

// Chains a text over blocks; returns the block positions.
std::vector<uint32_t> EscribirTexto(ImagenArchivo& img, const std::string& texto, uint32_t capacidad) {
  if (capacidad == 0 || capacidad > kMaxTextoBloque) throw std::invalid_argument("capacidad de bloque");
  const std::size_t n = texto.empty() ? 1 : (texto.size() + capacidad - 1) / capacidad;
  std::vector<uint32_t> bloques;
  for (std::size_t i = 0; i < n; ++i) bloques.push_back(img.Reservar(kLongCabBloque + capacidad));
  for (std::size_t i = 0; i < n; ++i) {
    const uint32_t p = bloques[i];
    const std::size_t desde = i * capacidad;
    const uint32_t usado = static_cast<uint32_t>(std::min<std::size_t>(capacidad, texto.size() - desde));
    img.Palabra(p + kBloquePropio, p);
    img.Palabra(p + kBloqueCapacidad, capacidad);
    img.Palabra(p + kBloqueUsado, usado);
    img.Palabra(p + kBloqueSiguiente, i + 1 < n ? bloques[i + 1] : 0);
    img.Copiar(p + kLongCabBloque, texto.data() + desde, usado);
  }
  return bloques;
}

Objeto ObjetoMensaje(const MensajeDbx& m, uint32_t primer_bloque) {
  Objeto o;
  o.Directo(kIdMensaje, m.id);
  uint8_t fecha[8];
  for (int i = 0; i < 8; ++i) fecha[i] = static_cast<uint8_t>(m.fecha >> (8 * i));
  o.Datos(kIdFechaMensaje, fecha, sizeof fecha);
  const uint8_t cero[4] = {0, 0, 0, 0};
  const uint32_t palabra = o.Datos(m.bloque_en_area ? kIdBloqueTextoEnArea : 0, cero, sizeof cero);
  if (m.bloque_en_area) {
    o.PonerDatos(palabra, primer_bloque);
  } else {
    o.Directo(kIdBloqueTexto, primer_bloque);
  }
  if (!m.asunto.empty()) o.Cadena(kIdAsunto, m.asunto);
  if (!m.nombre_remitente.empty()) o.Cadena(kIdNombreRemitente, m.nombre_remitente);
  if (!m.direccion_remitente.empty()) o.Cadena(kIdDireccionRemitente, m.direccion_remitente);
  return o;
}

Objeto ObjetoCarpeta(const CarpetaDbx& c) {
  Objeto o;
  o.Directo(kIdCarpeta, c.id);
  if (c.padre != 0) o.Directo(kIdPadre, c.padre);
  o.Cadena(kIdNombreCarpeta, c.nombre);
  if (c.archivo) o.Cadena(kIdArchivoCarpeta, *c.archivo);
  uint32_t num = 0;
  if (c.num_mensajes) {
    num = *c.num_mensajes;
  } else if (c.mensajes) {
    num = static_cast<uint32_t>(c.mensajes->mensajes.size());
  }
  if (num != 0 || c.num_mensajes) o.Directo(kIdNumMensajesCarpeta, num);
  if (c.valor_88 != 0) o.Directo(kIdCarpeta88, c.valor_88);
  return o;
}

}  // namespace

MapaDbx ConstruirArchivoMensajes(const ArchivoMensajesDbx& d) {
  ImagenArchivo img(kLongCabecera);
  EscribirFirmas(img, kFirmaMensajes);
  MapaDbx mapa;

  // Objects first, in one area that the header bounds; their text offsets are filled later.
  const uint32_t inicio_objetos = img.Reservar(0);
  for (const MensajeDbx& m : d.mensajes) {
    Objeto o = ObjetoMensaje(m, 0);
    mapa.objetos.push_back(img.Reservar(o.Longitud()));
  }
  const uint32_t fin_objetos = img.Tamano();
  mapa.nodos = EscribirArbol(img, mapa.objetos, d.arbol, d.nodo_sin_mensajes);
  mapa.raiz = mapa.nodos.empty() ? 0 : mapa.nodos.front();
  uint32_t max_id = 0;
  for (std::size_t i = 0; i < d.mensajes.size(); ++i) {
    const MensajeDbx& m = d.mensajes[i];
    mapa.bloques.push_back(EscribirTexto(img, m.texto, m.capacidad_bloque));
    ObjetoMensaje(m, mapa.bloques.back().front()).Escribir(img, mapa.objetos[i]);
    max_id = std::max(max_id, m.id);
  }

  img.Palabra(kCabInicioObjetos, inicio_objetos);
  img.Palabra(0x28, 0xC000);
  img.Palabra(kCabLongObjetos, fin_objetos - inicio_objetos);
  img.Palabra(kCabMaxIdMensaje, d.max_id.value_or(max_id));
  img.Palabra(kCabLimiteTexto, img.Tamano());
  img.Palabra(kCabNumMensajes, d.num_mensajes.value_or(static_cast<uint32_t>(d.mensajes.size())));
  img.Palabra(kCabArbolMensajes, mapa.raiz);
  mapa.bytes = std::move(img.Bytes());
  return mapa;
}

void DesindexarMensajeDbx(MapaDbx& m, std::size_t k) {
  for (uint32_t nodo : m.nodos) {
    for (uint32_t e = 0; e < kMaxEntradasNodo; ++e) {
      const uint32_t pos = nodo + kNodoEntradas + e * kLongEntrada;
      if (pos + 4 <= m.bytes.size() && LeerPalabra(m.bytes, pos) == m.objetos.at(k)) PonerPalabra(m.bytes, pos, 0);
    }
  }
  PonerPalabra(m.bytes, kCabNumMensajes, LeerPalabra(m.bytes, kCabNumMensajes) - 1);
}

void BorrarMensajeDbx(MapaDbx& m, std::size_t k, bool perder_texto) {
  DesindexarMensajeDbx(m, k);
  const auto& bloques = m.bloques.at(k);
  for (std::size_t i = 0; i < bloques.size(); ++i) {
    PonerPalabra(m.bytes, bloques[i] + kBloquePropio, bloques[i] | 0x80000000u);
    if (perder_texto) PonerPalabra(m.bytes, bloques[i] + kLongCabBloque, 0);
  }
}

MapaDbx ConstruirFoldersDbx(const AlmacenDbx& d) {
  ImagenArchivo img(kLongCabecera);
  EscribirFirmas(img, kFirmaCarpetas);
  MapaDbx mapa;

  // The root-folder area: its own offset, a length, then that many bytes; the root folder's
  // object follows it at 9712.
  constexpr uint32_t kLongAreaRaiz = 0x24;
  constexpr uint32_t kAreaRaiz = kPosObjetoRaiz - 8 - kLongAreaRaiz;
  img.Reservar(kAreaRaiz - img.Tamano());
  mapa.area_raiz = img.Reservar(8 + kLongAreaRaiz);
  img.Palabra(mapa.area_raiz, mapa.area_raiz);
  img.Palabra(mapa.area_raiz + 4, kLongAreaRaiz);

  Objeto raiz;
  raiz.Directo(kIdCarpeta, 0);
  raiz.Cadena(kIdNombreCarpeta, "Outlook Express");
  mapa.pos_raiz = img.Reservar(raiz.Longitud());
  if (mapa.pos_raiz != kPosObjetoRaiz) throw std::logic_error("objeto raiz fuera de 9712");
  raiz.Escribir(img, mapa.pos_raiz);

  for (const CarpetaDbx& c : d.carpetas) {
    const Objeto o = ObjetoCarpeta(c);
    const uint32_t pos = img.Reservar(o.Longitud());
    o.Escribir(img, pos);
    mapa.objetos.push_back(pos);
  }
  const uint32_t fin_objetos = img.Tamano();

  // Two more trees as real folder lists carry them; the reader walks only the one at 0xEC.
  const OpcionesArbol plano{kMaxEntradasNodo, FormaArbol::kCadena08};
  const std::vector<uint32_t> arbol1 = EscribirArbol(img, mapa.objetos, plano, true);
  const std::vector<uint32_t> arbol2 = EscribirArbol(img, mapa.objetos, plano, true);
  std::vector<uint32_t> entradas;
  if (d.raiz_en_arbol) entradas.push_back(kPosObjetoRaiz);
  entradas.insert(entradas.end(), mapa.objetos.begin(), mapa.objetos.end());
  mapa.nodos = EscribirArbol(img, entradas, d.arbol, true);
  mapa.raiz = mapa.nodos.front();

  img.Palabra(kCabInicioObjetos, mapa.area_raiz);
  img.Palabra(0x28, 0xC000);
  img.Palabra(kCabLongObjetos, fin_objetos - mapa.area_raiz);
  img.Palabra(kCabLimiteTexto, img.Tamano());
  img.Palabra(kCabAreaRaiz, mapa.area_raiz);
  img.Palabra(kCabNumMensajes, static_cast<uint32_t>(d.carpetas.size()) + 1);
  img.Palabra(kCabNumSubCarpetas,
              d.num_subcarpetas.value_or(static_cast<uint32_t>(d.carpetas.size())));
  img.Palabra(kCabArbolMensajes, arbol1.front());
  img.Palabra(kCabArbolSegundo, arbol2.front());
  img.Palabra(kCabArbolCarpetas, mapa.raiz);
  mapa.bytes = std::move(img.Bytes());
  return mapa;
}

MensajeDbx Mensaje(uint32_t id, std::string texto, uint64_t fecha) {
  MensajeDbx m;
  m.id = id;
  m.texto = std::move(texto);
  m.fecha = fecha;
  return m;
}

CarpetaDbx Carpeta(uint32_t id, uint32_t padre, std::string nombre, std::optional<std::string> archivo,
                   std::optional<ArchivoMensajesDbx> mensajes) {
  CarpetaDbx c;
  c.id = id;
  c.padre = padre;
  c.nombre = std::move(nombre);
  c.archivo = std::move(archivo);
  c.mensajes = std::move(mensajes);
  return c;
}

std::string NombreArchivo(const CarpetaDbx& carpeta) {
  if (carpeta.archivo) return *carpeta.archivo;
  return carpeta.nombre + ".dbx";
}

AlmacenEscrito EscribirAlmacen(const std::string& ruta, const AlmacenDbx& d) {
  AlmacenEscrito escrito;
  escrito.carpetas = ConstruirFoldersDbx(d);
  EscribirImagen(ruta + "/folders.dbx", escrito.carpetas.bytes);
  for (const CarpetaDbx& c : d.carpetas) {
    const std::string nombre = NombreArchivo(c);
    if (!c.mensajes || nombre.empty()) continue;
    MapaDbx mapa = ConstruirArchivoMensajes(*c.mensajes);
    EscribirImagen(ruta + "/" + nombre, mapa.bytes);
    escrito.archivos[nombre] = std::move(mapa);
  }
  return escrito;
}

void DescribirRegistro(RegistroPrueba& registro, const RegistroDbx& d) {
  if (d.version) {
    registro.Cadena("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info", "Current",
                    *d.version);
  }
  if (d.por_defecto) registro.Cadena(kClaveIdentidades, "Default User ID", *d.por_defecto);
  for (const IdentidadDbx& i : d.identidades) {
    const std::string clave = std::string(kClaveIdentidades) + "\\" + i.clave;
    registro.Clave(clave);
    if (i.usuario) registro.Cadena(clave, "Username", *i.usuario);
    if (i.raiz_almacen) {
      const std::string sub = clave + "\\" + kSubclaveAlmacen;
      if (i.raiz_expandible) {
        registro.CadenaExpandible(sub, "Store Root", *i.raiz_almacen);
      } else {
        registro.Cadena(sub, "Store Root", *i.raiz_almacen);
      }
    }
  }
}

uint64_t FileTime(int anio, int mes, int dia, int hora, int minuto, int segundo) {
  // Days from 1601-01-01 by the civil calendar.
  const int y = anio - (mes <= 2 ? 1 : 0);
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (mes + (mes > 2 ? -3 : 9)) + 2) / 5 + dia - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t dias_1970 = static_cast<int64_t>(era) * 146097 + doe - 719468;
  const int64_t dias = dias_1970 + 134774;  // 1601-01-01 to 1970-01-01
  const int64_t segundos = dias * 86400 + hora * 3600 + minuto * 60 + segundo;
  return static_cast<uint64_t>(segundos) * 10000000u;
}

namespace {

std::string Texto(const std::string& de, const std::string& asunto, const std::string& cuerpo) {
  return "From: " + de + "\r\nTo: <ana@example.org>\r\nSubject: " + asunto +
         "\r\nDate: Mon, 5 Mar 2001 13:07:00 +0000\r\nMIME-Version: 1.0\r\n"
         "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n" +
         cuerpo;
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
    MensajeDbx m;
    m.id = i + 2;
    m.asunto = "Asunto " + std::to_string(i + 1);
    m.texto = Texto(remitentes[i], m.asunto, Relleno(cuerpos[i], static_cast<char>('a' + i)));
    m.fecha = FileTime(2001, 3, 5 + static_cast<int>(i), 13, 7);
    m.bloque_en_area = (i == 2);
    m.direccion_remitente = remitentes[i];
    entrada.mensajes.push_back(m);
  }

  ArchivoMensajesDbx enviados;
  {
    MensajeDbx m;
    m.id = 2;
    m.asunto = "Enviado";
    m.texto = Texto("<ana@example.org>", m.asunto, "Hola.\r\n");
    m.fecha = FileTime(2002, 6, 17, 19, 42);
    enviados.mensajes.push_back(m);
  }

  ArchivoMensajesDbx proyectos;
  proyectos.arbol = {1, FormaArbol::kCadena08};
  for (uint32_t i = 0; i < 2; ++i) {
    MensajeDbx m;
    m.id = 10 + i;
    m.asunto = "Proyecto " + std::to_string(i);
    m.texto = Texto("<jefe@example.org>", m.asunto, Relleno(512 * (i + 1), 'p'));
    m.fecha = FileTime(2003, 1, 2 + static_cast<int>(i), 8, 30);
    proyectos.mensajes.push_back(m);
  }

  ArchivoMensajesDbx anio;
  {
    MensajeDbx m;
    m.id = 7;
    m.asunto = "Archivo 2001";
    m.texto = Texto("<viejo@example.org>", m.asunto, Relleno(100, 'x'));
    m.fecha = FileTime(2001, 12, 31, 23, 59);
    m.capacidad_bloque = 64;
    anio.mensajes.push_back(m);
  }

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
