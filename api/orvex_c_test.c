/* A plain C host: includes only the public header, links the shared library, and checks
 * the store generation detected from registry files it writes itself. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "api/orvex.h"

static const struct caso {
  const char* clave; /* NULL: an empty registry */
  const char* valor;
  uint32_t esperado;
} casos[] = {
    {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info", "\"Current\"=\"6.0.2900.5512\"",
     VERSION_OE5},
    {"HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News", "\"Store Root\"=\"C:\\\\IMN\"", VERSION_IMN},
    {NULL, NULL, VERSION_NINGUNA},
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
    fputs("REGEDIT4\n\n", f);
    if (casos[i].clave != NULL) fprintf(f, "[%s]\n%s\n", casos[i].clave, casos[i].valor);
    fclose(f);
    uint32_t v = OE_ObtenerVersionOE();
    if (v != casos[i].esperado) {
      printf("FAIL case %zu: %u, expected %u\n", i, v, casos[i].esperado);
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
