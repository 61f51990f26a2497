// The fuzz targets as plain functions: each libFuzzer program calls one of them, and the
// regression test replays the kept inputs through the same functions in the normal builds.
// Every target takes any bytes, returns 0, and aborts when a property it checks fails.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex::fuzz {

using FuncionObjetivo = int (*)(const uint8_t* datos, std::size_t n);

struct Objetivo {
  const char* nombre;       // the folder under pruebas/regresion/ and the program fuzz_<nombre>
  FuncionObjetivo funcion;
  std::size_t tamano_maximo;  // longer inputs are ignored
};

int Codecs(const uint8_t* datos, std::size_t n);
int Analizador(const uint8_t* datos, std::size_t n);
int Mensaje(const uint8_t* datos, std::size_t n);
int Registro(const uint8_t* datos, std::size_t n);
int Rutas(const uint8_t* datos, std::size_t n);
int DbxCarpetas(const uint8_t* datos, std::size_t n);
int DbxMensajes(const uint8_t* datos, std::size_t n);
int DbxGuardado(const uint8_t* datos, std::size_t n);
int Oe4Carpetas(const uint8_t* datos, std::size_t n);
int Oe4Mensajes(const uint8_t* datos, std::size_t n);
int Oe4Sublist(const uint8_t* datos, std::size_t n);
int Oe4Grupo(const uint8_t* datos, std::size_t n);
int ImnMensajes(const uint8_t* datos, std::size_t n);
int Recuperacion(const uint8_t* datos, std::size_t n);
int DbxReescritura(const uint8_t* datos, std::size_t n);
int Oe4Reescritura(const uint8_t* datos, std::size_t n);
int Oe4GrupoReescritura(const uint8_t* datos, std::size_t n);
int ImnReescritura(const uint8_t* datos, std::size_t n);
// Only where hivex is there (ORVEX_CON_COLMENA).
int Colmena(const uint8_t* datos, std::size_t n);

// Every target, in the order CI runs them.
extern const Objetivo kObjetivos[];
extern const std::size_t kNumObjetivos;

// Aborts when a property a target checks does not hold.
void Exigir(bool condicion);

// The target named nombre, or null.
const Objetivo* BuscarObjetivo(const char* nombre);

}  // namespace orvex::fuzz
