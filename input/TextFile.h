#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The text as a plain UTF-8 text file, for Open text and Save text.

// Files larger than this are refused: no one types that much, and a larger
// file is taken for one picked by mistake.
constexpr std::size_t MaxTextFileBytes = std::size_t{16} << 20;

// Why a file's bytes are not taken as a text.
enum class TextFileFault { None, TooLarge, HoldsNul, NotUtf8 };

struct DecodedTextFile {
    std::u16string units;
    TextFileFault fault = TextFileFault::None;
};

// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF) to
// the text's units: LF, CR LF and a lone CR each become one U+000D; a leading
// byte-order mark is dropped, then a leading U+200F (the mark Copy puts in
// front); a character beyond U+FFFF becomes its two UTF-16 units. A file with
// a NUL byte, or larger than MaxTextFileBytes, is refused, as is any byte that
// is not well-formed UTF-8.
DecodedTextFile DecodeTextFile(std::string_view bytes);

// The text in logical order as UTF-8 with no byte-order mark, each U+000D as
// a line feed. A unit of an unpaired surrogate, which Backspace can leave of a
// pair, is written as U+FFFD: UTF-8 has no form for it.
std::string EncodeTextFile(const char16_t* units, uint32_t length);
