// The pictures of the text that the main window copies and saves.
#include <cerrno>
#include <cstring>

#include "CannotRun.h"
#include "FormFixture.h"
#include "FullDisk.h"

class FormPictureTests : public FormFixture {
    Q_OBJECT

    // Saves a picture of one letter under name and returns the text of the
    // message box it showed, closed as soon as its own event loop runs.
    QString MessageOnSave(const QString& name)
    {
        auto form = Start();
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        form->AskPictureName = [&](QString&) { return name; };
        QString shown;
        QTimer closer;
        closer.setSingleShot(true);
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        closer.start(0);
        Find<QAction>(*form, "SavePictureAction")->trigger();
        return shown;
    }

private slots:
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void imageMenuCopiesThePictureAndLeavesTheTextForms()
    {
        auto form = Start();
        Pick(*form, QStringLiteral("Vorn Test Sans"));
        auto* menu = form->findChild<QMenu*>(QStringLiteral("ImageMenu"));
        QVERIFY(menu);
        QStringList entries;
        for (const QAction* action : menu->actions())
            entries << action->text();
        // Separators have no text.
        QCOMPARE(entries, (QStringList{QStringLiteral("Copy as picture"), QString::fromUtf8("Save as picture\u2026"),
                                       QStringLiteral("Keyboard"), QString(), QStringLiteral("Undo"),
                                       QStringLiteral("Redo"), QString(), QString::fromUtf8("Open text\u2026"),
                                       QString::fromUtf8("Save text\u2026"), QStringLiteral("Restore last text")}));

        // A right click with no text: both entries off; closed, the menu
        // gives the focus to RichEdit1 wherever it was.
        Find<QComboBox>(*form, "ComboBox1")->setFocus();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5), Find<TImage>(*form, "Image1")->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Find<TImage>(*form, "Image1"), &rightClick);
        QVERIFY(menu->isVisible() && !Find<QAction>(*form, "CopyPictureAction")->isEnabled() && !Find<QAction>(*form, "SavePictureAction")->isEnabled());
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!menu->isVisible());
        QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));

        for (Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_B})
            QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), key);
        QTest::mouseClick(Find<QPushButton>(*form, "CopyButton"), Qt::LeftButton);
        const QList<QByteArray> textForms = TextForms();

        // The Menu key types nothing; the first entry copies the picture.
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Menu);
        QVERIFY(menu->isVisible() && Find<QAction>(*form, "CopyPictureAction")->isEnabled() && Find<QAction>(*form, "SavePictureAction")->isEnabled());
        QCOMPARE(UnitsOf(form->Document().TypedText()), (std::u16string{0x0860, 0x000D, 0x0861}));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));
        const QImage picture = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
        const double scale = std::max(2.0, form->devicePixelRatioF());
        QCOMPARE(picture.devicePixelRatio(), scale);
        // Ink from 18 to 2 px left of the right edge on two lines, 8 px around.
        QCOMPARE(picture.size(), QSize(16 + 16, 2 * 36 + 16) * scale);
        QCOMPARE(picture.text(QStringLiteral("Description")), QString::fromUtf16(u"\u0860\r\u0861"));

        QTest::mouseClick(Find<QPushButton>(*form, "CopyButton"), Qt::LeftButton);
        QCOMPARE(TextForms(), textForms);
    }

    // Also run with QT_SCALE_FACTOR=2.
    void savePictureWritesTheChosenTypeUnderItsExtension()
    {
        auto form = Start();
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        QDir out(folder->path());
        const QString rows[][3] = {{"a", TForm1::PngFilter, "a.png"},
                                   {"b.PNG", TForm1::PngFilter, "b.PNG"},
                                   {"c.png", TForm1::SvgFilter, "c.png.svg"}};
        for (const auto& [typed, chosen, written] : rows) {
            form->AskPictureName = [&](QString& filter) {
                filter = chosen;
                return out.filePath(typed);
            };
            Find<QAction>(*form, "SavePictureAction")->trigger();
            const QByteArray bytes = FileBytes(out.filePath(written));
            QVERIFY2(chosen == TForm1::PngFilter
                         ? QImage::fromData(bytes).text(QStringLiteral("Description")) == QChar(0x0860)
                         : bytes.contains("<title>\xE0\xA1\xA0</title>"),
                     qPrintable(written));
        }
        QCOMPARE(out.entryList(QDir::Files | QDir::Hidden), (QStringList{"a.png", "b.PNG", "c.png.svg"}));
    }

    void saveIntoAReadOnlyFolderShowsWhyAndLeavesNoFile()
    {
        // Root may write anywhere but on a file system mounted read-only.
        const QByteArray readOnly = folder->filePath(QStringLiteral("read-only")).toLocal8Bit();
        QVERIFY(mkdir(readOnly.constData(), 0555) == 0);
        const bool root = geteuid() == 0;
        if (root && mount("vorn-form-test", readOnly.constData(), "tmpfs", MS_RDONLY, "size=64k") != 0)
            QSKIP_OR_FAIL("running as root and cannot mount a read-only file system here");
        const std::shared_ptr<void> unmount(nullptr, [&](void*) {
            root ? umount2(readOnly.constData(), MNT_DETACH) : chmod(readOnly.constData(), 0755);
        });

        const QString name = QString::fromLocal8Bit(readOnly) + QStringLiteral("/text.png");
        const QString shown = MessageOnSave(name);
        const QString start = QStringLiteral("The picture could not be saved as \"%1\": ").arg(name);
        QVERIFY2(shown.startsWith(start) && shown.size() > start.size(), qPrintable(shown));
        QCOMPARE(QDir(QString::fromLocal8Bit(readOnly)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void saveOnAFullDiskShowsWhyAndKeepsTheOldPicture()
    {
        FullDisk disk(folder->filePath(QStringLiteral("full")).toStdString());
        if (!disk.mounted())
            QSKIP_OR_FAIL(disk.reason().c_str());
        const QString name = QString::fromStdString(disk.folder() + "/text.png");
        QFile old(name);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("the old picture") == 15);
        old.close();
        disk.Fill();
        QCOMPARE(MessageOnSave(name),
                 QStringLiteral("The picture could not be saved as \"%1\": %2")
                     .arg(name, QString::fromLocal8Bit(std::strerror(ENOSPC))));
        QCOMPARE(FileBytes(name), QByteArray("the old picture"));
    }
};

QTEST_MAIN(FormPictureTests)
#include "FormPictureTest.moc"
