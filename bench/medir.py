#!/usr/bin/env python3
"""Runs a command several times and prints its median wall time and its median CPU time (user +
system of the process and its children, from wait4: microseconds, not clock ticks), in seconds:
"WALL CPU". Before each run the folder given with --limpiar is emptied. Exits non-zero when a run
fails, with its last output line."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

veces = int(sys.argv[1])
limpiar = None
args = sys.argv[2:]
if args and args[0] == "--limpiar":
    limpiar, args = args[1], args[2:]
paredes, cpus = [], []
for _ in range(veces):
    if limpiar:
        shutil.rmtree(limpiar, ignore_errors=True)
        os.makedirs(limpiar)
    with tempfile.TemporaryFile() as salida:
        t0 = time.perf_counter()
        proceso = subprocess.Popen(args, stdout=salida, stderr=subprocess.STDOUT)
        _, estado, uso = os.wait4(proceso.pid, 0)
        paredes.append(time.perf_counter() - t0)
        proceso.returncode = os.waitstatus_to_exitcode(estado)
        cpus.append(uso.ru_utime + uso.ru_stime)
        if proceso.returncode != 0:
            salida.seek(0)
            lineas = salida.read().decode(errors="replace").strip().splitlines()
            print(f"failed ({proceso.returncode}): {lineas[-1] if lineas else ''}", file=sys.stderr)
            sys.exit(1)
if limpiar:
    shutil.rmtree(limpiar, ignore_errors=True)
print(f"{statistics.median(paredes):.4f} {statistics.median(cpus):.4f}")
