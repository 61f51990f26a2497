#!/usr/bin/env python3
"""Mutation guard for the product code.

Draws a fixed, seeded sample of small faults in the product sources (flipped comparisons,
off-by-one constants, negated conditions, dropped statements, swapped little-endian offsets,
&& <-> ||), builds each one incrementally, runs the x64 suite against it and reports which
ones the suite catches. A mutant the suite lets through marks a check that is missing; a test
cut that turns a caught mutant into a survivor has lost a real check.

Usage: python3 scripts/mutantes.py [--muestra N] [--semilla S] [--lista] [--solo K]
           [--build DIR] [--timeout SEG] [--salida FILE] [--continuar] [--ctest] [--sin-base]
           [--muestra-de REV]

Every mutant is written into its file in place and the original is always put back (also on
Ctrl-C or SIGTERM); a copy of the original stays in the build folder while a mutant is in
place, and a run that was killed outright puts it back when it starts again. Results go to
--salida as one JSON line per mutant, so --continuar resumes an interrupted run.
"""

import argparse
import bisect
import difflib
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

RAIZ = Path(__file__).resolve().parent.parent
CARPETAS = ["api", "mensaje", "mime", "almacen_oe5", "almacen_oe4", "almacen_imn", "buzon", "nucleo", "soporte",
            "plataforma", "herramienta"]
OPERADORES = ["comparacion", "constante", "negacion", "sentencia", "desplazamiento", "logico"]
LECTORES = r"(?:Le16|Le32|Le64|Pon16|Pon32|Pon64|Leer16|Leer32|Leer64)"


# ---------------------------------------------------------------------------------------------
# Which files are product code

def es_producto(ruta: Path) -> bool:
    nombre = ruta.name
    if ruta.suffix not in (".cpp", ".h", ".c"):
        return False
    if re.search(r"_test\.(cpp|c)$", nombre):
        return False
    # Test support that still lives beside the product, and the Windows-only sources that an
    # x64 Linux build never compiles (a mutant there could only survive).
    if nombre.startswith(("prueba_", "host_")) or nombre.endswith("_prueba.h"):
        return False
    if "win32" in nombre or "windows" in nombre:
        return False
    return True


def archivos_producto(rev=None) -> list:
    if rev is not None:
        nombres = subprocess.run(["git", "ls-tree", "-r", "--name-only", rev, "--"] + CARPETAS, cwd=RAIZ,
                                 check=True, capture_output=True, text=True).stdout.split()
        return sorted(n for n in nombres if n.count("/") == 1 and es_producto(Path(n)))
    archivos = []
    for carpeta in CARPETAS:
        for ruta in sorted((RAIZ / carpeta).iterdir()):
            if ruta.is_file() and es_producto(ruta):
                archivos.append(ruta.relative_to(RAIZ).as_posix())
    return sorted(archivos)


def leer(ruta: str, rev=None) -> str:
    if rev is None:
        return (RAIZ / ruta).read_text(encoding="utf-8")
    return subprocess.run(["git", "show", "%s:%s" % (rev, ruta)], cwd=RAIZ, check=True,
                          capture_output=True).stdout.decode("utf-8")


# ---------------------------------------------------------------------------------------------
# Masking: comments, literals, preprocessor lines and static_asserts become blanks (same length,
# newlines kept), so that the patterns below only ever see code.

def _blanquear(salida, ini, fin):
    for k in range(ini, fin):
        if salida[k] != "\n":
            salida[k] = " "


def _cierre(texto, abre):
    """Index of the parenthesis that closes the one at `abre` (in masked text), or -1."""
    nivel = 0
    for k in range(abre, len(texto)):
        if texto[k] == "(":
            nivel += 1
        elif texto[k] == ")":
            nivel -= 1
            if nivel == 0:
                return k
    return -1


