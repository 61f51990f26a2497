/* Test helper: makes folders (with their parents) in an NTFS volume file through libntfs-3g, no
 * mounting; ntfscp then copies files into them.
 * Usage: ntfs_carpetas VOLUME /A/B/C ... */
/* The library's headers lean on these being there first. */
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <ntfs-3g/types.h>
#include <ntfs-3g/volume.h>
#include <ntfs-3g/inode.h>
#include <ntfs-3g/dir.h>
#include <ntfs-3g/unistr.h>

static int Crear(ntfs_volume *vol, const char *ruta) {
  char parcial[4096];
  size_t largo = strlen(ruta);
  if (largo == 0 || largo >= sizeof parcial) return -1;
  for (size_t fin = 1; fin <= largo; ++fin) {
    if (fin < largo && ruta[fin] != '/') continue;
    memcpy(parcial, ruta, fin);
    parcial[fin] = '\0';
    ntfs_inode *hay = ntfs_pathname_to_inode(vol, NULL, parcial);
    if (hay != NULL) {
      ntfs_inode_close(hay);
      continue;
    }
    char *barra = strrchr(parcial, '/');
    *barra = '\0';
    ntfs_inode *padre = ntfs_pathname_to_inode(vol, NULL, barra == parcial ? "/" : parcial);
    if (padre == NULL) return -1;
    ntfschar *nombre = NULL;
    int n = ntfs_mbstoucs(barra + 1, &nombre);
    ntfs_inode *nuevo = n > 0 ? ntfs_create(padre, const_cpu_to_le32(0), nombre, (u8)n, S_IFDIR) : NULL;
    free(nombre);
    if (nuevo != NULL) ntfs_inode_close(nuevo);
    ntfs_inode_close(padre);
    if (nuevo == NULL) return -1;
  }
  return 0;
}

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s VOLUME /FOLDER...\n", argv[0]);
    return 2;
  }
  ntfs_volume *vol = ntfs_mount(argv[1], NTFS_MNT_NONE);
  if (vol == NULL) {
    perror(argv[1]);
    return 1;
  }
  int estado = 0;
  for (int i = 2; i < argc; ++i) {
    if (Crear(vol, argv[i]) != 0) {
      fprintf(stderr, "%s: cannot make %s\n", argv[1], argv[i]);
      estado = 1;
    }
  }
  return ntfs_umount(vol, FALSE) == 0 ? estado : 1;
}
