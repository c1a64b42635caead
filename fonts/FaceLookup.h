#pragma once

#include <cstddef>
#include <optional>

#include "AnsiString.h"
#include "FontPlatform.h"

// A face name for the drawing font holds at most this many bytes.
constexpr size_t MaxFaceNameBytes = 31;

// The first MaxFaceNameBytes bytes of the name: what a drawing font keeps.
AnsiString DrawingFaceName(const AnsiString& fullName);

// The face that a drawing font given this full face name draws with: the
// installed family of that name when there is one; else the family of its
// first MaxFaceNameBytes bytes; for a name of that length or more, the first
// family (in byte order) whose name begins with them; otherwise the font
// database's substitute. An empty name stands for the default sans face.
std::optional<FaceSource> ResolveFace(const AnsiString& fullName);

// The name a user knows the face by: the first installed family name (in byte
// order) that selects it, else its file.
AnsiString NameOfFace(const FaceSource& face);
