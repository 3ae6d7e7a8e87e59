#pragma once

// Case rules for Windows-1252 text: names of fields, columns and parameters are compared
// without regard to case, accented letters included.

#include <string>
#include <string_view>

// Upper-case form of one Windows-1252 byte (a-z, and the accented letters 0xE0-0xFE but 0xF7).
char UpperCp1252(char c);
std::string UpperCaseCp1252(std::string_view text);
std::string LowerCaseCp1252(std::string_view text);
// True when both texts are equal without regard to case.
bool SameTextCp1252(std::string_view a, std::string_view b);
// -1, 0 or 1 comparing the upper-case forms byte by byte (unsigned).
int CompareTextCp1252(std::string_view a, std::string_view b);
