#include "ScriptFaces.h"

std::vector<AnsiString> ListScriptFaces(const UnicodeList& catalogue)
{
    std::vector<AnsiString> listed;
    for (const auto& [name, summary] : catalogue.Faces)
        if (summary.scriptCoverage != 0)
            listed.push_back(name);
    return listed;
}
