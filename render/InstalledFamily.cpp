#include "InstalledFamily.h"

#include <QStringList>

#include "FontPlatform.h"

QFont NamedByInstalledFamily(QFont font)
{
    const QStringList families = font.families();
    if (families.size() != 1 || font.style() != QFont::StyleNormal || font.styleHint() != QFont::AnyStyle
        || font.fixedPitch())
        return font;
    font.setFamilies({QString::fromStdString(DrawingFamily(families.first().toStdString()))});
    return font;
}
