// The exception family of the whole program. Every message is the system's own Spanish text
// in UTF-8; the window shows what() as it stands.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

// A text that does not hold the number, integer or date that was asked of it.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be opened, read or written, or whose contents do not have the expected
// form. Carries the path of the file involved (empty when there is none).
class EInOutError : public std::runtime_error {
 public:
  explicit EInOutError(const std::string& mensaje, std::filesystem::path ruta = {})
      : std::runtime_error(mensaje), ruta_(std::move(ruta)) {}
  const std::filesystem::path& Ruta() const noexcept { return ruta_; }

 private:
  std::filesystem::path ruta_;
};

// Every other failure: invalid operations, impossible requests, database errors.
class EErrorGeneral : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
