#pragma once

#include <string>

// Face names and other 8-bit text travel as UTF-8 in a plain byte string.
using AnsiString = std::string;
