#include "FontsCommand.h"

#include <cstddef>
#include <cstdio>
#include <optional>

#include "FaceCache.h"
#include "OS2Tbl.h"
#include "ScriptFaces.h"
#include "UnicodeList.h"

namespace {

constexpr const char* kUsage =
    "usage: vorn fonts               list the faces that can show the script\n"
    "       vorn fonts --all         list every face: name, covered code points, OS/2 version\n"
    "       vorn fonts --coverage NAME  print the code points that face covers\n"
    "       --no-cache               read every face's file instead of the face cache\n";

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

int RunFontsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    // --no-cache and --help may stand anywhere but as the NAME of --coverage.
    std::vector<std::string> args = arguments;
    bool useCache = true;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--coverage") {
            ++i;
        } else if (args[i] == "--help" || args[i] == "-h") {
            out << kUsage;
            return 0;
        } else if (args[i] == "--no-cache") {
            useCache = false;
            args.erase(args.begin() + std::ptrdiff_t(i));
            break;
        }
    }

    // The list and --all need only what the face cache keeps of each face.
    const bool all = args.size() == 1 && args[0] == "--all";
    if (args.empty() || all) {
        const UnicodeList catalogue = BuildCatalogue(useCache);
        std::string lines;
        if (!all) {
            for (const AnsiString& name : ListScriptFaces(catalogue))
                lines.append(name).push_back('\n');
        } else {
            for (const auto& [name, face] : catalogue.Faces) {
                lines.append(name).append("\t").append(std::to_string(face.coveredCount)).append("\t");
                lines.append(face.hasOS2 ? std::to_string(face.OS2().version) : "-");
                lines.push_back('\n');
            }
        }
        out << lines;
        return 0;
    }
    if (args.size() == 2 && args[0] == "--coverage") {
        // The whole coverage is read from the face's file: the cache keeps
        // only the script's range.
        const std::optional<FontProp> face = UnicodeList::ReadProp(args[1]);
        if (!face) {
            err << "vorn fonts: no face named \"" << args[1] << "\" in the font catalogue\n";
            return 1;
        }
        out << CoverageRanges(*face) << '\n';
        return 0;
    }
    err << kUsage;
    return 2;
}
