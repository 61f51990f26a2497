#include "herramienta/almacen.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>
#include <vector>

namespace orvex::herramienta {
namespace fs = std::filesystem;
namespace {

bool IgualesSinCaso(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Names of the entries of dir (files when carpetas is false, folders otherwise).
std::vector<std::string> Entradas(const fs::path& dir, bool carpetas) {
  std::vector<std::string> nombres;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), fin; !ec && it != fin; it.increment(ec)) {
    std::error_code ec2;
    const bool es_carpeta = it->is_directory(ec2);
    if (ec2) continue;
    if (es_carpeta == carpetas) nombres.push_back(it->path().filename().string());
  }
  return nombres;
}

bool TieneArchivo(const fs::path& dir, std::string_view nombre) {
  for (const std::string& n : Entradas(dir, false)) {
    if (IgualesSinCaso(n, nombre)) return true;
  }
  return false;
}

std::optional<fs::path> Subcarpeta(const fs::path& dir, std::string_view nombre) {
  for (const std::string& n : Entradas(dir, true)) {
    if (IgualesSinCaso(n, nombre)) return dir / n;
  }
  return std::nullopt;
}

std::string Extension(const std::string& nombre) {
  const std::size_t punto = nombre.rfind('.');
  return punto == std::string::npos ? std::string() : nombre.substr(punto + 1);
}

// A mailbox of the oldest client: a .mbx with a .idx of the same name beside it.
bool TieneBuzones(const fs::path& dir) {
  const std::vector<std::string> archivos = Entradas(dir, false);
  for (const std::string& mbx : archivos) {
    if (!IgualesSinCaso(Extension(mbx), "mbx")) continue;
    const std::string base = mbx.substr(0, mbx.size() - 3);
    for (const std::string& idx : archivos) {
      if (IgualesSinCaso(idx, base + "idx")) return true;
    }
  }
  return false;
}

AlmacenReconocido EnSubcarpeta(uint32_t version, const fs::path& dir, const std::string& sub) {
  AlmacenReconocido a;
  a.version = version;
  a.datos = dir;
  a.subcarpeta = sub;
  const fs::path nombre = dir.filename();
  if (IgualesSinCaso(nombre.string(), sub)) a.raiz = dir.parent_path();
  return a;
}

// The news accounts of an Outlook Express 4 store: folders of raiz/News with a sublist.dat.
std::vector<std::string> CuentasNoticias(const fs::path& raiz) {
  std::vector<std::string> cuentas;
  const std::optional<fs::path> noticias = Subcarpeta(raiz, "News");
  if (!noticias) return cuentas;
  for (const std::string& n : Entradas(*noticias, true)) {
    if (TieneArchivo(*noticias / n, "sublist.dat")) cuentas.push_back(n);
  }
  std::sort(cuentas.begin(), cuentas.end());
  return cuentas;
}

}  // namespace

std::optional<AlmacenReconocido> ReconocerAlmacen(const fs::path& entrada) {
  std::error_code ec;
  fs::path dir = fs::absolute(entrada, ec).lexically_normal();
  if (ec || !fs::is_directory(dir, ec)) return std::nullopt;
  if (!dir.has_filename()) dir = dir.parent_path();

  if (TieneArchivo(dir, "folders.dbx")) return AlmacenReconocido{5, dir, dir, "", {}};
  if (const std::optional<fs::path> mail = Subcarpeta(dir, "mail"); mail && TieneArchivo(*mail, "folders.nch")) {
    return AlmacenReconocido{4, *mail, dir, "mail", CuentasNoticias(dir)};
  }
  if (TieneArchivo(dir, "folders.nch")) {
    AlmacenReconocido a = EnSubcarpeta(4, dir, "mail");
    if (!a.raiz.empty()) a.cuentas_noticias = CuentasNoticias(a.raiz);
    return a;
  }
  if (const std::optional<fs::path> mail = Subcarpeta(dir, "Mail"); mail && TieneBuzones(*mail)) {
    return AlmacenReconocido{1, *mail, dir, "Mail", {}};
  }
  if (TieneBuzones(dir)) return EnSubcarpeta(1, dir, "Mail");
  return std::nullopt;
}

std::string CadenaRegistro(std::string_view texto) {
  std::string r = "\"";
  for (char c : texto) {
    if (c == '\\' || c == '"') r += '\\';
    r += c;
  }
  return r + "\"";
}

std::string TextoRegistro(uint32_t version, std::string_view raiz, std::string_view usuario,
                          const std::vector<std::string>& cuentas_noticias) {
  std::string r = "REGEDIT4\r\n\r\n";
  const auto clave = [&r](std::string_view nombre) {
    r += "[";
    r += nombre;
    r += "]\r\n";
  };
  const auto valor = [&r](std::string_view nombre, std::string_view texto) {
    r += CadenaRegistro(nombre) + "=" + CadenaRegistro(texto) + "\r\n";
  };
  const std::string identidad(kIdentidadDemo);
  switch (version) {
    case 5:
      clave("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info");
      valor("Current", "6.0.2900.5512");
      r += "\r\n";
      clave("HKEY_CURRENT_USER\\Identities");
      valor("Default User ID", identidad);
      r += "\r\n";
      clave("HKEY_CURRENT_USER\\Identities\\" + identidad);
      valor("Username", usuario);
      r += "\r\n";
      clave("HKEY_CURRENT_USER\\Identities\\" + identidad + "\\Software\\Microsoft\\Outlook Express\\5.0");
      valor("Store Root", raiz);
      break;
    case 4:
      clave("HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express");
      valor("Store Root", raiz);
      if (cuentas_noticias.empty()) break;
      r += "\r\n";
      clave("HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager");
      valor("Default News Account", "00000001");
      for (std::size_t i = 0; i < cuentas_noticias.size(); ++i) {
        char subclave[24];
        std::snprintf(subclave, sizeof subclave, "%08zu", i + 1);
        r += "\r\n";
        clave(std::string("HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\") + subclave);
        valor("NNTP Data Directory", cuentas_noticias[i]);
      }
      break;
    case 1:
      clave("HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News");
      valor("Store Root", raiz);
      break;
    default:
      break;
  }
  return r + "\r\n";
}

}  // namespace orvex::herramienta
