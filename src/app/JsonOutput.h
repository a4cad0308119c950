// JSON as the program prints it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace corvatine {

// The JSON text of a value, indented by indent spaces (-1: on one line).
// Paths and names are bytes: a string that is not valid UTF-8 has each byte
// outside a valid sequence written as the escape \udcXX, XX its value (the
// form Python's "surrogateescape" reads back into the bytes), so that names
// that differ in such bytes stay different.
std::string DumpJson(const nlohmann::ordered_json& json, int indent = 2);

}  // namespace corvatine
