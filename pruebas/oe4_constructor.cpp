#include "pruebas/oe4_constructor.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/dbx_constructor.h"

namespace orvex::pruebas {

using namespace orvex::oe4fmt;

CarpetaOe4 CarpetaCorreo(uint32_t id, uint32_t padre, std::string nombre, std::string fichero) {
  CarpetaOe4 c;
  std::tie(c.id, c.padre, c.nombre, c.fichero) = std::tie(id, padre, nombre, fichero);
  return c;
}

ArticuloOe4 Articulo(std::optional<std::string> texto, uint32_t capacidad_bloque) {
  return {std::move(texto), capacidad_bloque, std::nullopt};
}

GrupoOe4 Grupo(std::string nombre, uint32_t num_fichero, std::vector<ArticuloOe4> articulos) {
  return {std::move(nombre), num_fichero, std::move(articulos)};
}

CuentaOe4 Cuenta(std::string subclave, std::optional<std::string> directorio, std::vector<GrupoOe4> grupos) {
  return {std::move(subclave), std::move(directorio), std::move(grupos), true, 0};
}

MapaGrupo ConstruirGrupoNch(const GrupoOe4& g) {
  ImagenArchivo img(kLongCabGrupo);
  img.Palabra(kNchFirma, kFirmaNch);
  img.Palabra(kNchVersion, kVersionGrupo);
  MapaGrupo mapa;
  const uint32_t n = static_cast<uint32_t>(g.articulos.size());
  const uint32_t primero = img.Anadir(n * kLongArticulo);
  img.Palabra(kNchPrimero, primero);
  img.Palabra(kNchLongArea, n * kLongArticulo);
  uint32_t textos = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const ArticuloOe4& a = g.articulos[i];
    const uint32_t p = primero + i * kLongArticulo;
    mapa.articulos.push_back(p);
    mapa.bloques.emplace_back();
    const uint32_t largo = a.texto ? static_cast<uint32_t>(a.texto->size()) : 0;
    img.Palabra(p + kArtPosPropia, p);
    img.Palabra(p + kArtTamArticulo, a.tam_articulo.value_or(largo));
    img.Palabra(p + kArtPosSiguiente, i + 1 < n ? p + kLongArticulo : 0);
    img.Palabra(p + kArtLongArticulo, largo);
    if (!a.texto) continue;
    textos += largo;
    const uint32_t cap = std::max<uint32_t>(1, a.capacidad_bloque);
    uint32_t hecho = 0, anterior = 0;
    do {
      const uint32_t trozo = std::min(cap, largo - hecho);
      const uint32_t b = img.Anadir(kLongCabBloqueNch + cap);
      img.Palabra(b, b);
      img.Palabra(b + kNchBloqueCapacidad, cap);
      img.Palabra(b + kNchBloqueUsados, trozo);
      img.Copiar(b + kLongCabBloqueNch, a.texto->data() + hecho, trozo);
      if (anterior != 0) img.Palabra(anterior + kNchBloqueSiguiente, b);
      mapa.bloques.back().push_back(b);
      anterior = b;
      hecho += trozo;
    } while (hecho < largo);
    img.Palabra(p + kArtPosBloque, mapa.bloques.back().front());
  }
  img.Palabra(kNchTamTextos, textos);
  mapa.bytes = std::move(img.Bytes());
  return mapa;
}

MapaSublist ConstruirSublist(const CuentaOe4& c) {
  ImagenArchivo img(kLongCabSublist);
  img.Palabra(kSubFirma, kFirmaSublist);
  img.Palabra(kSubNumGrupos, static_cast<uint32_t>(c.grupos.size()));
  img.Palabra(kSubTercera, c.tercera);
  MapaSublist mapa;
  for (const GrupoOe4& g : c.grupos) {
    const uint32_t p = img.Anadir(kLongFijoGrupo);
    mapa.entradas.push_back(p);
    img.Palabra(p + kGrpNumMensajes, static_cast<uint32_t>(std::count_if(
        g.articulos.begin(), g.articulos.end(), [](const ArticuloOe4& a) { return a.texto.has_value(); })));
    img.Palabra(p + kGrpNumFichero, g.num_fichero);
    // The four texts after the name are not read; their different lengths make skipping them count.
    const std::string textos[5] = {g.nombre, "a", "bb", "", "dddd"};
    for (uint32_t i = 0; i < 5; ++i) {
      img.Palabra(p + kGrpLongNombre + 4 * i, static_cast<uint32_t>(textos[i].size()));
      img.AnadirTexto(textos[i]);
    }
  }
  mapa.bytes = std::move(img.Bytes());
  return mapa;
}

std::string NombreArchivoGrupo(uint32_t num_fichero) {
  const std::string cifras = std::to_string(num_fichero);
  return std::string(8 - std::min<std::size_t>(8, cifras.size()), '0') + cifras + ".nch";
}

