/* A plain C host: includes only the public header, links the shared library, and calls it with
 * an empty registry and with null records. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>

#include "api/orvex.h"

int main(void) {
  int fallos = 0;
  setenv("ORVEX_REGISTRY", "", 1);
  if (OE_ObtenerVersionOE() != VERSION_NINGUNA) {
    puts("FAIL empty registry");
    ++fallos;
  }
  /* Null records are refused, never dereferenced. */
  if (OE_ObtenerMensajes(NULL, NULL, OE_PRIMERO) != OE_ERROR_PARAM) {
    puts("FAIL null folder");
    ++fallos;
  }
  printf("api_c_test: %d failures\n", fallos);
  return fallos == 0 ? 0 : 1;
}
