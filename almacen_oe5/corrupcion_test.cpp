// Damaged stores: one field at a time set to 0, the maximum, one off, past the end of the
// file or pointing at itself; then truncated, zero-filled and random files. Every walk must
// end with result codes, never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/danios.h"
#include "pruebas/recorrido_host.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::dbx;

void CamposNodo(std::vector<Campo>& campos, const std::string& nombre, uint32_t nodo, uint32_t entradas) {
  campos.push_back({nombre + " +0x08", nodo + kNodoHijo, nodo});
  campos.push_back({nombre + " cuenta", nodo + kNodoCuenta, nodo});
  for (uint32_t i = 0; i < entradas; ++i) {
    const uint32_t e = nodo + kNodoEntradas + i * kLongEntrada;
    campos.push_back({nombre + " objeto " + std::to_string(i), e + kEntradaObjeto, nodo});
    campos.push_back({nombre + " hijo " + std::to_string(i), e + kEntradaHijo, nodo});
  }
}

void CamposObjeto(std::vector<Campo>& campos, const std::vector<uint8_t>& b, const std::string& nombre, uint32_t obj) {
  const uint32_t n = b[obj + kObjNumIndices];
  const uint32_t datos = obj + kLongCabObjeto + 4 * n;
  for (uint32_t pos : {obj + kObjLongCuerpo, obj + 8, datos, datos + 8}) {
    campos.push_back({nombre + " +" + std::to_string(pos - obj), pos, obj});
  }
  for (uint32_t i = 0; i < n; ++i) {
    campos.push_back({nombre + " indice " + std::to_string(i), obj + kLongCabObjeto + 4 * i, obj});
  }
}

class CorrupcionOe5Test : public ::testing::Test {
 protected:
  CorrupcionOe5Test() : almacen_(AlmacenEjemplo()) {}
  const MapaDbx& Carpetas() const { return almacen_.Escrito().carpetas; }
  const MapaDbx& Entrada() const { return almacen_.Escrito().archivos.at("Inbox.dbx"); }

  AlmacenInstalado almacen_;
};

TEST_F(CorrupcionOe5Test, ElAlmacenIntactoSaleEntero) {
  const CuentaHost c = RecorrerComoHost();
  EXPECT_EQ(c.carpetas, 7);
  EXPECT_EQ(c.mensajes, 9);
  EXPECT_EQ(c.errores, 0);
}

TEST_F(CorrupcionOe5Test, UnCampoCadaVez) {
  for (const char* archivo : {"folders.dbx", "Inbox.dbx"}) {
    const bool carpetas = std::string(archivo) == "folders.dbx";
    const MapaDbx& m = carpetas ? Carpetas() : Entrada();
    std::vector<Campo> campos;
    for (uint32_t cabecera : carpetas ? std::vector<uint32_t>{kCabAreaRaiz, kCabNumSubCarpetas, kCabArbolCarpetas}
                                      : std::vector<uint32_t>{kCabInicioObjetos, kCabLongObjetos, kCabMaxIdMensaje,
                                                              kCabLimiteTexto, kCabNumMensajes, kCabArbolMensajes}) {
      campos.push_back({"cabecera " + std::to_string(cabecera), cabecera, 0});
    }
    if (carpetas) campos.push_back({"longitud del area raiz", m.area_raiz + 4, m.area_raiz});
    for (std::size_t i = 0; i < m.nodos.size(); ++i) {
      CamposNodo(campos, "nodo " + std::to_string(i), m.nodos[i], LeerPalabra(m.bytes, m.nodos[i] + kNodoCuenta) >> 8);
    }
    for (std::size_t i = 0; i < m.objetos.size(); ++i) {
      CamposObjeto(campos, m.bytes, "objeto " + std::to_string(i), m.objetos[i]);
    }
    for (std::size_t i = 0; i < m.bloques.size(); ++i) {
      for (std::size_t j = 0; j < m.bloques[i].size(); ++j) {
        const uint32_t b = m.bloques[i][j];
        const std::string n = "bloque " + std::to_string(i) + "." + std::to_string(j);
        for (uint32_t campo : {kBloqueCapacidad, kBloqueUsado, kBloqueSiguiente}) {
          campos.push_back({n + " +" + std::to_string(campo), b + campo, b});
        }
      }
    }
    for (const Campo& campo : campos) {
      for (Danio d : kDanios) {
        SCOPED_TRACE(std::string(archivo) + " " + campo.nombre + " = " + NombreDanio(d));
        almacen_.Reescribir(archivo, Danar(m.bytes, campo, d));
        RecorrerComoHost();
      }
    }
    almacen_.Reescribir(archivo, m.bytes);
  }
}

