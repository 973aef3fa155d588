// Splitting command lines into words and reading whole-word integers.
#pragma once

#include <string>
#include <vector>

namespace sim {

std::vector<std::string> SplitWords(const std::string& line);  // on blanks and tabs

// A decimal int that fills the whole text. False when it does not fit.
bool ParseWholeInt(const std::string& text, int* value);

}  // namespace sim
