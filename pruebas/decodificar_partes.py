#!/usr/bin/env python3
"""Decodes the leaf parts of every message in a folder with Python's email package.

Usage: decodificar_partes.py FOLDER [PATTERN]; PATTERN (default msg_*.txt) is matched in the
folder and its subfolders.

Each file is read as bytes and its line ends made CR LF, as the message tests feed it.
One line per leaf part, tab-separated:
    file (relative to the folder)  index  content-type  transfer-encoding  name  hex-of-decoded-payload
Empty fields are written as "-".  The reading is the package's usual one, independent of
the library, so a test can compare what the library hands out with it.
"""
import email
import email.policy
import pathlib
import sys


def crlf(datos: bytes) -> bytes:
    return datos.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def campo(texto) -> bytes:
    """A field as bytes; header text keeps the bytes it was read from."""
    if not texto:
        return b"-"
    datos = str(texto).encode("utf-8", "surrogateescape")
    return datos.replace(b"\t", b" ").replace(b"\r", b" ").replace(b"\n", b" ")


def main() -> int:
    carpeta = pathlib.Path(sys.argv[1])
    salida = sys.stdout.buffer
    patron = sys.argv[2] if len(sys.argv) > 2 else "msg_*.txt"
    for ruta in sorted(carpeta.rglob(patron)):
        mensaje = email.message_from_bytes(crlf(ruta.read_bytes()), policy=email.policy.compat32)
        indice = 0
        for parte in mensaje.walk():
            if parte.is_multipart():
                continue
            carga = parte.get_payload(decode=True)
            if carga is None:
                carga = b""
            nombre = parte.get_param("name") or parte.get_filename()
            if isinstance(nombre, tuple):
                nombre = email.utils.collapse_rfc2231_value(nombre)
            indice += 1
            salida.write(b"\t".join([campo(ruta.relative_to(carpeta).as_posix()), campo(str(indice)),
                                     campo(parte.get_content_type()),
                                     campo(str(parte.get("Content-Transfer-Encoding", "")).strip()),
                                     campo(nombre), campo(carga.hex())]) + b"\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
