#include "ScriptFaces.h"

std::vector<AnsiString> ListScriptFaces(const UnicodeList& catalogue)
{
    std::vector<AnsiString> listed;
    for (const auto& [name, prop] : catalogue.Faces) {
        // Testing upward and stopping at the first hit: a face that covers
        // U+0860 costs one test.
        for (uint32_t code = kScriptFirst; code <= kScriptLast; ++code) {
            if (prop.Covers(uint16_t(code))) {
                listed.push_back(name);
                break;
            }
        }
    }
    return listed;
}
