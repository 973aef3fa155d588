// C-style escapes for bytes that travel inside one line of text:
// \r \n \t \\ and \xNN.
#pragma once

#include <string>

namespace sim {

// Printable ASCII stays as it is (a blank too); other bytes and the
// backslash are escaped.
std::string EscapeText(const std::string& bytes);

// The reverse. False (and *bytes untouched) on a bad escape.
bool UnescapeText(const std::string& text, std::string* bytes);

}  // namespace sim
