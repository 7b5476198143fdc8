// The error a document operation hands back, in the form the desktop's document model uses:
// a domain naming the kind of code, and the code.
#pragma once

#include <string>

struct DocumentError {
    std::string domain;
    int code = 0;
};

inline constexpr const char* NSOSStatusErrorDomain = "NSOSStatusErrorDomain";
