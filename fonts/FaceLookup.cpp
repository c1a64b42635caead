#include "FaceLookup.h"

AnsiString DrawingFaceName(const AnsiString& fullName)
{
    return fullName.substr(0, MaxFaceNameBytes);
}

std::optional<FaceSource> ResolveFace(const AnsiString& fullName)
{
    if (fullName.empty())
        return MatchFace(fullName);
    const AnsiString faceName = DrawingFaceName(fullName);
    // Families that share their first bytes each draw in their own face.
    if (fullName.size() > faceName.size())
        if (auto face = SelectFace(fullName))
            return face;
    if (auto face = SelectFace(faceName))
        return face;
    // A name cut to the drawing font's limit still finds the family it was cut
    // from rather than some substitute.
    if (faceName.size() == MaxFaceNameBytes) {
        std::optional<AnsiString> first;
        for (const AnsiString& name : EnumerateFaceNames()) {
            if (name.compare(0, faceName.size(), faceName) == 0 && (!first || name < *first))
                first = name;
        }
        if (first) {
            if (auto face = SelectFace(*first))
                return face;
        }
    }
    return MatchFace(faceName);
}

AnsiString NameOfFace(const FaceSource& face)
{
    std::optional<AnsiString> found;
    for (const AnsiString& name : EnumerateFaceNames()) {
        const auto source = SelectFace(name);
        if (source && *source == face && (!found || name < *found))
            found = name;
    }
    return found ? *found : AnsiString(face.file);
}
