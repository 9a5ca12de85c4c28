#pragma once
// printf-style formatting into a string of exactly the needed length.
#include <cstdio>
#include <string>

namespace vantor {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    const int n = std::snprintf(nullptr, 0, format, args...);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, format, args...);
    return out;
}

}  // namespace vantor
