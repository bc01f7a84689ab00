// The JSON the reports write, through nlohmann-json: objects keep their members in the order
// given, two-space indentation, one member or element per line.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

using JsonObject = nlohmann::ordered_json;

// A double as JSON: a whole value of up to 2^53 as an integer ("0", "45306"), any other finite
// one as a number that reads back as the same double, NaN and the infinities (which JSON cannot
// express) as null.
JsonObject json_number(double value);

// Writes one document and a newline. Text that is not valid UTF-8 has U+FFFD for each bad
// byte, so the output stays valid whatever the files held.
void write_json(std::ostream& out, const JsonObject& document);
