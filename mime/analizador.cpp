#include "mime/analizador.h"

#include <cstring>
#include <memory>
#include <new>

#include "soporte/memoria.h"

namespace orvex {

CL_ANALIZADOR_MIME::CL_ANALIZADOR_MIME() {
  Direcciones.Iniciar();
  NuevaParte();
}

CL_ANALIZADOR_MIME::~CL_ANALIZADOR_MIME() {
  Direcciones.Vaciar();
  LiberarPartes();
}

uint32_t CL_ANALIZADOR_MIME::AnalizarLinea(const char* linea) {
  struct OlvidarLinea {
    const char*& linea;
    ~OlvidarLinea() { linea = nullptr; }
  } olvidar{Linea};
  Linea = linea == nullptr ? "" : linea;  // a missing line reads as the empty end-of-text line
  const PARTE_MIME* p = Interior();
  if (p != nullptr && p->EnCuerpo == 0) {
    LineaCabecera();
  } else {
    LineaCuerpo();
  }
  return 0;
}

uint32_t CL_ANALIZADOR_MIME::ReiniciarParte() {
  FinParte();
  NuevaParte();
  return 0;
}

const PARTE_MIME* CL_ANALIZADOR_MIME::ParteInterior() const { return Interior(); }

uint32_t CL_ANALIZADOR_MIME::Tipo() const { return NumPartes == 0 ? 0 : Interior()->Tipo; }
uint32_t CL_ANALIZADOR_MIME::Subtipo() const { return NumPartes == 0 ? 0 : Interior()->Subtipo; }
uint32_t CL_ANALIZADOR_MIME::Codificacion() const { return NumPartes == 0 ? 0 : Interior()->Codificacion; }
uint32_t CL_ANALIZADOR_MIME::BytesCuerpo() const { return NumPartes == 0 ? 0 : Interior()->BytesCuerpo; }
uint32_t CL_ANALIZADOR_MIME::EnCuerpo() const { return NumPartes == 0 ? 1 : Interior()->EnCuerpo; }
const char* CL_ANALIZADOR_MIME::NombreDeParte() const {
  return NumPartes == 0 ? nullptr : Interior()->NombreMime;
}

void CL_ANALIZADOR_MIME::Vaciar() {
  Direcciones.Vaciar();
  LiberarPartes();
}

void CL_ANALIZADOR_MIME::Reinicializar() {
  LiberarPartes();  // after Vaciar this frees nothing; without it, nothing leaks
  NuevaParte();
}

// --- header block --------------------------------------------------------------------------

void CL_ANALIZADOR_MIME::LineaCabecera() {
  // A line that starts with a blank continues the header before it.
  if (!EsBlanco(Linea[0])) Interior()->TipoCabecera = CAB_NINGUNA;
  ReconocerMimeVersion();
  ReconocerFrom();
  ReconocerTo();
  ReconocerSubject();
  ReconocerMessageId();
  ReconocerContentType();
  ReconocerContentTransferEncoding();
  ReconocerFinCabecera();
}

void CL_ANALIZADOR_MIME::ReconocerMimeVersion() {
  if (CabeceraVista != 0) return;
  bool hayToken = false;
  if (!BuscarMimeVersion(Linea, &hayToken)) return;
  Interior()->TipoCabecera = CAB_MIME_VERSION;
  if (hayToken) CabeceraVista = 1;
}

const char* CL_ANALIZADOR_MIME::ValorDeDireccion(const char* nombre, uint32_t tipoCabecera) {
  PARTE_MIME* p = Interior();
  if (EsBlanco(Linea[0])) {
    if (p->TipoCabecera != tipoCabecera) return nullptr;
    const char* valor = Linea;
    SaltarBlancos(&valor);
    return valor;
  }
  if (!EsCabecera(Linea, nombre)) return nullptr;
  p->TipoCabecera = tipoCabecera;
  return ValorDeCabecera(Linea);
}

// The captures belong to the outer message (or to one encapsulated directly in it).
void CL_ANALIZADOR_MIME::ReconocerFrom() {
  if (NumPartes != 1) return;
  const char* valor = ValorDeDireccion("From", CAB_FROM);
  if (valor == nullptr) return;
  char direccion[kLongDireccion];
  if (ExtraerDireccion(valor, direccion)) Direcciones.AsignarDe(direccion);
}

void CL_ANALIZADOR_MIME::ReconocerTo() {
  if (NumPartes != 1) return;
  const char* valor = ValorDeDireccion("To", CAB_TO);
  if (valor == nullptr) return;
  RecorrerCamposPara(valor, [this](const char* campo) {
    if (Direcciones.NumPara >= kMaxDestinatarios) return false;
    char direccion[kLongDireccion];
    if (ExtraerDireccion(campo, direccion)) Direcciones.AnadirPara(direccion);
    return true;
  });
}

void CL_ANALIZADOR_MIME::ReconocerSubject() {
  if (NumPartes != 1 || !EsCabecera(Linea, "Subject")) return;
  CopiarAcotado(Asunto, ValorDeCabecera(Linea), sizeof Asunto);
  Asunto[std::strcspn(Asunto, "\r\n")] = 0;
}

void CL_ANALIZADOR_MIME::ReconocerMessageId() {
  if (NumPartes != 1 || !EsCabecera(Linea, "Message-ID")) return;
  if (!LeerIdMensaje(ValorDeCabecera(Linea), IdMensajeMime)) IdMensajeMime[0] = 0;
}

void CL_ANALIZADOR_MIME::ReconocerContentType() {
  PARTE_MIME* p = Interior();
  if (EsBlanco(Linea[0]) && p->TipoCabecera == CAB_CONTENT_TYPE) {
    const char* valor = Linea;
    SaltarBlancos(&valor);
    if (p->Tipo == 0 && p->Subtipo == 0) ClasificarContentType(valor);
  } else {
    if (!EsCabecera(Linea, "Content-Type")) return;
    p->TipoCabecera = CAB_CONTENT_TYPE;
    ClasificarContentType(ValorDeCabecera(Linea));
  }
  LeerParametrosContentType();
}

void CL_ANALIZADOR_MIME::ClasificarContentType(const char* valor) {
  char tipo[kLongTextoTipo];
  char subtipo[kLongTextoTipo];
  if (!LeerTipoYSubtipo(valor, tipo, subtipo)) return;  // Tipo stays 0: the defaults decide
  PARTE_MIME* p = Interior();
  p->Tipo = ClasificarTipo(tipo);
  p->Subtipo = ClasificarSubtipo(p->Tipo, subtipo);
}

// Parameters are looked for in the whole line, so a folded continuation can carry them.
void CL_ANALIZADOR_MIME::LeerParametrosContentType() {
  PARTE_MIME* p = Interior();
  if (p->Tipo == TIPO_MULTIPART) {
    LeerFrontera(Linea, p->Frontera);
  } else if ((p->Tipo == TIPO_APPLICATION && p->Subtipo == SUBTIPO_OCTET_STREAM) ||
             (p->Tipo == TIPO_TEXT && (p->Subtipo == SUBTIPO_HTML || p->Subtipo == SUBTIPO_PLAIN))) {
    LeerNombre(Linea, p->NombreMime);
  }
}

void CL_ANALIZADOR_MIME::ReconocerContentTransferEncoding() {
  PARTE_MIME* p = Interior();
  if (p->Codificacion != CODIF_NINGUNA) return;  // the first one recognised wins
  char token[kLongToken];
  if (!LeerCodificacion(Linea, token)) return;
  p->TipoCabecera = CAB_CODIFICACION;
  p->Codificacion = ClasificarCodificacion(token);
}

void CL_ANALIZADOR_MIME::ReconocerFinCabecera() {
  if (!EsFinDeCabecera(Linea)) return;
  PARTE_MIME* p = Interior();
  if (CabeceraVista == 0) CabeceraVista = 1;
  const bool tipoPorDefecto = p->Tipo == 0;
  if (tipoPorDefecto) {
    p->Tipo = p->TipoDefecto;
    p->Subtipo = p->SubtipoDefecto;
  }
  if (p->Codificacion == CODIF_NINGUNA) p->Codificacion = p->CodificacionDefecto;
  if (p->Tipo == TIPO_MESSAGE && (p->Subtipo == SUBTIPO_RFC822 || p->Subtipo == SUBTIPO_PARTIAL)) {
    // The same part now reads the header block of the message it encapsulates.
    CabeceraVista = 0;
    p->Tipo = 0;
    p->Subtipo = 0;
    p->Codificacion = CODIF_NINGUNA;
    p->NombreMime[0] = 0;
    // A digest child that became message/rfc822 by default would otherwise take the same
    // default again at the end of the encapsulated block and never reach a body.
    if (tipoPorDefecto) {
      p->TipoDefecto = TIPO_POR_DEFECTO;
      p->SubtipoDefecto = SUBTIPO_OTRO;
    }
    return;
  }
  p->EnCuerpo = 1;
}

// --- body ----------------------------------------------------------------------------------

void CL_ANALIZADOR_MIME::LineaCuerpo() {
  PARTE_MIME* p = Interior();
  if (p == nullptr) return;
  const std::size_t largo = std::strlen(Linea);
  const uint32_t hueco = UINT32_MAX - p->BytesCuerpo;
  p->BytesCuerpo += largo > hueco ? hueco : static_cast<uint32_t>(largo);  // saturates
  ReconocerDelimitador();
}

void CL_ANALIZADOR_MIME::ReconocerDelimitador() {
  PARTE_MIME* p = Interior();
  if (p->Tipo == TIPO_MULTIPART && p->FronteraVista == 0) {
    // Until its first delimiter a multipart looks for nothing else, not even its parent's.
    if (NumPartes < kProfundidadMaxima && EsDelimitador(Linea, p->Frontera, false)) {
      NuevaParte();
      p->FronteraVista = 1;
    }
    return;
  }
  if (NumPartes < 2) return;
  const PARTE_MIME* contenedor = Partes[NumPartes - 2];
  if (contenedor->Tipo != TIPO_MULTIPART) return;
  if (EsDelimitador(Linea, contenedor->Frontera, true)) {
    FinParte();
  } else if (EsDelimitador(Linea, contenedor->Frontera, false)) {
    FinParte();
    NuevaParte();
  }
}

// --- part stack ----------------------------------------------------------------------------

void CL_ANALIZADOR_MIME::NuevaParte() {
  if (NumPartes >= kProfundidadMaxima) return;
  std::unique_ptr<PARTE_MIME> parte(new (std::nothrow) PARTE_MIME);
  if (!parte) throw CL_EXCEPCION_MEMORIA();
  const PARTE_MIME* padre = Interior();
  if (padre != nullptr && padre->Tipo == TIPO_MULTIPART && padre->Subtipo == SUBTIPO_DIGEST) {
    parte->TipoDefecto = TIPO_MESSAGE;
    parte->SubtipoDefecto = SUBTIPO_RFC822;
  }
  // Grown first: when that throws, the stack keeps its old slots and the part is freed.
  Partes = static_cast<PARTE_MIME**>(
      MEM_RedimensionarOExcepcion(Partes, (std::size_t{NumPartes} + 1) * sizeof(PARTE_MIME*)));
  Partes[NumPartes] = parte.release();
  ++NumPartes;
}

void CL_ANALIZADOR_MIME::FinParte() {
  if (NumPartes == 0) return;
  delete Partes[NumPartes - 1];
  Partes[NumPartes - 1] = nullptr;
  if (NumPartes == 1) {
    MEM_Liberar(Partes);
    Partes = nullptr;
    NumPartes = 0;
    return;
  }
  // Shrinking cannot really fail; if it did, the larger block serves as well.
  if (void* menor = MEM_Redimensionar(Partes, std::size_t{NumPartes - 1} * sizeof(PARTE_MIME*))) {
    Partes = static_cast<PARTE_MIME**>(menor);
  }
  --NumPartes;
}

void CL_ANALIZADOR_MIME::LiberarPartes() {
  for (uint32_t i = 0; i < NumPartes; ++i) delete Partes[i];
  MEM_LiberarSiNoNulo(Partes);
  Partes = nullptr;
  NumPartes = 0;
}

}  // namespace orvex
