#include "herramienta/cliente.h"

#include <cctype>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <map>

#include "almacen_oe5/formato_dbx.h"
#include "herramienta/resto.h"
#include "herramienta/sistema.h"
#include "soporte/buffer_flujo.h"
#include "soporte/bytes.h"

namespace orvex::herramienta {
namespace {

// Closes an enumeration record on every path out of a walk.
template <typename Registro, typename Cierre>
class Cursor {
 public:
  explicit Cursor(Cierre cierre) : cierre_(cierre) {}
  ~Cursor() {
    if (registro != nullptr) cierre_(&registro);
  }
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;
  Registro* registro = nullptr;

 private:
  Cierre cierre_;
};

auto CerrarCarpetas = [](OE_CARPETA** c) { OE_ObtenerCarpetas(c, OE_CERRAR); };


// A news group record: an Outlook Express 4 news folder (id bit 31) below its account.
bool EsGrupo(const OE_CARPETA& c) { return (c.IdCarpeta & 0x80000000u) != 0 && c.PosCarpeta != 0; }

// The news groups below an Outlook Express 4 news account, each handed to visita (which
// returns false to stop). Other folders have none.
template <typename Visita>
void RecorrerGrupos(uint32_t version, OE_CARPETA* cuenta, Visita&& visita) {
  if (version != VERSION_OE4 || (cuenta->IdCarpeta & 0x80000000u) == 0 || cuenta->NumSubCarpetas == 0) return;
  const auto cerrar = [cuenta](OE_CARPETA** g) { OE_ObtenerSubCarpetas(cuenta, g, OE_CERRAR); };
  Cursor<OE_CARPETA, decltype(cerrar)> grupos(cerrar);
  if (OE_ObtenerSubCarpetas(cuenta, &grupos.registro, OE_PRIMERO) != OE_OK) return;
  while (OE_ObtenerSubCarpetas(cuenta, &grupos.registro, OE_SIGUIENTE) == OE_OK) {
    if (!visita(grupos.registro)) return;
  }
}

CarpetaVista Vista(const OE_CARPETA& c) {
  CarpetaVista v;
  v.id = c.IdCarpeta;
  v.padre = c.IdPadre;
  if (EsGrupo(c)) v.pos_grupo = c.PosCarpeta;
  v.nombre = Campo(c.Nombre);
  v.num_mensajes = c.NumMensajes;
  v.archivo = Campo(c.RutaIndice);
  v.almacen = Campo(c.RutaAlmacen);
  v.buzon = Campo(c.RutaBuzon);
  return v;
}

// A folder whose messages fail one after another this often is given up.
constexpr uint32_t kFallosSeguidosMaximos = 10000;

// Whether a listing step changed the record, apart from the text it frees on every read.
bool MensajeMovido(const OE_MENSAJE& antes, const OE_MENSAJE& despues) {
  const auto* a = reinterpret_cast<const unsigned char*>(&antes);
  const auto* d = reinterpret_cast<const unsigned char*>(&despues);
  constexpr std::size_t texto = offsetof(OE_MENSAJE, Texto), area = offsetof(OE_MENSAJE, AreaGen);
  return std::memcmp(a, d, texto) != 0 || std::memcmp(a + area, d + area, sizeof(OE_MENSAJE) - area) != 0;
}

// The next readable folder of a folder walk: entries that fail while the cursor moves on are
// told in *fallos (when given) and passed over. OE_OK, or what ended the walk.
uint32_t SiguienteCarpeta(OE_CARPETA** registro, uint32_t* posicion, std::vector<FalloLista>* fallos) {
  for (uint32_t seguidos = 0;; ++seguidos) {
    const OE_CARPETA antes = **registro;
    const uint32_t r = OE_ObtenerCarpetas(registro, OE_SIGUIENTE);
    ++*posicion;
    if (r == OE_OK || r == OE_FIN) return r;
    const bool final = std::memcmp(&antes, *registro, sizeof antes) == 0 || seguidos >= kFallosSeguidosMaximos;
    if (fallos != nullptr) fallos->push_back({*posicion, r, final});
    if (final) return r;
  }
}

std::string Minusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

}  // namespace

uint32_t ListarCarpetas(uint32_t version, std::vector<CarpetaVista>* carpetas, std::vector<FalloLista>* fallos) {
  const bool raiz_cero = version == VERSION_OE5 || version == VERSION_OE4;
  carpetas->clear();
  Cursor<OE_CARPETA, decltype(CerrarCarpetas)> cursor(CerrarCarpetas);
  uint32_t r = OE_ObtenerCarpetas(&cursor.registro, OE_PRIMERO);
  // Mode 1 holds the store's root record (generations 5 and 4) or nothing (generation 1).
  if (r != OE_OK) return r;
  uint32_t posicion = 0;
  while ((r = SiguienteCarpeta(&cursor.registro, &posicion, fallos)) == OE_OK) {
    if (raiz_cero && cursor.registro->IdCarpeta == 0) continue;
    carpetas->push_back(Vista(*cursor.registro));
    RecorrerGrupos(version, cursor.registro, [carpetas](OE_CARPETA* grupo) {
      carpetas->push_back(Vista(*grupo));
      return true;
    });
  }
  CompletarRutas(*carpetas);
  return OE_OK;
}

uint32_t RecorrerMensajes(uint32_t version, const std::vector<CarpetaVista>& carpetas, const std::set<uint64_t>& claves,
                          const VisitaMensaje& visita, const VisitaTropiezo& tropiezo, bool resto) {
  std::map<uint64_t, const CarpetaVista*> por_clave;
  for (const CarpetaVista& c : carpetas) por_clave.emplace(c.Clave(), &c);
  std::size_t pendientes = claves.size();
  bool parar = false;
  // Lists the messages of one folder record; false ends the whole walk.
  const auto listar = [&](OE_CARPETA* carpeta) {
    const uint64_t clave = ClaveCarpeta(carpeta->IdCarpeta, EsGrupo(*carpeta) ? carpeta->PosCarpeta : 0);
    if (claves.count(clave) == 0) return true;
    --pendientes;
    const auto vista = por_clave.find(clave);
    if (vista == por_clave.end()) return pendientes > 0;
    const auto cerrar = [carpeta](OE_MENSAJE** m) { OE_ObtenerMensajes(carpeta, m, OE_CERRAR); };
    Cursor<OE_MENSAJE, decltype(cerrar)> mensajes(cerrar);
    const uint32_t rm = OE_ObtenerMensajes(carpeta, &mensajes.registro, OE_PRIMERO);
    if (rm == OE_SIN_MENSAJES) return pendientes > 0;
    if (rm != OE_OK || mensajes.registro == nullptr) {
      tropiezo({vista->second, 0, std::nullopt, rm == OE_OK ? OE_ERROR : rm, true});
      return pendientes > 0;
    }
    uint32_t posicion = 0, seguidos = 0;
    std::set<uint32_t> listados;
    for (;;) {
      const OE_MENSAJE antes = *mensajes.registro;
      const uint32_t rs = OE_ObtenerMensajes(carpeta, &mensajes.registro, OE_SIGUIENTE);
      ++posicion;
      if (rs == OE_FIN) {
        // The library walks a bounded number of index nodes of a file: a folder whose file's
        // header counts more messages than were listed is shown only in part.
        const std::optional<uint32_t> en_cabecera =
            version == VERSION_OE5 ? MensajesEnCabecera(vista->second->archivo) : std::nullopt;
        if (en_cabecera && *en_cabecera > posicion - 1) {
          std::vector<recuperacion::Recuperado> resto_carpeta;
          if (resto) resto_carpeta = RestoDeCarpeta(*vista->second, listados);
          Tropiezo t{vista->second, posicion, std::nullopt, OE_FIN, true};
          t.en_cabecera = *en_cabecera;
          t.recuperados = static_cast<uint32_t>(resto_carpeta.size());
          tropiezo(t);
          if (!VisitarResto(*vista->second, resto_carpeta, visita)) {
            parar = true;
            return false;
          }
        }
        break;
      }
      if (rs == OE_OK) {
        seguidos = 0;
        listados.insert(mensajes.registro->IdMensaje);
        if (!visita(*vista->second, mensajes.registro, posicion)) {
          parar = true;
          return false;
        }
        continue;
      }
      // A read that failed after moving the cursor changed the record; one that left the
      // record as it was would fail again at the same place.
      const OE_MENSAJE& m = *mensajes.registro;
      const bool movido = MensajeMovido(antes, m);
      if (!movido || ++seguidos > kFallosSeguidosMaximos) {
        tropiezo({vista->second, posicion, std::nullopt, rs, true});
        break;
      }
      if (m.IdMensaje != antes.IdMensaje) listados.insert(m.IdMensaje);
      tropiezo({vista->second, posicion, m.IdMensaje != antes.IdMensaje ? std::optional<uint32_t>(m.IdMensaje)
                                                                        : std::nullopt,
                rs, false});
    }
    return pendientes > 0;
  };
  Cursor<OE_CARPETA, decltype(CerrarCarpetas)> cursor(CerrarCarpetas);
  uint32_t r = OE_ObtenerCarpetas(&cursor.registro, OE_PRIMERO);
  if (r != OE_OK) return r;
  uint32_t posicion = 0;
  while (pendientes > 0 && (r = SiguienteCarpeta(&cursor.registro, &posicion, nullptr)) == OE_OK) {
    if (!listar(cursor.registro)) break;
    RecorrerGrupos(version, cursor.registro, listar);
    if (parar) break;
  }
  return OE_OK;
}

uint32_t RecorrerPartes(OE_MENSAJE* mensaje, const VisitaParte& visita) {
  const auto cerrar = [mensaje](OE_OBJMSG** o) { OE_ObtenerObjMsg(mensaje, o, OE_CERRAR); };
  Cursor<OE_OBJMSG, decltype(cerrar)> objeto(cerrar);
  uint32_t r = OE_ObtenerObjMsg(mensaje, &objeto.registro, OE_PRIMERO);
  if (r != OE_OK) return r;
  while ((r = OE_ObtenerObjMsg(mensaje, &objeto.registro, OE_SIGUIENTE)) == OE_OK) {
    OE_OBJMSG* o = objeto.registro;
    ParteVista parte;
    parte.numero = o->NumParte;
    parte.nombre = Campo(o->NombreAdjunto);
    parte.longitud_codificada = o->LongParte;
    if (mensaje->Texto != nullptr && o->PosInicioParte <= o->PosSigParte && o->PosSigParte <= mensaje->LongTexto) {
      parte.tipo = TipoDeContenido(
          std::string_view(mensaje->Texto + o->PosInicioParte, o->PosSigParte - o->PosInicioParte));
    }
    if (o->Contenido != nullptr) {
      const auto* b = static_cast<const CL_BUFFER_FLUJO*>(o->Contenido);
      uint32_t n = b->Longitud();
      // A part that is not decoded is published as the raw buffer, with a counted NUL.
      if (o->Contenido == o->Salida && n > 0 && b->Datos()[n - 1] == '\0') --n;
      parte.contenido.assign(b->Datos(), n);
    }
    if (!visita(o, parte)) return OE_OK;
  }
  // After the last part the library has freed the object and nulled the pointer.
  return r;
}

std::optional<uint32_t> MensajesEnCabecera(const std::string& ruta_biblioteca) {
  const std::optional<std::filesystem::path> local = ruta_biblioteca.empty() ? std::nullopt : RutaLocal(ruta_biblioteca);
  if (!local) return std::nullopt;
  std::ifstream f(*local, std::ios::binary);
  uint8_t cab[dbx::kLeidoCabeceraMensajes];
  if (!f.read(reinterpret_cast<char*>(cab), sizeof cab) || Le32(cab + 4) != dbx::kFirmaMensajes) return std::nullopt;
  return Le32(cab + dbx::kCabNumMensajes);
}

std::vector<std::string> Identidades() {
  std::vector<std::string> nombres;
  char** lista = OE_ObtenerIdentities(nullptr);
  if (lista == nullptr) return nombres;
  for (char** p = lista; *p != nullptr; ++p) nombres.emplace_back(*p);
  OE_LiberarIdentities(&lista);
  return nombres;
}

std::string TipoDeContenido(std::string_view texto) {
  std::string tipo;
  std::size_t pos = 0;
  while (pos < texto.size()) {
    std::size_t fin = texto.find('\n', pos);
    if (fin == std::string_view::npos) fin = texto.size();
    const std::string_view linea = texto.substr(pos, fin - pos);
    if (linea.size() >= 13 && Minusculas(linea.substr(0, 13)) == "content-type:") {
      std::string valor(linea.substr(13));
      // Folded continuation lines belong to the same header.
      std::size_t sig = fin + 1;
      while (sig < texto.size() && (texto[sig] == ' ' || texto[sig] == '\t')) {
        std::size_t f2 = texto.find('\n', sig);
        if (f2 == std::string_view::npos) f2 = texto.size();
        valor += texto.substr(sig, f2 - sig);
        sig = f2 + 1;
      }
      valor = valor.substr(0, valor.find(';'));
      std::string limpio;
      for (char c : valor) {
        if (!std::isspace(static_cast<unsigned char>(c))) limpio += c;
      }
      tipo = Minusculas(limpio);
    }
    pos = fin + 1;
  }
  return tipo;
}

const char* NombreResultado(uint32_t codigo) {
  switch (codigo) {
    case OE_OK: return "OE_OK";
    case OE_ERROR: return "OE_ERROR";
    case OE_FIN: return "OE_FIN";
    case OE_SIN_SUBCARPETAS: return "OE_SIN_SUBCARPETAS";
    case OE_SIN_MENSAJES: return "OE_SIN_MENSAJES";
    case OE_ERROR_PARAM: return "OE_ERROR_PARAM";
    case OE_ERROR_MEMORIA: return "OE_ERROR_MEMORIA";
    default: return "unknown result";
  }
}

}  // namespace orvex::herramienta