def enmascarar(texto: str) -> str:
    salida = list(texto)
    n = len(texto)
    i = 0
    while i < n:
        c = texto[i]
        if texto.startswith("//", i):
            j = texto.find("\n", i)
            j = n if j < 0 else j
            _blanquear(salida, i, j)
            i = j
        elif texto.startswith("/*", i):
            j = texto.find("*/", i + 2)
            j = n if j < 0 else j + 2
            _blanquear(salida, i, j)
            i = j
        elif c == "R" and texto.startswith('R"', i) and (i == 0 or not (texto[i - 1].isalnum() and
                                                                     texto[i - 1] not in "Lu8U")):
            abre = texto.find("(", i)
            delim = texto[i + 2:abre]
            fin = texto.find(")" + delim + '"', abre)
            fin = n if fin < 0 else fin + len(delim) + 2
            _blanquear(salida, i + 2, fin - 1)
            i = fin
        elif c == '"' or (c == "'" and not _separador_digitos(texto, i)):
            j = i + 1
            while j < n and texto[j] != c and texto[j] != "\n":
                j += 2 if texto[j] == "\\" else 1
            _blanquear(salida, i + 1, min(j, n))
            i = j + 1
        else:
            i += 1
    enmascarado = "".join(salida)
    # Preprocessor lines, with their continuations.
    lineas = enmascarado.split("\n")
    originales = texto.split("\n")
    sigue = False
    for k, linea in enumerate(lineas):
        if sigue or linea.lstrip().startswith("#"):
            sigue = originales[k].rstrip().endswith("\\")
            lineas[k] = " " * len(linea)
    enmascarado = "\n".join(lineas)
    # A compile-time assertion only fails to compile when mutated.
    salida = list(enmascarado)
    for m in re.finditer(r"\b(?:static_assert|ORVEX_AFIRMA)\s*\(", enmascarado):
        fin = _cierre(enmascarado, m.end() - 1)
        if fin > 0:
            _blanquear(salida, m.start(), fin + 1)
    return "".join(salida)


def _separador_digitos(texto, i):
    """A quote inside a number (1'000'000) is a digit separator, not a character literal."""
    k = i - 1
    while k >= 0 and (texto[k].isalnum() or texto[k] == "'"):
        k -= 1
    return k + 1 < i and texto[k + 1].isdigit()


# ---------------------------------------------------------------------------------------------
# Candidate sites. A site is (operator, start, end, replacement) on the file's text.

NUMERO = r"(?<![\w.'])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.'])"
INTERCAMBIO_COMPARACION = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
EXPRESION_SENTENCIA = re.compile(
    r"^\s*(?:\*|\+\+|--)?[A-Za-z_][\w:.\[\]]*(?:->[\w:.\[\]]+)*\s*"
    r"(?:\(|=(?!=)|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=|\+\+|--)")
PALABRAS_CLAVE = {"if", "for", "while", "switch", "return", "case", "do", "else", "sizeof", "delete", "throw",
                  "goto", "co_return", "new", "using", "typedef", "static_assert", "ORVEX_AFIRMA"}


def _numero(literal: str) -> int:
    return int(literal, 16) if literal[:2].lower() == "0x" else int(literal)


def _escribir_numero(valor: int, como: str) -> str:
    if como[:2].lower() == "0x":
        digitos = "%0*X" % (len(como) - 2, valor)
        return como[:2] + (digitos if any(ch.isupper() for ch in como[2:]) else digitos.lower())
    return str(valor)


