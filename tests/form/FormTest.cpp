// The main window driven as a user would, on the private test fonts.
#include "FormFixture.h"

#include <functional>

class FormTests : public FormFixture {
    Q_OBJECT

private slots:
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void startsEmptyWithTheScriptFacesInByteOrder()
    {
        auto form = Start();
        QCOMPARE(form->windowTitle(), QString());
        QCOMPARE(form->Document().CursorPos(), 0);
        QVERIFY(form->Document().TypedText().IsEmpty());
        // Upper case before lower case, an accented first letter last; faces
        // that miss the range (Below, Above) and the unreadable one are out.
        const QStringList expected = {
            QStringLiteral("Vorn Last Only"), QStringLiteral("Vorn No OS2"),
            LongName,                          QStringLiteral("Vorn Test Sans"),
            QStringLiteral("Zeta"),            QStringLiteral("alpha"),
            QString::fromUtf8("\xC3\x89" "b\xC3\xA8ne"),
        };
        QCOMPARE(Items(Find<QComboBox>(*form, "ComboBox1")), expected);
        // A second start takes the faces from the cache that the first filled.
        QVERIFY(QFile::exists(folder->path() + QStringLiteral("/cache/vorn/fonts.cache")));
        QCOMPARE(Items(Find<QComboBox>(*Start(), "ComboBox1")), expected);
        // No settings file: the default name, which no face carries, so
        // nothing is selected and the activation empties the name.
        QCOMPARE(Find<QComboBox>(*form, "ComboBox1")->currentIndex(), -1);
        QCOMPARE(form->Face(), AnsiString());
        QCOMPARE(Find<QComboBox>(*form, "ComboBox1")->currentText(), QString());
    }

