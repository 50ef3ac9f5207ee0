// A UTF-8 text as a JSON string literal: quotes and backslashes escaped, control
// characters as \u00XX. Shared by the host's replies and the manifests the program
// writes for the browsers.
#pragma once
#include <cstdio>
#include <string>

inline std::string JsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            snprintf(esc, sizeof(esc), "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}
