// The fourteen exports: check the records handed in by their size tags, in the documented
// order, then pass the call to the generation in force through its table entry.
#include <cstring>
#include <new>

#include "almacen_oe5/oe5.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "mensaje/guardado.h"
#include "mensaje/objeto_mensaje.h"
#include "plataforma/plataforma.h"
#include "soporte/memoria.h"

using namespace orvex;

namespace {

// Nothing but CL_EXCEPCION_MEMORIA may reach the host: the standard library's own
// out-of-memory becomes it, and any other failure becomes the call's error result.
template <class Funcion, class Resultado>
Resultado EnFrontera(Resultado en_error, Funcion&& funcion) {
  try {
    return funcion();
  } catch (const CL_EXCEPCION_MEMORIA&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw CL_EXCEPCION_MEMORIA();
  } catch (...) {
    return en_error;
  }
}

template <class Registro>
bool EtiquetaValida(const Registro* registro, uint32_t etiqueta) {
  return registro != nullptr && registro->Tamano == etiqueta;
}

// A host closing a record is done with the files it read: none is kept open past that.
void AlCerrar(uint32_t modo) {
  if (modo == OE_CERRAR) plataforma::SoltarArchivosAbiertos();
}

}  // namespace

extern "C" {

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerVersionOE(void) {
  return EnFrontera(static_cast<uint32_t>(VersionOE), [&]() -> uint32_t { return DetectarVersion(); });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_IniciarIdentities(const char* usuario) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    return oe5::IniciarIdentidad(usuario);
  });
}

ORVEX_EXPORTA char** ORVEX_LLAMADA OE_ObtenerIdentities(char** identidades) {
  return EnFrontera(static_cast<char**>(nullptr), [&]() -> char** {
    const Generacion* generacion = VersionOE.Entrada();
    if (generacion == nullptr || generacion->ContarIdentidades == nullptr) return nullptr;
    if (identidades != nullptr) return identidades;
    const uint32_t n = generacion->ContarIdentidades();
    auto* lista = static_cast<char**>(MEM_Reservar((static_cast<std::size_t>(n) + 1) * sizeof(char*)));
    if (lista == nullptr) return nullptr;
    // A name that cannot be read is left out: a null slot would end the host's list early.
    uint32_t escritos = 0;
    for (uint32_t i = 0; i < n; ++i) {
      if (char* nombre = generacion->LeerNombreIdentidad(i)) lista[escritos++] = nombre;
    }
    lista[escritos] = nullptr;
    return lista;
  });
}

ORVEX_EXPORTA void ORVEX_LLAMADA OE_LiberarIdentities(char*** identidades) {
  if (identidades == nullptr || *identidades == nullptr) return;
  try {
    char** lista = *identidades;
    for (char** p = lista; *p != nullptr; ++p) MEM_Liberar(*p);
    MEM_Liberar(lista);
    *identidades = nullptr;
  } catch (...) {
  }
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    AlCerrar(modo);
    if (carpeta == nullptr) return OE_ERROR_PARAM;
    return EnCurso(&Generacion::ObtenerCarpetas, carpeta, modo);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerCarpetasPrincipales(OE_CARPETA** carpeta, uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    AlCerrar(modo);
    if (carpeta == nullptr) return OE_ERROR_PARAM;
    return EnCurso(&Generacion::ObtenerCarpetasPrincipales, carpeta, modo);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerSubCarpetas(OE_CARPETA* padre, OE_CARPETA** carpeta,
                                                           uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    AlCerrar(modo);
    if (!EtiquetaValida(padre, OE_TAM_CARPETA)) return OE_ERROR_PARAM;
    if (padre->NumSubCarpetas == 0) return OE_SIN_SUBCARPETAS;
    if (carpeta == nullptr) return OE_ERROR_PARAM;
    return EnCurso(&Generacion::ObtenerSubCarpetas, padre, carpeta, modo);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta,
                                                                uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    AlCerrar(modo);
    if (carpeta == nullptr || (modo == OE_PRIMERO && entryid == nullptr)) return OE_ERROR_PARAM;
    return EnCurso(&Generacion::ObtenerCarpetaDeEntryID, entryid, carpeta, modo);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje,
                                                        uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    AlCerrar(modo);
    if (!EtiquetaValida(carpeta, OE_TAM_CARPETA)) return OE_ERROR_PARAM;
    if (carpeta->NumMensajes == 0) return OE_SIN_MENSAJES;
    if (mensaje == nullptr) return OE_ERROR_PARAM;
    if ((modo == OE_SIGUIENTE || modo == OE_CERRAR) && !EtiquetaValida(*mensaje, OE_TAM_MENSAJE)) {
      return OE_ERROR_PARAM;
    }
    const uint32_t resultado = EnCurso(&Generacion::ObtenerMensajes, carpeta, mensaje, modo);
    if (modo == OE_SIGUIENTE && resultado == OE_OK && EtiquetaValida(*mensaje, OE_TAM_MENSAJE)) {
      mensaje::RefrescarAsunto(*mensaje);
    }
    return resultado;
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    if (!EtiquetaValida(mensaje, OE_TAM_MENSAJE)) return OE_ERROR_PARAM;
    if (objeto == nullptr) return OE_ERROR_PARAM;
    const Generacion* generacion = VersionOE.Entrada();
    if (generacion != nullptr && generacion->ObtenerObjMsg != nullptr) {
      return generacion->ObtenerObjMsg(mensaje, objeto, modo);
    }
    return mensaje::ObtenerObjMsg(mensaje, objeto, modo);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_GuardarObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    if (!EtiquetaValida(mensaje, OE_TAM_MENSAJE) || !EtiquetaValida(objeto, OE_TAM_OBJMSG)) {
      return OE_ERROR_PARAM;
    }
    return mensaje::Guardar(mensaje, objeto, accion);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerDestinoMsg(OE_MENSAJE* mensaje, OE_DESTINO** destino,
                                                          uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    if (!EtiquetaValida(mensaje, OE_TAM_MENSAJE) || mensaje->Texto == nullptr) return OE_ERROR_PARAM;
    if (destino == nullptr) return OE_ERROR_PARAM;
    return mensaje::ObtenerDestinoMsg(mensaje, destino, modo);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerAttachMensaje(OE_REF_ADJUNTO* referencia, OE_MENSAJE** mensaje,
                                                             OE_OBJMSG** objeto, uint32_t modo) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    AlCerrar(modo);
    if (mensaje == nullptr || objeto == nullptr) return OE_ERROR_PARAM;
    if (modo == OE_PRIMERO && referencia == nullptr) return OE_ERROR_PARAM;
    if (VersionOE.Entrada() == nullptr) return OE_ERROR;
    return mensaje::ObtenerAttachMensaje(referencia, mensaje, objeto, modo);
  });
}

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerUnMensajeMail(OE_CARPETA* carpeta, OE_MENSAJE** mensaje) {
  return EnFrontera(OE_ERROR, [&]() -> uint32_t {
    if (!EtiquetaValida(carpeta, OE_TAM_CARPETA)) return OE_ERROR_PARAM;
    return EnCurso(&Generacion::ObtenerUnMensajeMail, carpeta, mensaje);
  });
}

}  // extern "C"
