/* Peer harness for bench/comparar: GMime parses a message file and decodes every leaf part
 * into memory, as orvex_bench_partes does. Prints "partes N decodificado BYTES". */
#include <fcntl.h>
#include <gmime/gmime.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  g_mime_init();
  GError* error = NULL;
  GMimeStream* entrada = g_mime_stream_fs_open(argv[1], O_RDONLY, 0, &error);
  if (entrada == NULL) {
    fprintf(stderr, "%s: %s\n", argv[1], error ? error->message : "cannot open");
    return 1;
  }
  GMimeParser* analizador = g_mime_parser_new_with_stream(entrada);
  GMimeMessage* mensaje = g_mime_parser_construct_message(analizador, NULL);
  if (mensaje == NULL) return 1;
  unsigned long long partes = 0, bytes = 0;
  GMimePartIter* it = g_mime_part_iter_new((GMimeObject*)mensaje);
  if (g_mime_part_iter_is_valid(it)) {
    do {
      GMimeObject* actual = g_mime_part_iter_get_current(it);
      if (!GMIME_IS_PART(actual)) continue;
      GMimeDataWrapper* contenido = g_mime_part_get_content(GMIME_PART(actual));
      if (contenido == NULL) continue;
      GMimeStream* memoria = g_mime_stream_mem_new();
      g_mime_data_wrapper_write_to_stream(contenido, memoria);
      bytes += (unsigned long long)g_mime_stream_length(memoria);
      ++partes;
      g_object_unref(memoria);
    } while (g_mime_part_iter_next(it));
  }
  g_mime_part_iter_free(it);
  printf("partes %llu decodificado %llu\n", partes, bytes);
  g_object_unref(mensaje);
  g_object_unref(analizador);
  g_object_unref(entrada);
  g_mime_shutdown();
  return 0;
}
