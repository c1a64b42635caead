#include "Translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>

Translators::Translators(const QLocale& locale)
{
    // QTranslator::load(locale, ...) takes the first language it has a file
    // for, which would pass over English, the language of the texts
    // themselves, to a later one.
    for (const QString& name : locale.uiLanguages()) {
        const QLocale candidate(name);
        if (candidate.language() == QLocale::English || candidate.language() == QLocale::C)
            return;
        if (program.load(candidate, QStringLiteral("vorn"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
            // Without Qt's translations (a separate package) its dialogs
            // keep their English buttons; the window's texts still change.
            if (qt.load(candidate, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
                QCoreApplication::installTranslator(&qt);
            QCoreApplication::installTranslator(&program);
            language = candidate.language();
            return;
        }
    }
}
