#include "setupdat/json_output.h"

#include <cmath>
#include <cstdint>

JsonObject json_number(double value) {
  if (!std::isfinite(value)) return nullptr;
  constexpr double exact_integers = 9007199254740992.0;  // 2^53
  const bool negative_zero = value == 0 && std::signbit(value);  // stays a double, "-0.0"
  if (value == std::trunc(value) && std::fabs(value) <= exact_integers && !negative_zero)
    return static_cast<std::int64_t>(value);
  return value;
}

void write_json(std::ostream& out, const JsonObject& document) {
  out << document.dump(2, ' ', false, JsonObject::error_handler_t::replace) << '\n';
}
