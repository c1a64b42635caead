// The window's text kept: Undo and Redo through the menu, text files opened
// and saved, and the text kept on disk for a later window to restore.
#include "FormFixture.h"

#include <csignal>
#include <ctime>

#include <fcntl.h>

#include "KeptTexts.h"

#include <sys/resource.h>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    WriteFile(path.toStdString(), std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// Answers the next modal message box as soon as its own event loop runs,
// leaving its text in shown.
void AnswerNextMessage(QString& shown)
{
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
}


}  // namespace

class FormTextTests : public FormFixture {
    Q_OBJECT

private slots:
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    // Keys, Delete, Open and Cut, each taken back through the menu with the
    // insertion point it had, and done again.
    void undoAndRedoTakeBackEveryChangeWithTheInsertionPoint()
    {
        auto form = Start();
        QVERIFY(!Find<QAction>(*form, "UndoAction")->isEnabled() && !Find<QAction>(*form, "RedoAction")->isEnabled());
        const QString file = folder->filePath(QStringLiteral("opened.txt"));
        WriteBytes(file, "\xE0\xA1\xA4\n");
        form->AskTextName = [&](bool) { return file; };
        for (Qt::Key key : {Qt::Key_A, Qt::Key_B, Qt::Key_Right, Qt::Key_C, Qt::Key_Backspace})
            QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), key);
        QTest::mouseClick(Find<QPushButton>(*form, "DelButton"), Qt::LeftButton);
        Find<QAction>(*form, "OpenTextAction")->trigger();
        QTest::mouseClick(Find<QPushButton>(*form, "CutButton"), Qt::LeftButton);
        const TextAtCursor states[] = {
            {u"", 0},                    // after Cut
            {u"\u0864\r", 2},            // after Open
            {u"", 0},                    // after Delete
            {u"\u0860\u0861", 1},        // after Backspace
            {u"\u0860\u0862\u0861", 2},  // after C
            {u"\u0860\u0861", 1},        // after A B, one step
            {u"", 0},
        };
        for (const TextAtCursor& state : states) {
            QCOMPARE(UnitsOf(form->Document().TypedText()), state.text);
            QCOMPARE(form->Document().CursorPos(), state.cursor);
            QVERIFY(Find<QAction>(*form, "UndoAction")->isEnabled() == (&state != &std::end(states)[-1]));
            Find<QAction>(*form, "UndoAction")->trigger();
            QCOMPARE(QApplication::focusWidget(), Find<TRichEdit>(*form, "RichEdit1"));
        }
        for (int i = 0; i < 6; ++i)
            Find<QAction>(*form, "RedoAction")->trigger();
        QVERIFY(form->Document().TypedText().IsEmpty() && !Find<QAction>(*form, "RedoAction")->isEnabled());
        Find<QAction>(*form, "UndoAction")->trigger();
        QCOMPARE(UnitsOf(form->Document().TypedText()), u"\u0864\r");
    }

    // Written about a second after a change, not at once; a window open at
    // the same time is not offered it; the next window restores it as a step.
    void theKeptTextIsRestoredByALaterWindowAsOneStep()
    {
        const QDir state(folder->filePath(QStringLiteral("state/vorn")));
        const auto keptTexts = [&] { return state.entryList({QStringLiteral("*.text")}, QDir::Files); };
        auto form = Start();
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_B);
        QVERIFY(Find<QTimer>(*form, "KeepTimer")->isActive());
        QVERIFY(keptTexts().isEmpty());
        QTRY_COMPARE(keptTexts().size(), 1);
        QVERIFY(!Find<QAction>(*Start(), "RestoreTextAction")->isEnabled());
        form.reset();

        auto next = Start();
        QVERIFY(next->Document().TypedText().IsEmpty());
        QTest::keyClick(Find<TRichEdit>(*next, "RichEdit1"), Qt::Key_D);
        QVERIFY(Find<QAction>(*next, "RestoreTextAction")->isEnabled());
        Find<QAction>(*next, "RestoreTextAction")->trigger();
        QCOMPARE(UnitsOf(next->Document().TypedText()), u"\u0860\u0861");
        QCOMPARE(next->Document().CursorPos(), 2);
        QVERIFY(!Find<QAction>(*next, "RestoreTextAction")->isEnabled());
        Find<QAction>(*next, "UndoAction")->trigger();
        QCOMPARE(UnitsOf(next->Document().TypedText()), u"\u0864");
        QCOMPARE(next->Document().CursorPos(), 1);
    }

    // A damaged kept file is no text to restore: the menu entry stays off.
    void onlyDamagedKeptTextsLeaveRestoreOff()
    {
        const QString state = folder->filePath(QStringLiteral("state/vorn"));
        QVERIFY(QDir().mkpath(state));
        WriteBytes(state + "/1-0123456789abcdef.text", "VORN KEPT TEXT 1 cursor=0");
        WriteBytes(state + "/2-0123456789abcdef.text", QByteArray("VORN KEPT TEXT 1 cursor=0\n\0\0", 28));
        auto form = Start();
        QVERIFY(!Find<QAction>(*form, "RestoreTextAction")->isEnabled());
    }

    // The newest text, offered when the window started, is gone at the
    // click: that is said, and the next one is restored.
    void aKeptTextGoneBeforeTheClickIsSaidAndTheNextRestored()
    {
        const QString state = folder->filePath(QStringLiteral("state/vorn"));
        QVERIFY(QDir().mkpath(state));
        const QString older = state + "/1-0123456789abcdef.text";
        const QString newer = state + "/2-0123456789abcdef.text";
        WriteBytes(older, QByteArray::fromStdString(EncodeKeptText(u"\u0860", 1)));
        const timespec tenSecondsAgo[2] = {{time(nullptr) - 10, 0}, {time(nullptr) - 10, 0}};
        QCOMPARE(utimensat(AT_FDCWD, older.toLocal8Bit().constData(), tenSecondsAgo, 0), 0);
        WriteBytes(newer, QByteArray::fromStdString(EncodeKeptText(u"\u0861\u0862", 2)));
        auto form = Start();
        QVERIFY(Find<QAction>(*form, "RestoreTextAction")->isEnabled());
        QVERIFY(QFile::remove(newer));
        QString shown;
        AnswerNextMessage(shown);
        Find<QAction>(*form, "RestoreTextAction")->trigger();
        QCOMPARE(shown, QStringLiteral("A kept text could not be restored: it is no longer there."));
        QCOMPARE(UnitsOf(form->Document().TypedText()), u"\u0860");
        QVERIFY(!Find<QAction>(*form, "RestoreTextAction")->isEnabled());
    }

    // The insertion point moved after the text was last kept is kept at close.
    void aMoveAloneIsKeptAtClose()
    {
        auto form = Start();
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_B);
        QTRY_VERIFY(!Find<QTimer>(*form, "KeepTimer")->isActive());
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_Right);
        QCOMPARE(form->Document().CursorPos(), 1);
        form.reset();

        auto next = Start();
        Find<QAction>(*next, "RestoreTextAction")->trigger();
        QCOMPARE(UnitsOf(next->Document().TypedText()), u"\u0860\u0861");
        QCOMPARE(next->Document().CursorPos(), 1);
    }

    void savedTextOpensAsItWasAndRefusedFilesChangeNothing()
    {
        auto form = Start();
        for (Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_B})
            QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), key);
        QString name = folder->filePath(QStringLiteral("saved.txt"));
        form->AskTextName = [&](bool) { return name; };
        Find<QAction>(*form, "SaveTextAction")->trigger();
        QCOMPARE(FileBytes(name), QByteArray("\xE0\xA1\xA0\n\xE0\xA1\xA1"));
        Find<QAction>(*form, "OpenTextAction")->trigger();
        QCOMPARE(UnitsOf(form->Document().TypedText()), u"\u0860\r\u0861");
        QCOMPARE(form->Document().CursorPos(), 3);

        name = folder->filePath(QStringLiteral("copied.txt"));
        WriteBytes(name, "\xE2\x80\x8F\xE0\xA1\xA0\r\n\xF0\x90\xB2\x80");
        Find<QAction>(*form, "OpenTextAction")->trigger();
        QCOMPARE(UnitsOf(form->Document().TypedText()), u"\u0860\r\xD803\xDC80");
        QCOMPARE(form->Document().CursorPos(), 4);

        const QString large = folder->filePath(QStringLiteral("large.txt"));
        QFile sparse(large);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize((16 << 20) + 1));
        sparse.close();
        WriteBytes(folder->filePath(QStringLiteral("latin1.txt")), "caf\xE9");
        WriteBytes(folder->filePath(QStringLiteral("nul.txt")), QByteArray("a\0b", 3));
        const QString rows[][2] = {
            {large, QStringLiteral("it is larger than 16 MiB")},
            {folder->filePath(QStringLiteral("latin1.txt")), QStringLiteral("it is not UTF-8 text")},
            {folder->filePath(QStringLiteral("nul.txt")),
             QStringLiteral("it holds a NUL character, as a binary file does")},
            {folder->path(), QStringLiteral("it is not a regular file")},
            {folder->filePath(QStringLiteral("missing.txt")), QStringLiteral("there is no such file")},
        };
        const std::size_t steps = form->Document().History().UndoCount();
        for (const auto& [file, why] : rows) {
            name = file;
            QString shown;
            AnswerNextMessage(shown);
            Find<QAction>(*form, "OpenTextAction")->trigger();
            QCOMPARE(shown, QStringLiteral("\"%1\" could not be opened: %2").arg(file, why));
            QCOMPARE(UnitsOf(form->Document().TypedText()), u"\u0860\r\xD803\xDC80");
            QCOMPARE(form->Document().History().UndoCount(), steps);
        }
    }

    // The file size limit makes the write fail for root as for anyone.
    void aFailedTextSaveSaysWhyAndKeepsTheOldFile()
    {
        auto form = Start();
        for (int i = 0; i < 2000; ++i)
            QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        const QString name = folder->filePath(QStringLiteral("old.txt"));
        WriteBytes(name, "old");
        form->AskTextName = [&](bool) { return name; };
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 1024;
        const auto previous = signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString shown;
        AnswerNextMessage(shown);
        Find<QAction>(*form, "SaveTextAction")->trigger();
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, previous);
        QCOMPARE(shown, QStringLiteral("The text could not be saved as \"%1\": File too large").arg(name));
        QCOMPARE(FileBytes(name), QByteArray("old"));
        QCOMPARE(QDir(folder->path()).entryList({QStringLiteral("old.txt*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("old.txt")});
    }

    void anUnwritableStateFolderIsSaidOnceAndTypingGoesOn()
    {
        WriteBytes(folder->filePath(QStringLiteral("file")), "");
        qputenv("XDG_STATE_HOME", folder->filePath(QStringLiteral("file")).toUtf8());
        auto form = Start();
        const auto boxes = [&] { return form->findChildren<QMessageBox*>(QStringLiteral("KeepFaultBox")).size(); };
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_A);
        QTRY_COMPARE(boxes(), 1);
        QVERIFY(form->findChild<QMessageBox*>(QStringLiteral("KeepFaultBox"))
                    ->text()
                    .contains(QStringLiteral("Not a directory")));
        QTest::keyClick(Find<TRichEdit>(*form, "RichEdit1"), Qt::Key_B);
        QVERIFY(Find<QTimer>(*form, "KeepTimer")->isActive());
        QTRY_VERIFY(!Find<QTimer>(*form, "KeepTimer")->isActive());
        QCOMPARE(boxes(), 1);
        QCOMPARE(UnitsOf(form->Document().TypedText()), u"\u0860\u0861");
    }
};

QTEST_MAIN(FormTextTests)
#include "FormTextTest.moc"
