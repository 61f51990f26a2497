/* A host built outside the tree against the installed library: <orvex.h> and -lorvex found
 * through pkg-config or find_package(Orvex). Prints the generation it detects from the
 * registry export named by ORVEX_REGISTRY. */
#include <orvex.h>
#include <stdio.h>

int main(void) {
  if (OE_ObtenerMensajes(NULL, NULL, OE_PRIMERO) != OE_ERROR_PARAM) return 1;
  printf("generation %u\n", (unsigned)OE_ObtenerVersionOE());
  return 0;
}
