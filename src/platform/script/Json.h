// The transcript's JSON: one object a line, its keys in the order they were set.
// File names may hold any bytes; every line must still be valid UTF-8.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace vantor {

using Json = nlohmann::ordered_json;

// True when s is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& s);

// s with every byte that is not part of a well-formed UTF-8 sequence replaced by
// U+FFFD, so that the text stays readable.
std::string ReadableUtf8(const std::string& s);

// Sets j[key] to the text. When the text is not valid UTF-8, j[key] holds its
// readable form and j[key + "Bytes"] its exact bytes in hexadecimal.
void PutText(Json& j, const std::string& key, const std::string& text);

}  // namespace vantor
