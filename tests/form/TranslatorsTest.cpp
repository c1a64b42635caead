// The window in the user's language: Hungarian texts under a Hungarian
// locale, today's English ones under any other, and the session's language
// taken from the environment as Qt reads it.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "KeyboardWindow.h"
#include "Translators.h"
#include "FormControls.h"
#include "Unit1.h"

namespace {

// What the window shows, in the order of Shown(): the buttons' tooltips, the
// accessible names of the font box and the text view, Image1's menu, the
// chart's title and three keys' tooltips, the save dialog's filters and
// title, and Qt's own text for a message box's Yes button.
constexpr int KeyboardEntry = 7;

const QStringList English = {
    "Delete", "Cut", "Copy", "Font", "Text",
    "Copy as picture", QString::fromUtf8("Save as picture\u2026"), "Keyboard", "Keyboard",
    "Deletes the character before the insertion point", "Types nothing", "U+000D (line break)",
    "PNG picture (*.png)", "SVG picture (*.svg)", "Save as picture",
    "&Yes",
};

const QStringList Hungarian = {
    QString::fromUtf8("T\u00f6rl\u00e9s"), QString::fromUtf8("Kiv\u00e1g\u00e1s"),
    QString::fromUtf8("M\u00e1sol\u00e1s"), QString::fromUtf8("Bet\u0171t\u00edpus"),
    QString::fromUtf8("Sz\u00f6veg"),
    QString::fromUtf8("M\u00e1sol\u00e1s k\u00e9pk\u00e9nt"), QString::fromUtf8("Ment\u00e9s k\u00e9pk\u00e9nt\u2026"),
    QString::fromUtf8("Billenty\u0171zet"), QString::fromUtf8("Billenty\u0171zet"),
    QString::fromUtf8("T\u00f6rli a besz\u00far\u00e1si pont el\u0151tti jelet"), QString::fromUtf8("Nem \u00edr semmit"),
    QString::fromUtf8("U+000D (sort\u00f6r\u00e9s)"),
    QString::fromUtf8("PNG-k\u00e9p (*.png)"), QString::fromUtf8("SVG-k\u00e9p (*.svg)"),
    QString::fromUtf8("Ment\u00e9s k\u00e9pk\u00e9nt"),
    "&Igen",
};

} // namespace

class TranslatorsTests : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString startFolder;

    // Every text of the list, read from a window made under the translators.
    static QStringList Shown(TForm1& form)
    {
        form.KeyboardClick(&form);
        auto* chart = form.findChild<TKeyboardChart*>(QStringLiteral("KeyboardChart"));
        const auto keyTip = [&](const char* name) {
            auto* key = chart ? chart->findChild<TChartKey*>(QStringLiteral("Key_") + QLatin1String(name)) : nullptr;
            return key ? key->toolTip() : QStringLiteral("(no key %1)").arg(QLatin1String(name));
        };
        // The save dialog, answered as the user would: the SVG type chosen.
        // Asked again until it closes, as it may not take the answer while
        // it is still being set up.
        QString dialogTitle;
        QStringList filters;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialogTitle = dialog->windowTitle();
            filters = dialog->nameFilters();
            dialog->selectNameFilter(filters.value(1));
            if (auto* typed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                typed->setText(QStringLiteral("chosen"));
            QMetaObject::invokeMethod(dialog, &QDialog::accept);
        });
        answer.start(10);
        QString chosenFilter = TForm1::PngFilter;
        const QString name = form.AskPictureName(chosenFilter);
        answer.stop();
        // The form still tells the type by the filter as written.
        [&] {
            QVERIFY(name.endsWith(QStringLiteral("chosen")));
            QCOMPARE(chosenFilter, TForm1::SvgFilter);
        }();
        return {Find<QPushButton>(form, "DelButton")->toolTip(), Find<QPushButton>(form, "CutButton")->toolTip(), Find<QPushButton>(form, "CopyButton")->toolTip(),
                Find<QComboBox>(form, "ComboBox1")->accessibleName(), Find<TImage>(form, "Image1")->accessibleName(),
                Find<QAction>(form, "CopyPictureAction")->text(), Find<QAction>(form, "SavePictureAction")->text(), Find<QAction>(form, "KeyboardAction")->text(),
                chart ? chart->windowTitle() : QString(),
                keyTip("BACK"), keyTip("W"), keyTip("RETURN"),
                filters.value(0), filters.value(1), dialogTitle,
                QCoreApplication::translate("QPlatformTheme", "&Yes")};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        startFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        qputenv("XDG_CACHE_HOME", folder.path().toUtf8() + "/cache");
        // The save dialog opens at home: an empty one, where no file of the
        // chosen name asks to be replaced.
        qputenv("HOME", folder.path().toUtf8());
    }

    void cleanupTestCase() { QDir::setCurrent(startFolder); }

    void windowSpeaksTheLocalesLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Hungarian") << "hu_HU" << Hungarian;
        QTest::newRow("Hungarian, no country") << "hu" << Hungarian;
        QTest::newRow("C") << "C" << English;
        QTest::newRow("English") << "en_GB" << English;
        // No translation into German: the texts as written, and Qt's in English too.
        QTest::newRow("German") << "de_DE" << English;
    }

    void windowSpeaksTheLocalesLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, expected);
        const Translators translators{QLocale(locale)};
        TForm1 form;
        QCOMPARE(Shown(form), expected);
        // The buttons are found by the name that their tooltip shows.
        QCOMPARE(Find<QPushButton>(form, "DelButton")->accessibleName(), expected[0]);
        QCOMPARE(Find<QPushButton>(form, "CutButton")->accessibleName(), expected[1]);
        QCOMPARE(Find<QPushButton>(form, "CopyButton")->accessibleName(), expected[2]);
    }

    // Run by CTest under several environments; VORN_EXPECTED_LANGUAGE says
    // which language the session's variables ask for: hu or en.
    void sessionLanguageIsFollowed()
    {
        const QByteArray expected = qgetenv("VORN_EXPECTED_LANGUAGE");
        if (expected.isEmpty())
            QSKIP("run by CTest with the session's language set");
        const Translators translators;
        QCOMPARE(translators.Language(), expected == "hu" ? QLocale::Hungarian : QLocale::C);
        TForm1 form;
        QCOMPARE(Find<QAction>(form, "KeyboardAction")->text(), (expected == "hu" ? Hungarian : English)[KeyboardEntry]);
    }
};

QTEST_MAIN(TranslatorsTests)
#include "TranslatorsTest.moc"
