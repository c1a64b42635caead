#include "InstalledFamily.h"

#include <QStringList>

#include "FontPlatform.h"

QFont NamedByInstalledFamily(QFont font)
{
    const QStringList families = font.families();
    if (families.size() != 1 || font.style() != QFont::StyleNormal || font.styleHint() != QFont::AnyStyle
        || font.fixedPitch())
        return font;
    const QByteArray family = families.first().toUtf8();
    const AnsiString drawn = DrawingFamily(AnsiString(family.constData(), static_cast<size_t>(family.size())));
    font.setFamilies({QString::fromUtf8(drawn.data(), static_cast<qsizetype>(drawn.size()))});
    return font;
}
