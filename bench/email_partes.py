#!/usr/bin/env python3
"""Peer harness for bench/comparar: Python's email package parses a message file and decodes
every leaf part into memory. Prints "partes N decodificado BYTES"."""
import email
import email.policy
import sys

with open(sys.argv[1], "rb") as f:
    mensaje = email.message_from_binary_file(f, policy=email.policy.compat32)
partes = 0
bytes_ = 0
for parte in mensaje.walk():
    if parte.is_multipart():
        continue
    datos = parte.get_payload(decode=True)
    partes += 1
    bytes_ += len(datos or b"")
print(f"partes {partes} decodificado {bytes_}")
