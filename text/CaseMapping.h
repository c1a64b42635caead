#pragma once

#include "OwnWideString.h"

// Locale-free, one-unit-to-one-unit case mapping over a fixed table of 649
// case pairs (see gen_case_pairs.py).
char16_t UpperCaseUnit(char16_t unit);
char16_t LowerCaseUnit(char16_t unit);

OwnWideString ToUpper(const OwnWideString& text);
OwnWideString ToLower(const OwnWideString& text);
