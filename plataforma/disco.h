// What each backend (posix.cpp, win32.cpp) gives the shared entry points in archivo.cpp: the
// file system's own answers, asked once no installed source claims the path.
#pragma once

#include <string>
#include <vector>

namespace orvex::plataforma {

std::vector<std::string> ListarEnDisco(const std::string& directorio, const std::string& patron);
bool ExisteEnDisco(const std::string& ruta);

}  // namespace orvex::plataforma
