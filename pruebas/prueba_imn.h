// The stores' test support lives in one header; this name stays for the suites that include it.
#pragma once

#include "pruebas/prueba_almacen.h"
