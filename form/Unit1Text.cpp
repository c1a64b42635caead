// The text's own menu: the edit history's Undo and Redo, text files opened
// and saved, and a kept text restored.
#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include "Guarded.h"
#include "KeptTexts.h"
#include "SafeFile.h"
#include "TextFile.h"

void TForm1::CreateTextDialogs()
{
    AskTextName = [this](bool save) {
        QString folder = lastTextFolder;
        for (const QString& candidate :
             {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath()})
            if (!QFileInfo(folder).isDir())
                folder = candidate;
        const QString filter = tr("Text (*.txt);;All files (*)");
        return save ? QFileDialog::getSaveFileName(this, tr("Save text"), folder + QDir::separator(), filter)
                    : QFileDialog::getOpenFileName(this, tr("Open text"), folder, filter);
    };
}

void TForm1::UndoClick(QObject* Sender)
{
    if (document.Undo()) {
        TextChanged();
        FormResize(Sender);
    }
    RichEdit1->setFocus();
}

void TForm1::RedoClick(QObject* Sender)
{
    if (document.Redo()) {
        TextChanged();
        FormResize(Sender);
    }
    RichEdit1->setFocus();
}

void TForm1::OpenTextClick(QObject* Sender)
{
    const QString name = AskTextName(false);
    if (!name.isEmpty()) {
        const ReadResult read = ReadWholeFile(QFile::encodeName(name).toStdString(), MaxTextFileBytes);
        DecodedTextFile text;
        QString fault;
        const QString tooLarge = tr("it is larger than 16 MiB");
        switch (read.status) {
        case ReadStatus::Ok:
            text = DecodeTextFile(read.bytes);
            break;
        case ReadStatus::Missing:
            fault = tr("there is no such file");
            break;
        case ReadStatus::NotRegular:
            fault = tr("it is not a regular file");
            break;
        case ReadStatus::TooLarge:
            fault = tooLarge;
            break;
        case ReadStatus::Failed:
            fault = tr("it cannot be read");
            break;
        }
        switch (text.fault) {
        case TextFileFault::None:
            break;
        case TextFileFault::TooLarge:
            fault = tooLarge;
            break;
        case TextFileFault::HoldsNul:
            fault = tr("it holds a NUL character, as a binary file does");
            break;
        case TextFileFault::NotUtf8:
            fault = tr("it is not UTF-8 text");
            break;
        }
        if (fault.isEmpty()) {
            document.ReplaceAll(text.units, static_cast<int32_t>(text.units.size()));
            TextChanged();
            FormResize(Sender);
            lastTextFolder = QFileInfo(name).absolutePath();
        } else {
            QMessageBox::critical(this, tr("Open text"),
                                  tr("\"%1\" could not be opened: %2").arg(QDir::toNativeSeparators(name), fault));
        }
    }
    RichEdit1->setFocus();
}

void TForm1::SaveTextClick(QObject*)
{
    const QString name = AskTextName(true);
    if (!name.isEmpty()) {
        // Read through the constant view: the writable buffer would leave the
        // text counting its length afresh at every later keystroke.
        const std::u16string_view units = document.TypedText().View();
        // Written as the pictures are: whole or not at all.
        const FileResult saved = WriteOutput(QFile::encodeName(name).toStdString(),
                                             EncodeTextFile(units.data(), static_cast<uint32_t>(units.size())));
        if (saved)
            lastTextFolder = QFileInfo(name).absolutePath();
        else
            QMessageBox::critical(this, tr("Save text"),
                                  tr("The text could not be saved as \"%1\": %2")
                                      .arg(QDir::toNativeSeparators(name), QString::fromLocal8Bit(saved.error)));
    }
    RichEdit1->setFocus();
}

void TForm1::RestoreTextClick(QObject* Sender)
{
    // A text offered may be gone or unreadable by the time of the click: that
    // is said, and the next one is taken.
    const auto said = [this](KeptTexts::TakeFault fault) {
        const QString why = fault == KeptTexts::TakeFault::Gone         ? tr("it is no longer there")
                            : fault == KeptTexts::TakeFault::Unreadable ? tr("it cannot be read")
                                                                        : tr("it is damaged");
        QMessageBox::warning(this, tr("Restore last text"), tr("A kept text could not be restored: %1.").arg(why));
    };
    if (const std::optional<KeptTexts::Text> text = Kept->TakeOffered(said)) {
        document.ReplaceAll(text->units, text->cursor);
        TextChanged();
        FormResize(Sender);
    }
    RestoreTextAction->setEnabled(Kept->OfferLeftTexts());
    RichEdit1->setFocus();
}
