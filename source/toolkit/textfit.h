// Shorter forms of a number for a box too narrow for it.
#pragma once

#include <string>
#include <vector>

// For a decimal number ("-12.3456"): the number rounded to one fraction digit
// fewer at a time, the last without its point ("-12.346" ... "-12"). For any
// other text, nothing.
std::vector<std::string> shorterNumbers(const std::string& text);
