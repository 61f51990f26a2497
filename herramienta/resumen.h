// MD5 and SHA-256 digests of part contents, for matching lists of known-bad files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::herramienta {

class Md5 {
 public:
  Md5();
  void Actualizar(const void* datos, std::size_t n);
  // Lower-case hex of the digest; the object is spent afterwards.
  std::string Final();

 private:
  void Bloque(const uint8_t* b);
  std::array<uint32_t, 4> h_;
  std::array<uint8_t, 64> pendiente_{};
  std::size_t usados_ = 0;
  uint64_t total_ = 0;
};

class Sha256 {
 public:
  Sha256();
  void Actualizar(const void* datos, std::size_t n);
  std::string Final();

 private:
  void Bloque(const uint8_t* b);
  std::array<uint32_t, 8> h_;
  std::array<uint8_t, 64> pendiente_{};
  std::size_t usados_ = 0;
  uint64_t total_ = 0;
};

std::string ResumenMd5(std::string_view datos);
std::string ResumenSha256(std::string_view datos);

}  // namespace orvex::herramienta