// Lists Inbox with a damaged image and reports each message's result.
std::vector<uint32_t> ResultadosEntrada(AlmacenInstalado& almacen, const std::vector<uint8_t>& bytes) {
  almacen.Reescribir("Inbox.dbx", bytes);
  CarpetaAbierta c(4);
  EXPECT_EQ(c.resultado, OE_OK);
  std::vector<uint32_t> r;
  for (const MensajeVisto& m : Listar(c.c, 50).mensajes) r.push_back(m.resultado);
  return r;
}

TEST_F(CorrupcionOe5Test, UnMensajeDanadoDa1YElListadoSigue) {
  const MapaDbx& m = Entrada();
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    uint32_t pos;
    uint32_t valor;
    std::vector<uint32_t> resultados;
  };
  const std::vector<uint32_t> segundo_roto = {OE_OK, OE_ERROR, OE_OK, OE_OK, OE_OK};
  const Caso casos[] = {
      // An entry at or past the object bound ends its node: the message is passed over.
      {"objeto fuera del archivo", m.nodos[0] + kNodoEntradas + kLongEntrada, tamano, {OE_OK, OE_OK, OE_OK, OE_OK}},
      {"objeto a 0", m.nodos[0] + kNodoEntradas + kLongEntrada, 0, {OE_OK, OE_OK, OE_OK, OE_OK}},
      {"cuerpo del objeto hasta pasado el final", m.objetos[1] + kObjLongCuerpo, tamano - m.objetos[1], segundo_roto},
      {"bloque con capacidad 513", m.bloques[1][0] + kBloqueCapacidad, 513, segundo_roto},
      {"bloque que apunta a si mismo", m.bloques[1][1] + kBloqueSiguiente, m.bloques[1][1], segundo_roto},
      {"ciclo entre bloques", m.bloques[4][5] + kBloqueSiguiente, m.bloques[4][1],
       {OE_OK, OE_OK, OE_OK, OE_OK, OE_ERROR}},
      {"texto en el limite de la cabecera", kCabLimiteTexto, m.bloques[4][0], {OE_OK, OE_OK, OE_OK, OE_OK, OE_ERROR}},
      {"texto justo antes del limite", kCabLimiteTexto, m.bloques[4][0] + 1, {OE_OK, OE_OK, OE_OK, OE_OK, OE_OK}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    PonerPalabra(b, caso.pos, caso.valor);
    EXPECT_EQ(ResultadosEntrada(almacen_, b), caso.resultados);
  }
}

TEST_F(CorrupcionOe5Test, UnaCarpetaDanadaDa1YElRecorridoSigue) {
  const MapaDbx& m = Carpetas();
  std::vector<uint8_t> b = m.bytes;
  // Inbox's object claims a body past the end of the file.
  PonerPalabra(b, m.objetos[1] + kObjLongCuerpo, 0x7FFFFFFF);
  almacen_.Reescribir("folders.dbx", b);
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_OK);
  std::vector<uint32_t> resultados;
  std::vector<std::string> nombres;
  for (uint32_t r = OE_OK; r != OE_FIN && resultados.size() < 20;) {
    resultados.push_back(r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE));
    if (r == OE_OK) nombres.push_back(c->Nombre);
  }
  OE_ObtenerCarpetas(&c, OE_CERRAR);
  EXPECT_EQ(resultados, (std::vector<uint32_t>{OE_OK, OE_ERROR, OE_OK, OE_OK, OE_OK, OE_OK, OE_OK, OE_FIN}));
  EXPECT_EQ(nombres,
            (std::vector<std::string>{"Local Folders", "Proyectos", "2001", "Outbox", "Sent Items", "Hotmail"}));
  // The filtered walks pass over it; the search by id ends at it, so a folder behind it is not
  // found, and neither is the damaged one.
  CarpetaAbierta local(1);
  ASSERT_EQ(local.resultado, OE_OK);
  const Recorrido hijas = Recorrer([&](OE_CARPETA** h, uint32_t modo) { return OE_ObtenerSubCarpetas(local.c, h, modo); });
  ASSERT_EQ(hijas.carpetas.size(), 2u);
  EXPECT_EQ(hijas.carpetas[0].nombre, "Outbox");
  EXPECT_EQ(hijas.carpetas[1].nombre, "Sent Items");
  const std::pair<uint32_t, uint32_t> busquedas[] = {{1, OE_OK}, {6, OE_ERROR}, {4, OE_ERROR}, {99, OE_ERROR}};
  for (const auto& [id, resultado] : busquedas) {
    CarpetaAbierta buscada(id);
    EXPECT_EQ(buscada.resultado, resultado) << id;
    EXPECT_EQ(buscada.c != nullptr && buscada.c->IdCarpeta == id, resultado == OE_OK) << id;
  }
}

