#!/usr/bin/env python3
"""Per-test source coverage: each test of the suite run alone with its own profile, then, for every
test, the product lines and branches that no other test covers.

A test with no line or branch of its own runs nothing the rest of the suite does not run; whether
its asserted values are checked elsewhere is for the reader to see. The fuzz replay is left out of
the comparison: it checks invariants, not values.

Build with clang's source coverage first (about ten minutes on two cores):
  cmake -S . -B build/cobertura -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
    -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
    -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate -DCMAKE_SHARED_LINKER_FLAGS=-fprofile-instr-generate
  cmake --build build/cobertura
Then: scripts/cobertura.py build/cobertura OUT [REGEX]   (about five minutes; writes OUT/informe.txt)
"""

import json, os, subprocess, sys, glob, re, collections, time, shutil

BUILD = sys.argv[1]           # build folder (clang, -fprofile-instr-generate -fcoverage-mapping)
OUT = sys.argv[2]             # output folder
SRC = os.path.realpath(os.path.join(BUILD, '..', '..'))
os.makedirs(OUT, exist_ok=True)
raw = os.path.join(OUT, 'raw'); os.makedirs(raw, exist_ok=True)
data = os.path.join(OUT, 'lcov'); os.makedirs(data, exist_ok=True)

tests = json.loads(subprocess.run(['ctest', '--test-dir', BUILD, '--show-only=json-v1'],
                                  capture_output=True, text=True).stdout)['tests']
# Every ELF executable or shared library of the build that carries coverage mapping.
objetos = []
for raiz, dirs, archivos in os.walk(BUILD):
    if '_deps' in raiz or 'CMakeFiles' in raiz: continue
    for a in archivos:
        p = os.path.join(raiz, a)
        if os.path.islink(p) or not os.access(p, os.X_OK) and not a.endswith('.so'): continue
        try:
            with open(p, 'rb') as f:
                if f.read(4) != b'\x7fELF': continue
        except OSError: continue
        objetos.append(p)
print(len(tests), 'tests,', len(objetos), 'objects', flush=True)

PRODUCTO = re.compile(r'^(api|nucleo|mensaje|mime|almacen_oe5|almacen_oe4|almacen_imn|soporte|plataforma|herramienta|recuperacion|colmena|escritura|imagen|buzon)/')
def es_producto(rel):
    return PRODUCTO.match(rel) and not re.search(r'(_test\.[a-z]+$|prueba)', rel)

solo = sys.argv[3] if len(sys.argv) > 3 else None

for i, t in enumerate(tests):
    nombre = t['name']
    if solo and not re.search(solo, nombre): continue
    destino = os.path.join(data, f'{i:04d}.lcov')
    if os.path.exists(destino): continue
    d = os.path.join(raw, f'{i:04d}'); shutil.rmtree(d, ignore_errors=True); os.makedirs(d)
    env = dict(os.environ, LLVM_PROFILE_FILE=os.path.join(d, '%p-%m.profraw'))
    props = {p['name']: p['value'] for p in t.get('properties', [])}
    for e in props.get('ENVIRONMENT', []):
        k, _, v = e.partition('='); env[k] = v
    cwd = props.get('WORKING_DIRECTORY', BUILD)
    t0 = time.time()
    try:
        r = subprocess.run(t['command'], cwd=cwd, env=env, capture_output=True, timeout=900)
        rc = r.returncode
    except subprocess.TimeoutExpired:
        rc = 'timeout'
    perfiles = glob.glob(os.path.join(d, '*.profraw'))
    lineas = set(); ramas = set()
    if perfiles:
        pd = os.path.join(d, 'm.profdata')
        subprocess.run(['llvm-profdata', 'merge', '-sparse', '-o', pd] + perfiles, capture_output=True)
        args = ['llvm-cov', 'export', '-format=lcov', '-instr-profile', pd, objetos[0]]
        for o in objetos[1:]: args += ['-object', o]
        ex = subprocess.run(args, capture_output=True, text=True)
        archivo = None
        for l in ex.stdout.splitlines():
            if l.startswith('SF:'):
                archivo = os.path.relpath(os.path.realpath(l[3:]), SRC)
                if archivo.startswith('..') or not es_producto(archivo): archivo = None
            elif archivo and l.startswith('DA:'):
                n, c = l[3:].split(',')[:2]
                if int(c) > 0: lineas.add(f'{archivo}:{n}')
            elif archivo and l.startswith('BRDA:'):
                n, b, r_, c = l[5:].split(',')
                if c not in ('-', '0'): ramas.add(f'{archivo}:{n}:{b}:{r_}')
    shutil.rmtree(d, ignore_errors=True)
    with open(destino, 'w') as f:
        json.dump({'name': nombre, 'rc': rc, 's': round(time.time() - t0, 1),
                   'lineas': sorted(lineas), 'ramas': sorted(ramas)}, f)
    print(i, nombre, rc, len(lineas), len(ramas), round(time.time() - t0, 1), flush=True)

# ---------------------------------------------------------------------------------- report
informe = open(os.path.join(OUT, 'informe.txt'), 'w')
def escribir(*args):
    print(*args, file=informe)

ts = [json.load(open(f)) for f in sorted(glob.glob(OUT + '/lcov/*.lcov'))]
ts = [t for t in ts if 'RegresionTest' not in t['name']]
for t in ts: t['name'] = t['name'].split('  #')[0]
# where each suite is defined
src = SRC
donde = {}
out = subprocess.run(['git', '-C', src, 'grep', '-nE', r'^(TEST|TEST_F|TEST_P)\('], capture_output=True, text=True).stdout
for l in out.splitlines():
    f, n, rest = l.split(':', 2)
    m = re.match(r'TEST(?:_F|_P)?\((\w+),\s*(\w+)', rest)
    if m: donde[(m.group(1), m.group(2))] = f'{f}:{n}'
cl = collections.Counter(); cb = collections.Counter()
for t in ts:
    cl.update(t['lineas']); cb.update(t['ramas'])
filas = []
for t in ts:
    ul = [l for l in t['lineas'] if cl[l] == 1]
    ub = [b for b in t['ramas'] if cb[b] == 1]
    partes = t['name'].split('/')
    suite_test = partes[1] if len(partes) > 1 else partes[0]
    s, _, n = suite_test.partition('.')
    filas.append((len(ul) + len(ub), t, ul, ub, donde.get((s, n), '?')))
escribir(f"# {len(ts)} tests (fuzz replay left out); product lines covered: {len(cl)}; branches: {len(cb)}")
escribir("# columns: unique lines, unique branches, lines covered, test, where")
escribir("# 'unique' = no other test of the suite covers it. Zero/zero: its lines are all run elsewhere;")
escribir("# whether its VALUES are checked elsewhere is for you to see. Under each test with few unique")
escribir("# lines, the lines themselves (file:line, or file:line:block:branch for a branch).")
for n, t, ul, ub, w in sorted(filas, key=lambda f: (f[0], f[1]['name'])):
    escribir(f"{len(ul):5d} {len(ub):5d} {len(t['lineas']):6d} {t['name']}  [{w}]")
    if 0 < n <= 15:
        for x in ul + ub: escribir(f"          only here: {x}")
informe.close()
print('report:', os.path.join(OUT, 'informe.txt'))
