#include "FaceLookup.h"

#include <memory>

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
        // The families come in byte order: the first at or after the cut name
        // is the first that begins with it, if any does.
        const std::shared_ptr<const InstalledFonts> installed = ListInstalledFonts();
        const auto first = installed->FamilyFrom(faceName);
        if (first != installed->families.end() && first->first.starts_with(faceName))
            return installed->Source(first->second);
    }
    return MatchFace(faceName);
}

AnsiString NameOfFace(const FaceSource& face)
{
    const std::shared_ptr<const InstalledFonts> installed = ListInstalledFonts();
    for (const auto& [name, number] : installed->families) {
        const InstalledFonts::Face& candidate = installed->faces[number];
        if (candidate.file == face.file && candidate.index == face.index)
            return AnsiString(name);
    }
    return AnsiString(face.file);
}