def _desplazamiento_vecino(n: int) -> int:
    """The neighbouring field's offset: 4 <-> 8, 12 <-> 16, 0 -> 4 for words; else the next byte."""
    if n % 4 == 0:
        return 4 if n == 0 else (n + 4 if (n // 4) % 2 == 1 else n - 4)
    return n ^ 1


def sitios(ruta: str, rev=None) -> list:
    texto = leer(ruta, rev)
    m_txt = enmascarar(texto)
    res = []

    for m in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", m_txt):
        res.append(("comparacion", m.start(), m.end(), INTERCAMBIO_COMPARACION[m.group(1)]))

    for m in re.finditer(NUMERO, m_txt):
        valor = _numero(m.group(1))
        linea = m_txt.count("\n", 0, m.start())
        nuevo = valor + 1 if valor == 0 or (linea + m.start()) % 2 == 0 else valor - 1
        res.append(("constante", m.start(1), m.end(1), _escribir_numero(nuevo, m.group(1))))

    for m in re.finditer(r"\b(if|while)\s*\(", m_txt):
        abre = m.end() - 1
        cierre = _cierre(m_txt, abre)
        if cierre < 0:
            continue
        cond = m_txt[abre + 1:cierre]
        plano = re.sub(r"\([^()]*\)", "", cond)  # top level only, enough for these conditions
        if ";" in plano or re.search(r"(?<![=!<>])=(?!=)", plano):
            continue  # an init-statement or a declaration: negating it would not compile
        res.append(("negacion", abre + 1, cierre, "!(" + texto[abre + 1:cierre] + ")"))

    if ruta.endswith((".cpp", ".c")):
        inicio = 0
        anterior = ""
        for linea in m_txt.split("\n"):
            limpia = linea.strip()
            primera = re.match(r"[\w]*", limpia.lstrip("*+-")).group(0)
            if (limpia.endswith(";") and anterior.endswith((";", "{", "}")) and EXPRESION_SENTENCIA.match(linea)
                    and primera not in PALABRAS_CLAVE
                    and limpia.count("(") == limpia.count(")") and "= delete" not in limpia
                    and "= default" not in limpia):
                sangria = len(linea) - len(linea.lstrip())
                res.append(("sentencia", inicio + sangria, inicio + len(linea.rstrip()), ";"))
            if limpia:
                anterior = limpia
            inicio += len(linea) + 1

    lecturas = []  # (start, end, term) of the last additive term of each reader's offset
    for m in re.finditer(r"\b" + LECTORES + r"\(", m_txt):
        abre = m.end() - 1
        fin = abre + 1
        nivel = 0
        while fin < len(m_txt) and not (nivel == 0 and m_txt[fin] in ",)"):
            nivel += {"(": 1, ")": -1}.get(m_txt[fin], 0)
            fin += 1
        argumento = m_txt[abre + 1:fin]
        terminos = list(re.finditer(r"(?<=\+ )(0[xX][0-9A-Fa-f]+|\d+|k[A-Z]\w*)\b(?!\s*[*(])", argumento))
        solo = re.fullmatch(r"\s*(k[A-Z]\w*)\s*", argumento)
        for t in terminos[-1:] or ([solo] if solo else []):
            lecturas.append((abre + 1 + t.start(1), abre + 1 + t.end(1), t.group(1)))
    nombres = sorted({t for _, _, t in lecturas if t[0] == "k"})
    for ini, fn, termino in lecturas:
        if termino[0] == "k":
            if len(nombres) > 1:
                # The next name in the file's own set of offsets: another field of the record.
                res.append(("desplazamiento", ini, fn, nombres[(nombres.index(termino) + 1) % len(nombres)]))
        else:
            valor = _numero(termino)
            res.append(("desplazamiento", ini, fn, _escribir_numero(_desplazamiento_vecino(valor), termino)))
    for m in re.finditer(r"\[[^\[\]\n]*? \+ (\d+)\]", m_txt):
        valor = int(m.group(1))
        res.append(("desplazamiento", m.start(1), m.end(1), str(_desplazamiento_vecino(valor))))

    for m in re.finditer(r"(?<= )(&&|\|\|)(?=[ \n])", m_txt):
        res.append(("logico", m.start(), m.end(), "||" if m.group(1) == "&&" else "&&"))

    inicios = [0] + [k + 1 for k, ch in enumerate(texto) if ch == "\n"]
    mutantes = []
    for op, ini, fin, nuevo in res:
        if texto[ini:fin] == nuevo:
            continue
        linea = bisect.bisect_right(inicios, ini)
        col = ini - inicios[linea - 1] + 1
        mutantes.append({"archivo": ruta, "linea": linea, "columna": col, "operador": op, "ini": ini, "fin": fin,
                         "antes": texto[ini:fin], "despues": nuevo})
    return mutantes


def clave(m) -> str:
    return "%s:%d:%d:%s:%s" % (m["archivo"], m["linea"], m["columna"], m["operador"], m["despues"][:40])


def muestra(n: int, semilla: int, rev=None) -> list:
    """Round robin over the operators, each one's sites shuffled by the seed, so that every kind
    of fault gets its share; the sample runs in file order (neighbouring mutants rebuild the
    same objects). With rev, the sample is drawn from the product as it was at that commit and
    then placed in today's files (see colocar)."""
    por_operador = {op: [] for op in OPERADORES}
    for ruta in archivos_producto(rev):
        for m in sitios(ruta, rev):
            por_operador[m["operador"]].append(m)
    rng = random.Random(semilla)
    for op in OPERADORES:
        rng.shuffle(por_operador[op])
    elegidos = []
    while len(elegidos) < n and any(por_operador.values()):
        for op in OPERADORES:
            if por_operador[op] and len(elegidos) < n:
                elegidos.append(por_operador[op].pop())
    elegidos.sort(key=lambda m: (m["archivo"], m["ini"], m["operador"]))
    for k, m in enumerate(elegidos, 1):
        m["n"] = k
        m["clave"] = clave(m)
    if rev is not None:
        colocar(elegidos, rev)
    return elegidos


def colocar(mutantes, rev):
    """Moves mutants drawn at rev onto today's files, keeping their number and key, so that a
    product change does not redraw the sample the guard compares. A file unchanged since rev
    keeps every offset; in a changed one a mutant follows its line through a line diff of the
    two versions when that line is unchanged; otherwise it is marked "not placed" and left out
    of the score."""
    textos = {}
    for m in mutantes:
        ruta = m["archivo"]
        if ruta not in textos:
            antes = leer(ruta, rev)
            ahora = (RAIZ / ruta).read_text(encoding="utf-8") if (RAIZ / ruta).exists() else None
            textos[ruta] = (antes, ahora, seguir_lineas(antes, ahora))
        antes, ahora, seguir = textos[ruta]
        if ahora == antes:
            continue
        ini_linea = antes.rfind("\n", 0, m["ini"]) + 1
        nueva = seguir(antes.count("\n", 0, ini_linea))
        if nueva is None:
            m["no_colocado"] = True
            continue
        delta = nueva - ini_linea
        m["ini"] += delta
        m["fin"] += delta
        m["linea"] = ahora.count("\n", 0, m["ini"]) + 1


def seguir_lineas(antes, ahora):
    """Maps a line of antes (0-based) to the offset where the same line starts in ahora, when a
    line diff keeps it unchanged; None otherwise."""
    if ahora is None or ahora == antes:
        return lambda i: None
    a, b = antes.splitlines(keepends=True), ahora.splitlines(keepends=True)
    inicios = [0]
    for linea in b:
        inicios.append(inicios[-1] + len(linea))
    bloques = difflib.SequenceMatcher(None, a, b, autojunk=False).get_matching_blocks()

    def seguir(i):
        for ia, ib, n in bloques:
            if ia <= i < ia + n:
                return inicios[ib + i - ia]
        return None
    return seguir


def describir(m) -> str:
    texto = (RAIZ / m["archivo"]).read_text(encoding="utf-8")
    ini_linea = texto.rfind("\n", 0, m["ini"]) + 1
    fin_linea = texto.find("\n", m["ini"])
    fin_linea = len(texto) if fin_linea < 0 else fin_linea
    antes = texto[ini_linea:fin_linea].strip()
    mutado = texto[:m["ini"]] + m["despues"] + texto[m["fin"]:]
    fin_mutada = mutado.find("\n", m["ini"])
    despues = mutado[ini_linea:len(mutado) if fin_mutada < 0 else fin_mutada].strip()
    return "%s:%d [%s] %s  =>  %s" % (m["archivo"], m["linea"], m["operador"], antes, despues)


# ---------------------------------------------------------------------------------------------
# Running

class Interrumpido(Exception):
    pass


def _senal(num, _marco):
    raise Interrumpido("signal %d" % num)


def ejecutar(orden, timeout, cwd=None, env=None):
    """Runs a command in its own process group; returns (code or None on timeout, output)."""
    proc = subprocess.Popen(orden, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            start_new_session=True)
    try:
        salida, _ = proc.communicate(timeout=timeout)
        return proc.returncode, salida.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        salida, _ = proc.communicate()
        return None, salida.decode("utf-8", "replace")
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise


class Banco:
    """The build folder, the suite and the file that holds a mutant."""

    def __init__(self, build: Path, usar_ctest: bool, trabajos: int):
        self.build = build
        self.usar_ctest = usar_ctest
        self.trabajos = trabajos
        self.estado = build / "mutantes-en-curso.json"
        self.copia = build / "mutantes-original.bak"

    def configurar(self):
        if not (self.build / "CMakeCache.txt").exists():
            codigo, salida = ejecutar(["cmake", "--preset", "x64", "-B", str(self.build)], 900, cwd=RAIZ)
            if codigo != 0:
                sys.exit("configure failed:\n" + salida[-3000:])

    def compilar(self, timeout=3600):
        codigo, salida = ejecutar(["cmake", "--build", str(self.build), "-j1"], timeout, cwd=RAIZ)
        return codigo == 0, salida

    # -- in-place mutation, always undone --
    def recuperar(self):
        """Puts back an original left behind by a run that was killed outright."""
        if self.estado.exists():
            ruta = RAIZ / json.loads(self.estado.read_text())["archivo"]
            ruta.write_bytes(self.copia.read_bytes())
            print("restored %s from an interrupted run" % ruta.relative_to(RAIZ), flush=True)
            self.copia.unlink()
            self.estado.unlink()

    def aplicar(self, m):
        ruta = RAIZ / m["archivo"]
        original = ruta.read_bytes()
        texto = original.decode("utf-8")
        if texto[m["ini"]:m["fin"]] != m["antes"]:
            raise RuntimeError("%s changed since the sample was drawn" % m["archivo"])
        self.copia.write_bytes(original)
        self.estado.write_text(json.dumps({"archivo": m["archivo"]}))
        ruta.write_bytes((texto[:m["ini"]] + m["despues"] + texto[m["fin"]:]).encode("utf-8"))
        return original

    def deshacer(self, m, original):
        (RAIZ / m["archivo"]).write_bytes(original)
        self.copia.unlink(missing_ok=True)
        self.estado.unlink(missing_ok=True)

    # -- the suite --
    def _entorno(self):
        env = dict(os.environ, GTEST_COLOR="no", ORVEX_FUENTES=str(RAIZ))
        cache = (self.build / "CMakeCache.txt").read_text(encoding="utf-8", errors="replace")
        m = re.search(r"^ORVEX_MUESTRAS:PATH=(.*)$", cache, re.M)
        if m and Path(m.group(1)).is_dir():
            env["ORVEX_MUESTRAS"] = m.group(1)
        else:
            env.pop("ORVEX_MUESTRAS", None)
        return env

    def programas(self, primero=None):
        """The test programs, those of the mutated file's folder first (they kill soonest)."""
        encontrados = []
        for raiz, dirs, archivos in os.walk(self.build):
            dirs[:] = [d for d in dirs if d != "CMakeFiles" and not d.startswith("_")]
            for a in archivos:
                p = Path(raiz) / a
                if a.endswith("_test") and os.access(p, os.X_OK):
                    encontrados.append(p)
        carpeta = self.build / primero if primero else None
        return sorted(encontrados, key=lambda p: (carpeta is None or p.parent != carpeta, str(p)))

    def probar(self, timeout, carpeta=None):
        """('killed' | 'survived' | 'timed out', detail)."""
        if self.usar_ctest:
            codigo, salida = ejecutar(["ctest", "--test-dir", str(self.build), "-j%d" % self.trabajos,
                                       "--timeout", "60", "--stop-on-failure"], timeout, cwd=RAIZ)
            if codigo is None or "***Timeout" in salida:
                return "timed out", ""
            if codigo == 0:
                return "survived", ""
            fallo = re.search(r"^\s*\d+ - (\S+) \(", salida, re.M)
            return "killed", fallo.group(1) if fallo else ""
        env = self._entorno()
        limite = time.monotonic() + timeout
        for p in self.programas(carpeta):
            resta = limite - time.monotonic()
            if resta <= 0:
                return "timed out", p.name
            orden = [str(p)] if p.name == "api_c_test" else [str(p), "--gtest_fail_fast", "--gtest_brief=1"]
            codigo, salida = ejecutar(orden, resta, cwd=p.parent, env=env)
            if codigo is None:
                return "timed out", p.name
            if codigo != 0:
                fallo = re.search(r"^\[  FAILED  \] (\S+)", salida, re.M)
                return "killed", "%s %s" % (p.name, fallo.group(1) if fallo else "exit %d" % codigo)
        return "survived", ""


# ---------------------------------------------------------------------------------------------

def resumen(resultados, muestra_actual):
    vistos = [resultados[m["clave"]] for m in muestra_actual if m["clave"] in resultados]
    cuenta = {r: sum(1 for v in vistos if v["resultado"] == r)
              for r in ("killed", "survived", "timed out", "not compiling")}
    validos = cuenta["killed"] + cuenta["survived"] + cuenta["timed out"]
    puntuacion = 100.0 * (cuenta["killed"] + cuenta["timed out"]) / validos if validos else 0.0
    print("mutants: %d, killed %d, survived %d, timed out %d, not compiling %d, score %.1f%%" % (
        len(vistos), cuenta["killed"], cuenta["survived"], cuenta["timed out"], cuenta["not compiling"],
        puntuacion))
    sobreviven = [(m["n"], resultados[m["clave"]]) for m in muestra_actual
                  if resultados.get(m["clave"], {}).get("resultado") == "survived"]
    if sobreviven:
        print("survivors:")
        for n, v in sobreviven:
            print("  #%d %s" % (n, v["cambio"]))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--muestra", type=int, default=150, help="number of mutants (default 150)")
    ap.add_argument("--semilla", type=int, default=19, help="seed of the sample (default 19)")
    ap.add_argument("--lista", action="store_true", help="only print the sample")
    ap.add_argument("--solo", type=int, metavar="K", help="run only mutant K of the sample")
    ap.add_argument("--build", default="build/x64", help="build folder (default build/x64, x64 preset)")
    ap.add_argument("--timeout", type=float, help="seconds of testing per mutant (default 3x the clean run)")
    ap.add_argument("--salida", help="JSON lines results (default BUILD/mutantes.jsonl)")
    ap.add_argument("--continuar", action="store_true", help="skip mutants already in --salida")
    ap.add_argument("--ctest", action="store_true", help="run the suite through ctest instead of the programs")
    ap.add_argument("--trabajos", type=int, default=2, help="ctest -j (default 2)")
    ap.add_argument("--sin-base", action="store_true", help="skip the clean run (needs --timeout)")
    ap.add_argument("--muestra-de", metavar="REV",
                    help="draw the sample from the product at commit REV (the guard's before/after pair)")
    args = ap.parse_args()

    build = Path(args.build)
    build = build if build.is_absolute() else RAIZ / build
    banco = Banco(build, args.ctest, args.trabajos)
    banco.recuperar()  # before drawing: the sample is drawn from the real sources
    mutantes = muestra(args.muestra, args.semilla, args.muestra_de)
    if args.lista:
        for m in mutantes:
            print("%3d  %s" % (m["n"], "not placed: " + m["clave"] if m.get("no_colocado") else describir(m)))
        return 0
    if args.solo is not None and not 1 <= args.solo <= len(mutantes):
        sys.exit("--solo must be between 1 and %d" % len(mutantes))
    if args.sin_base and args.timeout is None:
        sys.exit("--sin-base needs --timeout")

    salida = Path(args.salida) if args.salida else build / "mutantes.jsonl"
    signal.signal(signal.SIGINT, signal.default_int_handler)  # even when started with SIGINT ignored
    signal.signal(signal.SIGTERM, _senal)
    signal.signal(signal.SIGHUP, _senal)

    banco.configurar()
    resultados = {}
    if args.continuar and salida.exists():
        for linea in salida.read_text().splitlines():
            if linea.strip():
                r = json.loads(linea)
                resultados[r["clave"]] = r
    elif args.solo is None or not salida.exists():
        salida.write_text("")

    pendientes = [m for m in mutantes if (args.solo is None or m["n"] == args.solo)
                  and not (args.continuar and m["clave"] in resultados)]
    if not pendientes:
        resumen(resultados, mutantes)
        return 0

    t0 = time.monotonic()
    ok, texto = banco.compilar()
    if not ok:
        sys.exit("the unmutated tree does not build:\n" + texto[-3000:])
    print("clean build: %.0f s" % (time.monotonic() - t0), flush=True)
    timeout = args.timeout
    if not args.sin_base:
        t0 = time.monotonic()
        estado, detalle = banco.probar(args.timeout or 3600)
        base = time.monotonic() - t0
        if estado != "survived":
            sys.exit("the suite fails without any mutant (%s %s): fix that first" % (estado, detalle))
        print("clean suite: %.0f s" % base, flush=True)
        timeout = timeout or max(60.0, 3 * base)

    construido = False
    try:
        for m in pendientes:
            if m.get("no_colocado"):
                print("[%d/%d] not placed: %s" % (m["n"], len(mutantes), m["clave"]), flush=True)
                continue
            cambio = describir(m)
            t0 = time.monotonic()
            original = banco.aplicar(m)
            try:
                construido = True
                ok, _ = banco.compilar()
                t_build = time.monotonic() - t0
                if ok:
                    estado, detalle = banco.probar(timeout, m["archivo"].split("/")[0])
                else:
                    estado, detalle = "not compiling", ""
            finally:
                banco.deshacer(m, original)
            r = {"n": m["n"], "clave": m["clave"], "archivo": m["archivo"], "linea": m["linea"],
                 "operador": m["operador"], "cambio": cambio, "resultado": estado, "detalle": detalle,
                 "build_s": round(t_build, 1), "total_s": round(time.monotonic() - t0, 1)}
            resultados[m["clave"]] = r
            with salida.open("a") as f:
                f.write(json.dumps(r, ensure_ascii=False) + "\n")
            print("[%d/%d] %-13s %5.0f s  %s%s" % (m["n"], len(mutantes), estado, r["total_s"], cambio,
                                                    ("  (" + detalle + ")") if detalle else ""), flush=True)
    except (KeyboardInterrupt, Interrumpido):
        print("interrupted; every file is back as it was", flush=True)
    finally:
        if construido:
            # Leave the build folder holding the real product again.
            signal.signal(signal.SIGINT, signal.SIG_IGN)
            banco.compilar()
    resumen(resultados, mutantes)
    return 0


if __name__ == "__main__":
    sys.exit(main())
