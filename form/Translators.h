#pragma once

#include <QLocale>
#include <QTranslator>

// The window's texts, and Qt's own (the file dialog, the message boxes'
// buttons), in the first of the locale's languages that the program has been
// translated into, for as long as this lives. English before any such
// language, or none of them, leaves the texts as they are written: in English.
// Needs the application object; the command line never makes one, so that
// it stays in English.
class Translators {
public:
    explicit Translators(const QLocale& locale = QLocale());
    Translators(const Translators&) = delete;
    Translators& operator=(const Translators&) = delete;

    // The language chosen, or QLocale::C when the texts stay as written.
    QLocale::Language Language() const { return language; }

private:
    QTranslator program;
    QTranslator qt;
    QLocale::Language language = QLocale::C;
};
