// The subcommands of orvex. Each returns the process exit status: 0 done (scan: nothing
// found), 1 something found (scan), 2 error.
#pragma once

#include <string>
#include <vector>

namespace orvex::herramienta {

inline constexpr int kSalidaBien = 0;
inline constexpr int kSalidaHallazgo = 1;
inline constexpr int kSalidaError = 2;

struct Opciones {
  // Where the store is.
  std::string almacen;                // --store DIR
  std::string registro;               // --registry FILE
  std::vector<std::string> unidades;  // --drive C=DIR
  std::string identidad;              // --identity NAME
  std::string imagen;                 // --image FILE
  unsigned particion = 0;             // --partition N (0: chosen by the image's contents)
  std::string raiz_windows;           // --windows-root DIR
  std::string usuario;                // --user NAME
  bool json = false;
  std::string programa;               // argv[0], to point at orvex_demo beside it

  std::string carpeta;                // FOLDER
  std::string mensaje;                // MESSAGE (parts)
  bool plano = false;                 // folders --flat
  std::string formato = "eml";        // export --format
  std::string salida;                 // --out DIR
  bool cuerpos = false;               // extract --bodies
  bool por_mensaje = false;           // extract --by-message
  std::string plantilla;              // export --name (empty: the default names)
  bool sincronizar = false;           // export --sync
  bool borrar = false;                // export --delete
  std::string firmas;                 // scan --hashes FILE
  std::string orden;                  // scan --command CMD
  std::string clamd;                  // scan --clamd unix:PATH | tcp:HOST:PORT
  int espera_clamd = 30;              // scan --clamd-timeout SECONDS
  std::string accion = "keep";        // scan --action
  bool simulacion = false;            // scan --dry-run
  std::string copia;                  // scan --backup DIR
  bool sin_copia = false;             // scan --no-backup
  bool escribir_indice = false;       // scan --write-index
  std::string buscar;                 // find PATH
};

int OrdenInfo(const Opciones& o);
int OrdenCarpetas(const Opciones& o);
int OrdenMensajes(const Opciones& o);
int OrdenPartes(const Opciones& o);
int OrdenExtraer(const Opciones& o);
int OrdenExportar(const Opciones& o);
int OrdenEscanear(const Opciones& o);
int OrdenBuscar(const Opciones& o);

}  // namespace orvex::herramienta
