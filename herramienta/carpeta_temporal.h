// A fresh folder for one test, removed with its contents afterwards.
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace orvex::herramienta {

class CarpetaTemporal {
 public:
  CarpetaTemporal() {
    std::random_device azar;
    for (int intento = 0; intento < 100; ++intento) {
      const std::filesystem::path p =
          std::filesystem::temp_directory_path() / ("orvex-herramienta-" + std::to_string(azar()));
      std::error_code ec;
      if (std::filesystem::create_directory(p, ec)) {
        ruta_ = p;
        return;
      }
    }
    throw std::runtime_error("no temporary folder");
  }
  ~CarpetaTemporal() {
    std::error_code ec;
    std::filesystem::remove_all(ruta_, ec);
  }
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
  const std::filesystem::path& Ruta() const { return ruta_; }

 private:
  std::filesystem::path ruta_;
};

}  // namespace orvex::herramienta
