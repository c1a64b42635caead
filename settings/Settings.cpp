#include "Settings.h"

#include "ProfileFile.h"

namespace {

constexpr const char* kSettingsFile = "./Vorn.ini";
constexpr const char* kSection = "VORN";
constexpr const char* kFontNameKey = "FontName";
constexpr const char* kDefaultFontName = "Tirna 0860";
constexpr std::size_t kValueBufferSize = 1024;
constexpr std::size_t kSectionListBufferSize = 8192;

} // namespace

void LoadIni(AnsiString& name)
{
    const ProfileFile file(kSettingsFile);
    name = file.ReadString(kSection, kFontNameKey, kDefaultFontName, kValueBufferSize);
}

void SaveIni(const AnsiString& name)
{
    // List, erase each listed section, then write the key: done in memory and
    // written in one atomic rewrite. If that rewrite fails the old file stays
    // whole, which is what failing at the first erase would leave anyway.
    ProfileFile file(kSettingsFile);
    ProfileText text = file.ReadForUpdate();
    bool changed = text.EraseSections(text.SectionNames(kSectionListBufferSize));
    changed = text.WriteString(kSection, kFontNameKey, name) || changed;
    if (changed)
        file.Rewrite(text);
}
