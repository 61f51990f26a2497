/* A plain C host: includes only the public header, links the shared library, and checks
 * the store generation detected from registry files it writes itself. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "api/orvex.h"

struct caso {
  const char* nombre;
  const char* registro;
  uint32_t esperado;
};

static const struct caso casos[] = {
    {"version 6", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info]\n"
                  "\"Current\"=\"6.0.2900.5512\"\n", VERSION_OE5},
    {"version 4", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info]\n"
                  "\"Current\"=\"4.72\"\n", VERSION_OE4},
    {"oe4 root", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express]\n"
                 "\"Store Root\"=\"C:\\\\Store\"\n", VERSION_OE4},
    {"imn root", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News]\n"
                 "\"Store Root\"=\"C:\\\\IMN\"\n", VERSION_IMN},
    {"empty", "REGEDIT4\n", VERSION_NINGUNA},
};

int main(void) {
  char plantilla[] = "/tmp/orvex_c_testXXXXXX";
  int fd = mkstemp(plantilla);
  if (fd < 0) return 2;
  close(fd);
  setenv("ORVEX_REGISTRY", plantilla, 1);
  int fallos = 0;
  for (size_t i = 0; i < sizeof casos / sizeof casos[0]; ++i) {
    FILE* f = fopen(plantilla, "wb");
    if (f == NULL) return 2;
    fputs(casos[i].registro, f);
    fclose(f);
    uint32_t v = OE_ObtenerVersionOE();
    if (v != casos[i].esperado) {
      printf("FAIL %s: %u, expected %u\n", casos[i].nombre, v, casos[i].esperado);
      ++fallos;
    }
  }
  /* Null records are refused, never dereferenced. */
  if (OE_ObtenerMensajes(NULL, NULL, OE_PRIMERO) != OE_ERROR_PARAM) {
    puts("FAIL null folder");
    ++fallos;
  }
  unlink(plantilla);
  printf("api_c_test: %d failures\n", fallos);
  return fallos == 0 ? 0 : 1;
}
