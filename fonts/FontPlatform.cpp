#include "FontPlatform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include <fontconfig/fontconfig.h>

namespace {

// The font database's list, read once per process: fonts installed while the
// program runs are not seen until the next start, as with the font selector.
struct FontDatabase {
    std::shared_ptr<const InstalledFonts> installed;
    std::unordered_map<AnsiString, std::optional<FaceSource>> matched;
};

std::mutex databaseMutex;
FontDatabase database;

// A weight may be stored as an integer, a double or (for variable faces) a
// range; a range counts as the point of it nearest to regular.
double NumberOf(FcPattern* pattern, const char* object, double fallback, double preferred)
{
    FcValue value;
    if (FcPatternGet(pattern, object, 0, &value) != FcResultMatch)
        return fallback;
    switch (value.type) {
    case FcTypeInteger:
        return value.u.i;
    case FcTypeDouble:
        return value.u.d;
    case FcTypeRange: {
        double low = 0, high = 0;
        if (!FcRangeGetDouble(value.u.r, &low, &high))
            return fallback;
        return std::clamp(preferred, low, high);
    }
    default:
        return fallback;
    }
}

bool HasTrue(FcPattern* pattern, const char* object)
{
    FcBool value = FcFalse;
    for (int n = 0; FcPatternGetBool(pattern, object, n, &value) == FcResultMatch; ++n)
        if (value == FcTrue)
            return true;
    return false;
}

// How far a face is from regular: roman before slanted, then the width, then
// the weight; ties go to the lighter face, then to file and index so that the
// choice does not depend on the order of the database.
auto DistanceFromRegular(FcPattern* font, const InstalledFonts::Face& face)
{
    const double weight = NumberOf(font, FC_WEIGHT, FC_WEIGHT_REGULAR, FC_WEIGHT_REGULAR);
    const int slant = int(NumberOf(font, FC_SLANT, FC_SLANT_ROMAN, FC_SLANT_ROMAN));
    const double width = NumberOf(font, FC_WIDTH, FC_WIDTH_NORMAL, FC_WIDTH_NORMAL);
    return std::make_tuple(slant == FC_SLANT_ROMAN ? 0 : 1, std::fabs(width - FC_WIDTH_NORMAL),
                           std::fabs(weight - FC_WEIGHT_REGULAR), weight, face.file, face.index);
}

// The fonts of fontconfig's configuration are walked where they lie, in its
// loaded caches, and their strings are used in place: a listing query would
// copy every face's pattern first and merge equal ones, and at thousands of
// faces each copy's fresh memory costs more than the rest of the catalogue.
// The faces taken are those that such a query for scalable outline faces
// gives.
std::shared_ptr<const InstalledFonts> LoadInstalledFonts()
{
    auto fonts = std::make_shared<InstalledFonts>();
    FcConfig* config = FcConfigReference(nullptr);
    if (!config)
        return fonts;
    // The configuration holds the strings; it stays while the list lives.
    fonts->strings = std::shared_ptr<void>(config, [](void* held) { FcConfigDestroy(static_cast<FcConfig*>(held)); });
    std::vector<FcPattern*> patterns;  // of each face
    auto& named = fonts->families;     // every family name of every face, then each name once
    for (const FcSetName setName : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = FcConfigGetFonts(config, setName);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcPattern* font = set->fonts[i];
            if (!HasTrue(font, FC_SCALABLE) || !HasTrue(font, FC_OUTLINE))
                continue;
            // TrueType and OpenType faces only: fontconfig reports the
            // FreeType driver, "TrueType" for glyf outlines and "CFF" for
            // OpenType ones.
            FcChar8* format = nullptr;
            if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch) {
                const char* text = reinterpret_cast<const char*>(format);
                if (std::strcmp(text, "TrueType") != 0 && std::strcmp(text, "CFF") != 0)
                    continue;
            }
            FcChar8* file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
                continue;
            int index = 0;
            FcPatternGetInteger(font, FC_INDEX, 0, &index);

            const size_t number = fonts->faces.size();
            fonts->faces.push_back({reinterpret_cast<const char*>(file), index});
            patterns.push_back(font);
            // A face may repeat a family name in several languages.
            FcChar8* family = nullptr;
            for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n)
                named.emplace_back(reinterpret_cast<const char*>(family), number);
        }
    }

    // Each name's faces in a row, nearest to regular first: the first of each
    // row is the family's face.
    const auto distance = [&](size_t number) { return DistanceFromRegular(patterns[number], fonts->faces[number]); };
    std::sort(named.begin(), named.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return distance(a.second) < distance(b.second);
    });
    named.erase(std::unique(named.begin(), named.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                named.end());
    return fonts;
}

