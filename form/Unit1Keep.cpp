// The text kept on disk, once a second and at close, for a later window to
// restore; and the menu entries that follow the text's changes.
#include "Unit1.h"

#include <QDir>
#include <QMessageBox>

#include "Guarded.h"
#include "KeepWriter.h"
#include "KeptTexts.h"

void TForm1::CreateKeeping()
{
    KeepTimer = new QTimer(this);
    KeepTimer->setObjectName("KeepTimer");
    KeepTimer->setSingleShot(true);
    KeepTimer->setInterval(1000);
    connect(KeepTimer, &QTimer::timeout, this, [this] { Guarded([&] { KeepText(); }); });
    Kept = std::make_unique<KeptTexts>(KeptTexts::DefaultFolder());
    Keeper = std::make_unique<KeepWriter>(*Kept, [this](const std::string& why) {
        QMetaObject::invokeMethod(
            this, [this, why] { ShowKeepFault(QString::fromLocal8Bit(why)); }, Qt::QueuedConnection);
    });
    UpdateEditActions();
}

void TForm1::UpdateEditActions()
{
    UndoAction->setEnabled(document.History().CanUndo());
    RedoAction->setEnabled(document.History().CanRedo());
    RestoreTextAction->setEnabled(Kept->OfferLeftTexts());
}

void TForm1::TextChanged()
{
    // Not restarted by each change: a steady typist's text is still kept
    // once a second.
    if (!KeepTimer->isActive())
        KeepTimer->start();
    UndoAction->setEnabled(document.History().CanUndo());
    RedoAction->setEnabled(document.History().CanRedo());
}

void TForm1::KeepText()
{
    // A move of the insertion point alone is kept too, at the next change or
    // at close, so that Restore puts it back where it was.
    if (keptVersion == document.Edits() && keptCursor == document.CursorPos())
        return;
    keptVersion = document.Edits();
    keptCursor = document.CursorPos();
    Keeper->Post(std::u16string(document.TypedText().View()), document.CursorPos());
}

void TForm1::KeepTextAtClose()
{
    KeepTimer->stop();
    KeepText();
    if (const std::optional<std::string> fault = Keeper->Finish())
        ShowKeepFault(QString::fromLocal8Bit(*fault));
}

void TForm1::ShowKeepFault(const QString& why)
{
    if (keepFaultShown)
        return;
    keepFaultShown = true;
    const QString message = tr("The text cannot be kept in \"%1\": %2. Typing goes on, but a later start "
                               "will not be able to restore it.")
                                .arg(QDir::toNativeSeparators(QString::fromLocal8Bit(Kept->Folder())), why);
    if (!isVisible()) {
        QMessageBox::warning(nullptr, tr("Keep text"), message);
        return;
    }
    // Said once and left aside: the keys go on to the text.
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Keep text"), message, QMessageBox::Ok, this);
    box->setObjectName("KeepFaultBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
