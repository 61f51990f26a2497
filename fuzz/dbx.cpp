// Outlook Express 5/6 store: the example store of the builder, with a registry whose default
// identity leads to it. Each input replaces folders.dbx or the Inbox message file, or (the save
// path) holds a message text that a built Inbox carries and that gets changed part by part.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "api/orvex.h"
#include "fuzz/almacen.h"
#include "fuzz/objetivos.h"
#include "fuzz/recorridos.h"
#include "fuzz/reescritura.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::fuzz {
namespace {

constexpr uint32_t kIdBandeja = 4;  // the example store's Inbox
constexpr const char* kArchivoBandeja = "Inbox.dbx";
constexpr uint32_t kIdFuzz = 2;     // the save path's message, and its neighbour behind it
constexpr uint32_t kIdVecino = 3;
constexpr uint32_t kMaxPasos = 2000;

AlmacenFuzz& Almacen() {
  static AlmacenFuzz almacen(
      [](const std::string& raiz, pruebas::RegistroPrueba& registro) {
        pruebas::EscribirAlmacen(raiz, pruebas::AlmacenEjemplo());
        pruebas::RegistroDbx r;
        r.identidades = {{"{0D3F1A2B-0001-4C5D-9E8F-1234567890AB}", "Principal", raiz, false}};
        r.por_defecto = r.identidades[0].clave;
        pruebas::DescribirRegistro(registro, r);
      },
      true);
  return almacen;
}

// The text of the message with that id in the Inbox listing, if the listing has it.
std::optional<std::string> TextoDe(uint32_t id) {
  OE_ENTRYID e{kIdBandeja, 0};
  OE_CARPETA* carpeta = nullptr;
  Exigir(OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_PRIMERO) == OE_OK);
  std::optional<std::string> texto;
  OE_MENSAJE* m = nullptr;
  if (OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO) == OE_OK) {
    for (uint32_t i = 0; i < kMaxPasos; ++i) {
      const uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
      if (r == OE_ERROR) continue;
      if (r != OE_OK) break;
      if (m->IdMensaje == id && m->Texto != nullptr) {
        texto = std::string(m->Texto, m->LongTexto);
        break;
      }
    }
  }
  if (m != nullptr) OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
  OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_CERRAR);
  return texto;
}

}  // namespace

int DbxCarpetas(const uint8_t* datos, std::size_t n) {
  UsoAlmacen uso(Almacen());
  uso->Reemplazar("folders.dbx", datos, n);
  RecorrerCarpetas({{0, 0}, {1, 0}, {kIdBandeja, 0}, {0xFFFFFFFFu, 0xFFFFFFFFu}});
  return 0;
}

int DbxMensajes(const uint8_t* datos, std::size_t n) {
  UsoAlmacen uso(Almacen());
  uso->Reemplazar(kArchivoBandeja, datos, n);
  RecorrerMensajesDe(kIdBandeja, 0, true);
  return 0;
}

// Input: bytes 0-3 the actions (2 bits per part), byte 4 flags (bit 0: replace by nothing),
// then the message text.
int DbxGuardado(const uint8_t* datos, std::size_t n) {
  if (n < 5) return 0;
  const uint32_t acciones = uint32_t{datos[0]} | uint32_t{datos[1]} << 8 | uint32_t{datos[2]} << 16 |
                            uint32_t{datos[3]} << 24;
  const bool por_nada = (datos[4] & 1) != 0;
  pruebas::ArchivoMensajesDbx archivo;
  archivo.mensajes = {pruebas::Mensaje(kIdFuzz, std::string(reinterpret_cast<const char*>(datos + 5), n - 5)),
                      pruebas::Mensaje(kIdVecino, pruebas::MensajeConAdjunto("neighbour"))};
  const std::vector<uint8_t> bytes = pruebas::ConstruirArchivoMensajes(archivo).bytes;

  UsoAlmacen uso(Almacen());
  uso->Reemplazar(kArchivoBandeja, bytes.data(), bytes.size());
  const std::optional<std::string> vecino = TextoDe(kIdVecino);
  Exigir(vecino.has_value());

  OE_ENTRYID e{kIdBandeja, 0};
  OE_CARPETA* carpeta = nullptr;
  Exigir(OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_PRIMERO) == OE_OK);
  OE_MENSAJE* m = nullptr;
  if (OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO) == OE_OK &&
      OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE) == OE_OK && m->IdMensaje == kIdFuzz && m->Texto != nullptr) {
    CambiarPartes(m, acciones, por_nada);
  }
  if (m != nullptr) Exigir(OE_ObtenerMensajes(carpeta, &m, OE_CERRAR) == OE_OK);
  Exigir(OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_CERRAR) == OE_OK);

  // The store still reads, and the write-back left the other message alone.
  RecorrerMensajesDe(kIdBandeja, 0, true);
  Exigir(TextoDe(kIdVecino) == vecino);
  return 0;
}

// Input: the rewrite request (reescritura.h), then the Inbox message file.
int DbxReescritura(const uint8_t* datos, std::size_t n) {
  Pedido pedido;
  if (!LeerPedido(datos, n, &pedido)) return 0;
  UsoAlmacen uso(Almacen());
  uso->Reemplazar(kArchivoBandeja, pedido.archivo, pedido.n_archivo);
  ReescribirVallado(kIdBandeja, 0, pedido, VallasDbx);
  return 0;
}

}  // namespace orvex::fuzz
