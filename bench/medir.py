#!/usr/bin/env python3
"""Runs a command several times and prints its best wall time and its best CPU time (user +
system of the process and its children), in seconds: "WALL CPU". Before each run the folder
given with --limpiar is emptied. Exits non-zero when a run fails, with its last output line."""
import os
import shutil
import subprocess
import sys
import time

veces = int(sys.argv[1])
limpiar = None
args = sys.argv[2:]
if args and args[0] == "--limpiar":
    limpiar, args = args[1], args[2:]
mejor_pared = mejor_cpu = None
for _ in range(veces):
    if limpiar:
        shutil.rmtree(limpiar, ignore_errors=True)
        os.makedirs(limpiar)
    antes = os.times()
    t0 = time.perf_counter()
    r = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    pared = time.perf_counter() - t0
    despues = os.times()
    cpu = (despues.children_user - antes.children_user) + (despues.children_system - antes.children_system)
    if r.returncode != 0:
        lineas = r.stdout.decode(errors="replace").strip().splitlines()
        print(f"failed ({r.returncode}): {lineas[-1] if lineas else ''}", file=sys.stderr)
        sys.exit(1)
    mejor_pared = pared if mejor_pared is None else min(mejor_pared, pared)
    mejor_cpu = cpu if mejor_cpu is None else min(mejor_cpu, cpu)
if limpiar:
    shutil.rmtree(limpiar, ignore_errors=True)
print(f"{mejor_pared:.4f} {mejor_cpu:.4f}")
