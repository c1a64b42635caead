#include "FontsCommand.h"

#include <cstdio>

#include "ScriptFaces.h"
#include "UnicodeList.h"

namespace {

constexpr const char* kUsage =
    "usage: vorn fonts               list the faces that can show the script\n"
    "       vorn fonts --all         list every face: name, covered code points, OS/2 version\n"
    "       vorn fonts --coverage NAME  print the code points that face covers\n";

size_t CoveredCount(const FontProp& prop)
{
    size_t count = 0;
    for (uint8_t byte : prop.Coverage)
        count += size_t(__builtin_popcount(byte));
    return count;
}

std::string Hex(uint32_t code)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned(code));
    return text;
}

std::string CoverageRanges(const FontProp& prop)
{
    std::string ranges;
    uint32_t code = 0;
    while (code <= 0xFFFF) {
        if (!prop.Covers(uint16_t(code))) {
            ++code;
            continue;
        }
        const uint32_t first = code;
        while (code + 1 <= 0xFFFF && prop.Covers(uint16_t(code + 1)))
            ++code;
        if (!ranges.empty())
            ranges += ',';
        ranges += Hex(first);
        if (code != first)
            ranges += '-' + Hex(code);
        ++code;
    }
    return ranges;
}

}  // namespace

int RunFontsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        const UnicodeList catalogue;
        for (const AnsiString& name : ListScriptFaces(catalogue))
            out << name << '\n';
        return 0;
    }
    if (args.size() == 1 && args[0] == "--all") {
        const UnicodeList catalogue;
        for (const auto& [name, prop] : catalogue.Faces) {
            out << name << '\t' << CoveredCount(prop) << '\t';
            if (prop.HasOS2)
                out << prop.OS2.version;
            else
                out << '-';
            out << '\n';
        }
        return 0;
    }
    if (args.size() == 2 && args[0] == "--coverage") {
        const UnicodeList catalogue;
        const auto face = catalogue.Faces.find(args[1]);
        if (face == catalogue.Faces.end()) {
            err << "vorn fonts: no face named \"" << args[1] << "\" in the font catalogue\n";
            return 1;
        }
        out << CoverageRanges(face->second) << '\n';
        return 0;
    }
    err << kUsage;
    return 2;
}
