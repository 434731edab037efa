#pragma once
// The one exception type of the table engine. Its text is a complete sentence
// in Spanish naming the file or field concerned, so callers can show it after
// their own line ("No se pudo guardar la cita." CR LF what().
#include <stdexcept>
#include <string>

namespace data {

class DbError : public std::runtime_error {
 public:
  explicit DbError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace data
