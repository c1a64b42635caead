#pragma once

#include <ostream>
#include <string>
#include <vector>

// `vorn fonts [--no-cache] [--all | --coverage NAME]`; args are the arguments after "fonts".
//   (none)           the faces the font selector lists, one per line, in its order
//   --all            every catalogue entry: name TAB covered count TAB OS/2 version or "-"
//   --coverage NAME  the face's covered code points as hex ranges, "0020-007E,00A0-00FF";
//                    a lone code point stands alone ("0860")
//   --no-cache       (anywhere but as NAME) every face is read from its file; the face cache is
//                    neither read nor written. The output is the same either way.
// Returns the exit status: 0, 1 when NAME is not in the catalogue, 2 for bad
// arguments (usage on err).
int RunFontsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