const InstalledFonts& Loaded(FontDatabase& db)
{
    if (!db.installed)
        db.installed = LoadInstalledFonts();
    return *db.installed;
}

std::optional<FaceSource> SelectLocked(FontDatabase& db, const AnsiString& name)
{
    const InstalledFonts& fonts = Loaded(db);
    const auto family = fonts.FamilyFrom(name);
    if (family == fonts.families.end() || family->first != name)
        return std::nullopt;
    return fonts.Source(family->second);
}

// fontconfig's best face for the pattern, after its substitutions and
// defaults; the pattern is used up.
FcPattern* BestMatch(FcPattern* pattern)
{
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

std::optional<FaceSource> SourceOf(FcPattern* font)
{
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
        return std::nullopt;
    FaceSource source;
    source.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &source.index);
    return source;
}

std::optional<FaceSource> SubstituteFor(const AnsiString& name)
{
    FcPattern* pattern = FcPatternCreate();
    const char* family = name.empty() ? "sans-serif" : name.c_str();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPattern* match = BestMatch(pattern);
    if (!match)
        return std::nullopt;
    std::optional<FaceSource> found = SourceOf(match);
    FcPatternDestroy(match);
    return found;
}

// The family that Qt's fontconfig font database puts first among the
// fallbacks for a family at the roman style, no style hint and a script
// without a language of its own: it asks fontconfig to sort every face for a
// pattern of the family bound strongly, the slant and the user's language
// (what fontconfig's defaults give), after fontconfig's substitutions and
// defaults, and takes the first face's first family name. Matching gives that
// first face without sorting them all (ties go to the earlier face either
// way); its family is read from the face as installed, since a match's names
// are reordered for the language.
std::optional<AnsiString> FirstFallbackFamily(const AnsiString& name)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPattern* defaults = FcPatternCreate();
    FcDefaultSubstitute(defaults);
    FcChar8* language = nullptr;
    if (FcPatternGetString(defaults, FC_LANG, 0, &language) == FcResultMatch)
        FcPatternAddString(pattern, FC_LANG, language);
    FcPatternDestroy(defaults);
    FcPattern* match = BestMatch(pattern);
    if (!match)
        return std::nullopt;
    const std::optional<FaceSource> matched = SourceOf(match);
    FcPatternDestroy(match);

    std::optional<AnsiString> family;
    FcConfig* config = matched ? FcConfigReference(nullptr) : nullptr;
    for (const FcSetName setName : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = config ? FcConfigGetFonts(config, setName) : nullptr;
        for (int i = 0; !family && set && i < set->nfont; ++i) {
            FcPattern* font = set->fonts[i];
            FcChar8* file = nullptr;
            FcChar8* fontFamily = nullptr;
            int index = 0;
            FcPatternGetInteger(font, FC_INDEX, 0, &index);
            if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch && index == matched->index
                && matched->file == reinterpret_cast<const char*>(file)
                && FcPatternGetString(font, FC_FAMILY, 0, &fontFamily) == FcResultMatch)
                family = reinterpret_cast<const char*>(fontFamily);
        }
    }
    if (config)
        FcConfigDestroy(config);
    return family;
}

}  // namespace

std::vector<AnsiString> EnumerateFaceNames()
{
    std::lock_guard lock(databaseMutex);
    std::vector<AnsiString> names;
    for (const auto& [name, face] : Loaded(database).families)
        names.emplace_back(name);
    return names;
}

std::shared_ptr<const InstalledFonts> ListInstalledFonts()
{
    std::lock_guard lock(databaseMutex);
    Loaded(database);
    return database.installed;
}

std::optional<FaceSource> SelectFace(const AnsiString& name)
{
    std::lock_guard lock(databaseMutex);
    return SelectLocked(database, name);
}

std::optional<FaceSource> MatchFace(const AnsiString& name)
{
    std::lock_guard lock(databaseMutex);
    auto memo = database.matched.find(name);
    if (memo != database.matched.end())
        return memo->second;
    std::optional<FaceSource> found;
    if (!name.empty())
        found = SelectLocked(database, name);
    if (!found)
        found = SubstituteFor(name);
    database.matched.emplace(name, found);
    return found;
}

AnsiString DrawingFamily(const AnsiString& name)
{
    // A family of that name is found first of all, and the toolkit finds it
    // itself (its names compare without case, as fontconfig's do).
    const std::optional<AnsiString> first = FirstFallbackFamily(name);
    if (!first || FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(first->c_str()),
                                     reinterpret_cast<const FcChar8*>(name.c_str())) == 0)
        return name;
    return *first;
}

void ForgetFontDatabase()
{
    std::lock_guard lock(databaseMutex);
    database = FontDatabase();
}