    void keysLeaveTheRichEditEmptyAndReachTheText()
    {
        auto form = Start();
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Space);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_W);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Return);
        QCOMPARE(Find<TRichEdit>(*form, "RichEdit1")->toPlainText(), QString());
        QCOMPARE(UnitsOf(form->Document().TypedText()), (std::u16string{0x0860, 0x0020, 0x0892, 0x000D}));
        QCOMPARE(form->Document().CursorPos(), 4);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Backspace);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Right);
        QCOMPARE(UnitsOf(form->Document().TypedText()), (std::u16string{0x0860, 0x0020, 0x0892}));
        QCOMPARE(form->Document().CursorPos(), 2);
        QCOMPARE(Find<TRichEdit>(*form, "RichEdit1")->toPlainText(), QString());
    }

    void tabEscapeAndArrowsKeepTheFocus()
    {
        auto form = Start();
        Find<TRichEdit>(*form, "RichEdit1")->setFocus();
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Escape, Qt::Key_Up, Qt::Key_Down, Qt::Key_Left})
            QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), key);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));
        QVERIFY(form->Document().TypedText().IsEmpty());
    }

    void clicksOnTheImageOrScrollBoxGiveTheFocusBack()
    {
        auto form = Start();
        Find<QComboBox>(*form, "ComboBox1")->setFocus();
        QCOMPARE(QApplication::focusWidget(), Find<QComboBox>(*form, "ComboBox1"));
        QTest::mouseClick(Find<TImage>(*form, "Image1"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));

        Find<QComboBox>(*form, "ComboBox1")->setFocus();
        QTest::mouseDClick(Find<TScrollBox>(*form, "ScrollBox1")->viewport(), Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));
    }

    void theRememberedFaceIsSelectedAndSavedAgain()
    {
        WriteFile("Vorn.ini", "[Other]\nx=1\n[vorn]\nfontname = Zeta \nMore=2\n");
        {
            auto form = Start();
            QCOMPARE(Find<QComboBox>(*form, "ComboBox1")->currentText(), QStringLiteral("Zeta"));
            QCOMPARE(form->Face(), AnsiString("Zeta"));
            QCOMPARE(Find<TImage>(*form, "Image1")->Canvas.faceName, AnsiString("Zeta"));
        }
        QCOMPARE(FileBytes(QStringLiteral("Vorn.ini")), QByteArray("[VORN]\nFontName=Zeta\n"));
    }

    void anUnlistedRememberedFaceIsSavedEmpty()
    {
        WriteFile("Vorn.ini", "[VORN]\nFontName=Vorn Below\n");
        {
            auto form = Start();
            QCOMPARE(Find<QComboBox>(*form, "ComboBox1")->currentIndex(), -1);
            QCOMPARE(form->Face(), AnsiString());
        }
        QCOMPARE(FileBytes(QStringLiteral("Vorn.ini")), QByteArray("[VORN]\nFontName=\n"));
    }

    void aPickRedrawsInThatFaceAndKeepsItsName()
    {
        auto form = Start();
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        Pick(*form, QStringLiteral("Vorn Test Sans"));
        QCOMPARE(form->Face(), AnsiString("Vorn Test Sans"));
        QCOMPARE(Find<QComboBox>(*form, "ComboBox1")->currentText(), QStringLiteral("Vorn Test Sans"));
        QCOMPARE(Find<TImage>(*form, "Image1")->Canvas.faceName, AnsiString("Vorn Test Sans"));
        const QImage& bitmap = Find<TImage>(*form, "Image1")->Canvas.bitmap;
        const QSize client = Find<TScrollBox>(*form, "ScrollBox1")->viewport()->size();
        QCOMPARE(bitmap.size(), QSize(client.width(), 4 * client.height()));
        // U+0860 is 10 px wide in the test face, its box inset by 2 px; it
        // sits at the right edge, the mark to its left.
        const int W = client.width();
        QCOMPARE(QColor(bitmap.pixel(W - 5, 18)).lightness() < 128, true);
        QCOMPARE(bitmap.pixel(W - 11, 1), qRgb(0, 0, 0)); // inverted white: the mark
        QCOMPARE(bitmap.pixel(W - 13, 1), qRgb(255, 255, 255));
    }

    void textTypedIntoTheFieldDoesNotStay()
    {
        auto form = Start();
        QTest::keyClicks(Find<QComboBox>(*form, "ComboBox1")->lineEdit(), QStringLiteral("xy"));
        QCOMPARE(Find<QComboBox>(*form, "ComboBox1")->currentText(), QString());
        Pick(*form, QStringLiteral("Zeta"));
        QTest::keyClicks(Find<QComboBox>(*form, "ComboBox1")->lineEdit(), QStringLiteral("q"));
        QCOMPARE(Find<QComboBox>(*form, "ComboBox1")->currentText(), QStringLiteral("Zeta"));
        QCOMPARE(form->Face(), AnsiString("Zeta"));
    }

    void aLongNameIsListedAndSavedWholeButDrawnByItsFirst31Bytes()
    {
        {
            auto form = Start();
            Pick(*form, LongName);
            QCOMPARE(form->Face(), LongName.toStdString());
            QCOMPARE(Find<TImage>(*form, "Image1")->Canvas.faceName, LongName.toStdString().substr(0, 31));
        }
        QCOMPARE(FileBytes(QStringLiteral("Vorn.ini")), QByteArray("[VORN]\nFontName=") + LongName.toUtf8() + "\n");
        auto again = Start();
        QCOMPARE(Find<QComboBox>(*again, "ComboBox1")->currentText(), LongName);
    }

    void copyPlacesTheThreeForms()
    {
        auto form = Start();
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Return);
        QTest::mouseClick(Find<QPushButton>(*form, "CopyButton"), Qt::LeftButton);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->data(QStringLiteral("text/plain")), QByteArray("\xE2\x80\x8F\xE0\xA1\xA0\r"));
        QCOMPARE(data->data(QStringLiteral("text/plain;charset=utf-16le")),
                 QByteArray("\x0F\x20\x60\x08\x0D\x00\x00\x00", 8));
        QCOMPARE(data->data(QStringLiteral("text/plain;charset=iso-8859-1")), QByteArray("\x7F\x7F\x0D\x00", 4));
        QCOMPARE(UnitsOf(form->Document().TypedText()), (std::u16string{0x0860, 0x000D}));
        QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));
    }

    // Also run with QT_SCALE_FACTOR=2.
    void windowDrawsAtItsScreensPixelRatio()
    {
        auto form = Start();
        Pick(*form, QStringLiteral("Vorn Test Sans"));
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        const double ratio = form->devicePixelRatioF();
        QCOMPARE(ratio, qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());

        // What the renderer draws at that ratio, shown pixel for pixel.
        const QImage& bitmap = Find<TImage>(*form, "Image1")->Canvas.bitmap;
        const QSize client = Find<TScrollBox>(*form, "ScrollBox1")->viewport()->size();
        DrawingCanvas expected;
        RenderLine(expected, form->Document().TypedText(), form->Document().CursorPos(), form->Face(), client.width(), client.height(),
                   Find<TRichEdit>(*form, "RichEdit1")->font().pixelSize(), ratio);
        QCOMPARE(bitmap.devicePixelRatio(), ratio);
        QCOMPARE(bitmap, expected.bitmap);
        QCOMPARE(Find<TImage>(*form, "Image1")->grab().toImage().convertToFormat(QImage::Format_RGB32), bitmap);

        // A bitmap drawn for another screen is drawn anew when painted.
        Find<TImage>(*form, "Image1")->Canvas.bitmap.setDevicePixelRatio(ratio + 1);
        Find<TImage>(*form, "Image1")->repaint();
        QCOMPARE(Find<TImage>(*form, "Image1")->Canvas.bitmap.devicePixelRatio(), ratio);

        // The buttons show the given glyph at scale 1, its @2x picture at 2.
        const QIcon icon = Find<QPushButton>(*form, "CopyButton")->icon();
        const QString file = QStringLiteral(":/CopyButton") + (ratio >= 2 ? QStringLiteral("@2x") : QString());
        QCOMPARE(icon.pixmap(Find<QPushButton>(*form, "CopyButton")->iconSize(), ratio).toImage().convertToFormat(QImage::Format_RGB32),
                 QImage(file).convertToFormat(QImage::Format_RGB32));
    }

    // A key draws the line once, a paint with nothing changed shows the
    // bitmap as drawn, and a resize or another face draws it again.
    void drawsTheLineOnceForEachChange()
    {
        auto form = Start();
        Pick(*form, QStringLiteral("Vorn Test Sans"));
        const auto rendersFor = [&](const std::function<void()>& act) {
            QApplication::processEvents();
            const quint64 before = form->RenderCount();
            act();
            QApplication::processEvents();
            return form->RenderCount() - before;
        };
        QCOMPARE(rendersFor([&] { QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A); }), quint64{1});
        QCOMPARE(rendersFor([&] { QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Right); }), quint64{1});
        const QImage drawn = Find<TImage>(*form, "Image1")->Canvas.bitmap;
        QCOMPARE(rendersFor([&] {
                     form->repaint();
                     Find<TImage>(*form, "Image1")->repaint();
                 }),
                 quint64{0});
        QCOMPARE(Find<TImage>(*form, "Image1")->grab().toImage().convertToFormat(QImage::Format_RGB32), drawn);
        QVERIFY(rendersFor([&] { form->resize(form->width() + 40, form->height()); }) >= 1);
        QVERIFY(rendersFor([&] { Pick(*form, LongName); }) >= 1);
    }

    // Also run with QT_SCALE_FACTOR=2.
    void keyboardChartTypesTheClickedKeysAndGivesTheFocusBack()
    {
        auto form = Start();
        Pick(*form, QStringLiteral("Vorn Test Sans"));
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_F1);
        auto* chart = form->findChild<TKeyboardChart*>(QStringLiteral("KeyboardChart"));
        QVERIFY(chart && chart->isVisible());
        QCOMPARE(chart->windowTitle(), QStringLiteral("Keyboard"));
        QVERIFY(form->Document().TypedText().IsEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));

        const auto key = [&](const char* name) {
            auto* found = chart->findChild<TChartKey*>(QStringLiteral("Key_") + QLatin1String(name));
            [&] { QVERIFY2(found, name); }();
            return found;
        };
        const auto click = [&](TChartKey* clicked, QPoint at) {
            QTest::mouseClick(clicked, Qt::LeftButton, {}, at);
            QTRY_COMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));
        };
        const auto plainGlyph = [](TChartKey* clicked) { return clicked->rect().center(); };
        const auto ctrlAltGlyph = [](TChartKey* clicked) { return clicked->Plan.ctrlAltArea.center(); };
        click(key("A"), plainGlyph(key("A")));
        QCOMPARE(UnitsOf(form->Document().TypedText()), (std::u16string{0x0860}));
        click(key("C"), ctrlAltGlyph(key("C")));
        click(key("SPACE"), plainGlyph(key("SPACE")));
        click(key("RETURN"), plainGlyph(key("RETURN")));
        QCOMPARE(UnitsOf(form->Document().TypedText()), (std::u16string{0x0860, 0x0863, 0x0020, 0x0892, 0x000D}));
        click(key("BACK"), plainGlyph(key("BACK")));
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_B);
        QCOMPARE(UnitsOf(form->Document().TypedText()), (std::u16string{0x0860, 0x0863, 0x0020, 0x0892, 0x0861}));
        QCOMPARE(key("C")->toolTip(), QString::fromUtf8("U+0862 \u00B7 Ctrl+Alt U+0863"));

        // Drawn at the screen's scale; drawn anew in the face picked next.
        const double ratio = form->devicePixelRatioF();
        const auto shown = [&](TChartKey* drawn) {
            return drawn->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage inTestSans = shown(key("A"));
        QCOMPARE(inTestSans, RasterOfKey(key("A")->Plan, chart->Faces, ratio));
        Pick(*form, QStringLiteral("Zeta"));
        QVERIFY(shown(key("A")) != inTestSans);
        QCOMPARE(shown(key("A")), RasterOfKey(key("A")->Plan, chart->Faces, ratio));

        // The menu's third entry shows the chart again once it is closed.
        chart->close();
        Find<QAction>(*form, "KeyboardAction")->trigger();
        QVERIFY(chart->isVisible());
        QCOMPARE(form->findChildren<TKeyboardChart*>().size(), 1);
    }

    void keyboardChartGoesBesideTheWindow()
    {
        const QRect window(100, 100, 400, 300);
        const QSize chart(300, 200);
        struct Row {
            const char* where;
            QRect screen;
            QPoint expected;
        } rows[] = {
            {"right", QRect(0, 0, 1200, 800), QPoint(508, 100)},
            {"left", QRect(-400, 0, 1000, 800), QPoint(-208, 100)},
            {"below", QRect(0, 0, 600, 800), QPoint(100, 408)},
            {"above", QRect(0, -300, 600, 700), QPoint(100, -108)},
            // Nowhere: inside the screen, over as little of the window as can be.
            {"over the top", QRect(0, 0, 600, 480), QPoint(100, 0)},
        };
        for (const Row& row : rows)
            QVERIFY2(PlaceBeside(window, chart, row.screen) == row.expected, row.where);
    }

    // Fonts named by the installed family that Qt falls back to draw what the
    // fonts as named draw: the same face at the same size. The form's own
    // fonts are named so.
    void fontsNamedByTheirInstalledFamilyDrawTheSameFace()
    {
        auto form = Start();
        const auto font = [](const char* family, int pixelSize) {
            QFont made(QString::fromUtf8(family));
            made.setPixelSize(pixelSize);
            return made;
        };
        QFont italic = font("Arial", 16);
        italic.setItalic(true);
        const struct {
            QFont asNamed;
            const QWidget* shownBy;  // the form's widget that uses the font, if any
            bool renamed;            // named by an installed family that Qt finds at once
        } rows[] = {
            {font("Arial", 16), form.get(), true},
            {font("Tirn\xC3\xA1 0860", 32), Find<TRichEdit>(*form, "RichEdit1"), true},
            {font("Sans Serif", 12), nullptr, true},
            {font("vorn test sans", 20), nullptr, false},  // installed, in another case
            {italic, nullptr, false},
        };
        const QStringList installed = QFontDatabase::families();
        for (const auto& row : rows) {
            const QFont namedFont = row.shownBy ? row.shownBy->font() : NamedByInstalledFamily(row.asNamed);
            QCOMPARE(installed.contains(namedFont.families().first()), row.renamed);
            const QFontInfo asNamed(row.asNamed);
            const QFontInfo named(namedFont);
            QCOMPARE(named.family(), asNamed.family());
            QCOMPARE(named.pixelSize(), asNamed.pixelSize());
            QCOMPARE(named.style(), asNamed.style());
            QCOMPARE(named.weight(), asNamed.weight());
        }
        QCOMPARE(NamedByInstalledFamily(italic).families(), italic.families());
    }

    void cutCopiesThenLeavesAWhiteEmptyImage()
    {
        auto form = Start();
        Pick(*form, QStringLiteral("Vorn Test Sans"));
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_B);
        QVERIFY(!AllWhite(Find<TImage>(*form, "Image1")->Canvas.bitmap));
        QTest::mouseClick(Find<QPushButton>(*form, "CutButton"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain;charset=utf-16le")),
                 QByteArray("\x0F\x20\x61\x08\x00\x00", 6));
        QVERIFY(form->Document().TypedText().IsEmpty());
        QCOMPARE(form->Document().CursorPos(), 0);
        QVERIFY(AllWhite(Find<TImage>(*form, "Image1")->Canvas.bitmap));
        QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));
    }
};

QTEST_MAIN(FormTests)
#include "FormTest.moc"