TEST_F(CorrupcionOe5Test, NombresSinTerminadorSeCortan) {
  AlmacenDbx d = AlmacenEjemplo();
  d.carpetas[1].nombre = std::string(400, 'N');
  d.carpetas[1].archivo = std::string(400, 'F');
  d.carpetas[1].num_mensajes = 5;
  d.carpetas[1].mensajes.reset();
  AlmacenInstalado a(d);
  CarpetaAbierta c(4);
  ASSERT_EQ(c.resultado, OE_OK);
  EXPECT_EQ(std::string(c.c->Nombre), std::string(255, 'N'));
  EXPECT_EQ(std::strlen(c.c->RutaIndice), 259u);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_ERROR);
}

TEST_F(CorrupcionOe5Test, ArchivosCortadosDeCerosYAlAzar) {
  std::mt19937 azar(20011);
  for (const char* nombre : {"folders.dbx", "Inbox.dbx"}) {
    const bool carpetas = std::string(nombre) == "folders.dbx";
    const std::vector<uint8_t>& original = carpetas ? Carpetas().bytes : Entrada().bytes;
    std::vector<std::size_t> largos = {0, 1, 4, 8, 231, 232, 239, 240, 241, 1000, kPosObjetoRaiz, kPosObjetoRaiz + 20};
    for (std::size_t l = kLongCabecera; l < original.size(); l += 97) largos.push_back(l);
    largos.push_back(original.size() - 1);
    for (std::size_t largo : largos) {
      SCOPED_TRACE(std::string(nombre) + " cortado a " + std::to_string(largo));
      almacen_.Reescribir(nombre, std::vector<uint8_t>(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(
                                                                                                 std::min(largo, original.size()))));
      RecorrerComoHost();
    }
    for (int vuelta = 0; vuelta < 60; ++vuelta) {
      SCOPED_TRACE(std::string(nombre) + " vuelta " + std::to_string(vuelta));
      // Zeros; then random words over zeros or over the real file, under a valid signature.
      std::vector<uint8_t> b = vuelta % 2 == 0 && vuelta > 0 ? original : std::vector<uint8_t>(original.size(), 0);
      const int cambios = vuelta == 0 ? 0 : vuelta % 2 == 0 ? 40 : static_cast<int>(b.size() / 4);
      for (int i = 0; i < cambios; ++i) {
        const uint32_t pos = static_cast<uint32_t>(azar() % (b.size() / 4)) * 4;
        // Small values, offsets inside the file, or anything.
        const uint32_t clase = azar() % 3;
        PonerPalabra(b, pos, clase == 0 ? azar() % 600 : clase == 1 ? azar() % b.size() : azar());
      }
      PonerPalabra(b, 0, kFirma0);
      PonerPalabra(b, 4, carpetas ? kFirmaCarpetas : kFirmaMensajes);
      almacen_.Reescribir(nombre, b);
      RecorrerComoHost();
    }
    almacen_.Reescribir(nombre, original);
  }
}

TEST_F(CorrupcionOe5Test, MuchosNodosSeCortanEnLaCapacidadDeLaLista) {
  // 1100 nodes of one message each: the walk keeps the first 1000.
  AlmacenDbx d;
  ArchivoMensajesDbx a;
  a.arbol = {1, FormaArbol::kMixto};
  for (uint32_t i = 0; i < 1100; ++i) a.mensajes.push_back(Mensaje(i + 1, "x"));
  d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
  AlmacenInstalado almacen(d);
  CarpetaAbierta c(4);
  const Listado l = Listar(c.c, 2000);
  ASSERT_EQ(l.mensajes.size(), kMaxNodosMensajes);
  for (uint32_t i = 0; i < l.mensajes.size(); ++i) ASSERT_EQ(l.mensajes[i].id, i + 1);
}

}  // namespace
}  // namespace orvex::pruebas