AlmacenOe4Escrito EscribirAlmacenOe4(const std::string& raiz, const AlmacenOe4& d) {
  AlmacenOe4Escrito escrito;
  std::filesystem::create_directories(raiz + "/mail");
  escrito.folders = ConstruirFoldersNch(d.correo);
  EscribirImagen(raiz + "/mail/folders.nch", escrito.folders.bytes);
  for (const CarpetaOe4& c : d.correo.carpetas) {
    if (c.id == 0 || !c.con_archivos || c.fichero.empty()) continue;
    const MapaIdxMbx& par = escrito.pares[c.fichero] = ConstruirIdxMbx(c);
    EscribirImagen(raiz + "/mail/" + c.fichero + ".idx", par.idx);
    EscribirImagen(raiz + "/mail/" + c.fichero + ".mbx", par.mbx);
  }
  for (const CuentaOe4& cuenta : d.cuentas) {
    if (!cuenta.directorio) continue;
    const std::string dir = raiz + "/News/" + *cuenta.directorio;
    std::filesystem::create_directories(dir);
    if (cuenta.con_sublist) {
      EscribirImagen(dir + "/sublist.dat", (escrito.sublists[*cuenta.directorio] = ConstruirSublist(cuenta)).bytes);
    }
    for (const GrupoOe4& g : cuenta.grupos) {
      const std::string rel = "News/" + *cuenta.directorio + "/" + NombreArchivoGrupo(g.num_fichero);
      EscribirImagen(raiz + "/" + rel, (escrito.grupos[rel] = ConstruirGrupoNch(g)).bytes);
    }
  }
  return escrito;
}

void DescribirRegistroOe4(RegistroPrueba& registro, const RegistroOe4& d) {
  registro.Cadena("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info", "Current", "4.72.3110.0");
  if (d.raiz) registro.Cadena("HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express", "Store Root", *d.raiz);
  if (d.cuenta_por_defecto) registro.Cadena(kClaveCuentasRegistro, "Default News Account", *d.cuenta_por_defecto);
  for (const CuentaOe4& c : d.cuentas) {
    const std::string clave = std::string(kClaveCuentasRegistro) + "\\Accounts\\" + c.subclave;
    registro.Clave(clave);
    registro.Cadena(clave, "Account Name", c.subclave);
    if (c.directorio) registro.Cadena(clave, "NNTP Data Directory", *c.directorio);
  }
}

AlmacenOe4 AlmacenOe4Ejemplo() {
  AlmacenOe4 a;
  auto mensaje = [](uint32_t id, std::string asunto, std::string texto, int dia) {
    return MensajeOe4{.id = id,
                      .texto = std::move(texto),
                      .fechas = {FileTime(1999, 3, 1, 8, 0), FileTime(1999, 3, dia, 14, 7), FileTime(1999, 4, 1, 8, 0)},
                      .asunto = std::move(asunto),
                      .texto2 = "texto dos " + std::to_string(id),
                      .de = "remitente" + std::to_string(id) + "@example.com"};
  };
  const std::string simple = "From: a@example.com\r\nSubject: hola\r\n\r\nCuerpo uno\r\n";
  CarpetaOe4 bandeja = CarpetaCorreo(1, 0, "Bandeja de entrada", "Inbox");
  bandeja.mensajes.push_back(mensaje(1, "Primero", simple, 5));
  MensajeOe4 viejo = mensaje(2, "Reescrito", simple, 6);
  viejo.sustituido = true;
  viejo.id_sustituto = 4;
  bandeja.mensajes.push_back(viejo);
  bandeja.mensajes.push_back(mensaje(3, std::string(300, 'A'), simple, 7));
  bandeja.mensajes.back().de = std::string(280, 'd');
  bandeja.mensajes.back().long_extra = 12;
  bandeja.mensajes.push_back(mensaje(4, "Reescrito", simple + "copia\r\n", 6));
  bandeja.mensajes.back().banderas = 1;
  CarpetaOe4 enviados = CarpetaCorreo(2, 0, "Elementos enviados", "Sent Items");
  enviados.mensajes.push_back(mensaje(7, "Enviado", simple, 9));
  CarpetaOe4 proyecto = CarpetaCorreo(4, 3, "Proyecto", "Proyecto");
  proyecto.mensajes.push_back(mensaje(1, "Proyecto", simple, 10));
  CarpetaOe4 raiz = CarpetaCorreo(0, 0, "Outlook Express", "");
  raiz.id_fin = 3;
  a.correo.carpetas = {bandeja, enviados, raiz, CarpetaCorreo(3, 0, "Trabajo", "Trabajo"), proyecto,
                       CarpetaCorreo(5, 4, "Detalle", "Detalle"),
                       CarpetaCorreo(6, 0, "Elementos eliminados", "Deleted Items")};

  const ArticuloOe4 sin_cuerpo{std::nullopt, 512, 100};
  const CuentaOe4 noticias{"00000002", "news.example.com",
                           {Grupo("comp.lang.c", 1,
                                  {Articulo("Subject: uno\r\n\r\nArticulo uno\r\n"), sin_cuerpo,
                                   Articulo("Subject: dos\r\n\r\n" + std::string(100, 'x') + "\r\n", 32)}),
                            Grupo("alt.test", 42, {Articulo("Subject: tres\r\n\r\nTres\r\n")})},
                           true, 7};
  a.cuentas = {Cuenta("00000001", std::nullopt), noticias};
  return a;
}

}  // namespace orvex::pruebas
