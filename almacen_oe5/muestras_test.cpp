// Files written by the mail client itself (found through ORVEX_MUESTRAS; skipped without it),
// copied into stores of their own and walked as a host walks them: the listing must stay the one
// recorded in pruebas/datos/muestras.txt, whose texts are the ones undbx takes out of the files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "pruebas/host/host_recorrido.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/tablas.h"

namespace orvex::pruebas {
namespace {

// A folder whose index claims one message, in a file of its own.
CarpetaDbx ConMensaje(uint32_t id, const char* nombre) {
  CarpetaDbx c = Carpeta(id, 1, nombre, std::string(nombre) + ".dbx");
  c.num_mensajes = 1;
  return c;
}

TEST(MuestrasOe5Test, ListadoComoLoVeUnHost) {
  const std::optional<std::string> muestras = Muestras();
  if (!muestras) GTEST_SKIP() << "ORVEX_MUESTRAS no apunta a las muestras";
  struct Almacen {
    const char* nombre;
    std::vector<std::pair<const char*, const char*>> copias;  // file of the store, sample
    std::vector<CarpetaDbx> carpetas;                          // a built folders.dbx when not empty
  };
  const Almacen almacenes[] = {
      {"mit",
       {{"Folders.dbx", "oe6_dbx_mit/Folders.dbx"}, {"Inbox.dbx", "oe6_dbx_mit/Inbox.dbx"},
        {"Outbox.dbx", "oe6_dbx_mit/Outbox.dbx"}, {"Offline.dbx", "oe6_dbx_mit/Offline.dbx"}},
       {}},
      // A real message file, a file of the other kind, an empty one and a missing one, each
      // behind an index that claims a message.
      {"sueltos",
       {{"test1.dbx", "oe6_dbx_perl/test1.dbx"}, {"Offline.dbx", "oe6_dbx_mit/Offline.dbx"},
        {"Outbox.dbx", "oe6_dbx_mit/Outbox.dbx"}},
       {Carpeta(1, 0, "Local Folders"), ConMensaje(20, "test1"), ConMensaje(21, "Offline"), ConMensaje(22, "Outbox"),
        ConMensaje(23, "Falta")}},
      {"offline como lista de carpetas", {{"folders.dbx", "oe6_dbx_mit/Offline.dbx"}}, {}},
  };
  std::map<std::string, std::string> esperados;
  for (const std::vector<std::string>& fila : Filas(
#include "pruebas/datos/muestras.inc"
           )) {
    esperados[fila.at(0)] += fila.at(1) + "\n";
  }
  VariableEntorno zona("TZ", std::string("UTC0"));
  const FUNCIONES_ORVEX enlazadas = FUNCIONES_ORVEX_ENLAZADAS;
  for (const Almacen& almacen : almacenes) {
    SCOPED_TRACE(almacen.nombre);
    DirectorioTemporal dir;
    RegistroPrueba registro;
    AlmacenDbx construido;
    construido.carpetas = almacen.carpetas;
    if (!construido.carpetas.empty()) EscribirAlmacen(dir.Ruta(), construido);
    for (const auto& [archivo, muestra] : almacen.copias) {
      std::filesystem::copy_file(*muestras + "/" + muestra, dir.RutaDe(archivo));
      std::filesystem::permissions(dir.RutaDe(archivo), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add);
    }
    InstalarIdentidad(registro, dir.Ruta());
    std::FILE* salida = std::fopen(dir.RutaDe("recorrido.txt").c_str(), "wb");
    ASSERT_NE(salida, nullptr);
    RecorrerAlmacen(&enlazadas, salida);
    std::fclose(salida);
    EXPECT_EQ(dir.LeerTexto("recorrido.txt"), esperados[almacen.nombre]);
  }
}

}  // namespace
}  // namespace orvex::pruebas
