#include "Unit1.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>

#include "ClipboardForms.h"
#include "Guarded.h"
#include "KeepWriter.h"
#include "KeptTexts.h"
#include "PlatformKeyboard.h"
#include "KeyboardWindow.h"
#include "LineRenderer.h"
#include "SafeFile.h"
#include "ScriptFaces.h"
#include "Settings.h"
#include "TextPicture.h"
#include "UnicodeList.h"

TForm1* Form1 = nullptr;

namespace {

// The filters as written; the save dialog shows them translated.
constexpr const char* PngFilterText = QT_TRANSLATE_NOOP("TForm1", "PNG picture (*.png)");
constexpr const char* SvgFilterText = QT_TRANSLATE_NOOP("TForm1", "SVG picture (*.svg)");

} // namespace

const QString TForm1::PngFilter = QString::fromLatin1(PngFilterText);
const QString TForm1::SvgFilter = QString::fromLatin1(SvgFilterText);

namespace {

QString FromAnsi(const AnsiString& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

AnsiString ToAnsi(const QString& text)
{
    return text.toStdString();
}

// The wait cursor covers the catalogue build and goes away however it ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

// ---------------------------------------------------------------- TForm1

TForm1::TForm1(QWidget* owner) : QWidget(owner)
{
    CreateControls();
    AskPictureName = [this](QString& selectedFilter) {
        // The last folder saved to, else the pictures folder, else home; a
        // folder that does not exist would be offered as a file name.
        QString folder = lastPictureFolder;
        for (const QString& candidate :
             {QStandardPaths::writableLocation(QStandardPaths::PicturesLocation), QDir::homePath()})
            if (!QFileInfo(folder).isDir())
                folder = candidate;
        // The form tells the types apart by the filters as written.
        const QString png = tr(PngFilterText);
        const QString svg = tr(SvgFilterText);
        QString shown = selectedFilter == SvgFilter ? svg : png;
        const QString name = QFileDialog::getSaveFileName(this, tr("Save as picture"), folder + QDir::separator(),
                                                          png + ";;" + svg, &shown);
        selectedFilter = shown == svg ? SvgFilter : PngFilter;
        return name;
    };
    // Members are constructed by now (TypedText empty, Layout built, FaceName
    // empty, CursorPos 0); only then does the form's creation handler run.
    Guarded([&] { FormCreate(this); });
}

TForm1::~TForm1()
{
    // The settings are written while every member is still intact.
    Guarded([&] { FormDestroy(this); });
}

void TForm1::FormCreate(QObject*)
{
    LoadIni(FaceName);
    FillFontList();
    for (int i = 0; i < ComboBox1->count(); ++i)
        if (ToAnsi(ComboBox1->itemText(i)) == FaceName)
            ComboBox1->setCurrentIndex(i);
    setWindowTitle(QString());
    document = TextDocument();
}

void TForm1::FormDestroy(QObject*)
{
    KeepTextAtClose();
    SaveIni(FaceName);
}

void TForm1::FillFontList()
{
    WaitCursor wait;
    const UnicodeList catalogue = BuildCatalogue(true);
    ComboBox1->clearEditText();
    ComboBox1->clear();
    for (const AnsiString& name : ListScriptFaces(catalogue))
        ComboBox1->addItem(FromAnsi(name));
    // Appending to an empty list selects its first item; the list starts with
    // no selection until the remembered face is found.
    ComboBox1->setCurrentIndex(-1);
}

void TForm1::ApplyFaceNameToCanvas()
{
    ApplyFaceName(Image1->Canvas, FaceName);
    if (KeyboardChart)
        KeyboardChart->Update(CanvasFace(Image1->Canvas));
}

void TForm1::ComboBox1Change(QObject* Sender)
{
    if (ComboBox1->currentIndex() < 0)
        ComboBox1->setEditText(QString());
    FaceName = ComboBox1->currentIndex() < 0 ? AnsiString() : ToAnsi(ComboBox1->itemText(ComboBox1->currentIndex()));
    ApplyFaceNameToCanvas();
    FormResize(Sender);
}

void TForm1::FormActivate(QObject*)
{
    FaceName = ComboBox1->currentIndex() < 0 ? AnsiString() : ToAnsi(ComboBox1->itemText(ComboBox1->currentIndex()));
    ApplyFaceNameToCanvas();
    RichEdit1->setFocus();
}

void TForm1::FormPaint(QObject* Sender)
{
    if (drawn != LineToDraw())
        FormResize(Sender);
}

TForm1::DrawnLine TForm1::LineToDraw() const
{
    DrawnLine line;
    line.edits = document.Edits();
    line.cursor = document.CursorPos();
    line.face = FaceName;
    line.client = ScrollBox1->viewport()->size();
    line.pixelSize = RichEdit1->font().pixelSize();
    line.scale = ScreenScale();
    return line;
}

void TForm1::FormResize(QObject*)
{
    // Sizing the image can show or hide the scroll box's bars, which resizes
    // its client area and asks for this very redraw again: run it once more
    // after the current one instead of inside it.
    if (inResize) {
        resizeAgain = true;
        return;
    }
    inResize = true;
    try {
        for (int run = 0; run < 3; ++run) {
            resizeAgain = false;
            if (ComboBox1->currentText() != FromAnsi(FaceName))
                ComboBox1->setEditText(FromAnsi(FaceName));
            const DrawnLine line = LineToDraw();
            const int W = line.client.width();
            const int H = line.client.height();
            Image1->setGeometry(0, Image1->y(), W, 4 * H);
            drawn.reset();
            RenderLine(Image1->Canvas, document.TypedText(), document.CursorPos(), FaceName, W, H, line.pixelSize, line.scale);
            drawn = line;
            ++renders;
            Image1->update();
            if (!resizeAgain)
                break;
        }
    } catch (...) {
        inResize = false;
        throw;
    }
    inResize = false;
}

void TForm1::RichEdit1KeyDown(QObject* Sender, unsigned& Key, KeyModifiers Shift)
{
    RichEdit1->clear();
    const uint64_t edits = document.Edits();
    const bool redraw = document.KeyDown(Layout, Key, Shift, CapsLockOn());
    if (document.Edits() != edits)
        TextChanged();
    if (redraw)
        FormResize(Sender);
    RichEdit1->setFocus();
}

void TForm1::RichEdit1KeyPress(QObject*, QChar& Key)
{
    RichEdit1->clear();
    Key = QChar();
}

void TForm1::RichEdit1KeyUp(QObject*, unsigned& Key, KeyModifiers)
{
    RichEdit1->clear();
    Key = 0;
}

void TForm1::ScrollBox1Click(QObject*) { RichEdit1->setFocus(); }
void TForm1::ScrollBox1DblClick(QObject*) { RichEdit1->setFocus(); }
void TForm1::ScrollBox1Enter(QObject*) { RichEdit1->setFocus(); }
void TForm1::ScrollBox1MouseDown(QObject*) { RichEdit1->setFocus(); }
void TForm1::ScrollBox1Resize(QObject* Sender) { FormResize(Sender); }
void TForm1::Image1Click(QObject*) { RichEdit1->setFocus(); }
void TForm1::Image1DblClick(QObject*) { RichEdit1->setFocus(); }
void TForm1::Image1MouseDown(QObject*) { RichEdit1->setFocus(); }

void TForm1::Image1ContextPopup(QObject*, const QPoint& globalPos)
{
    const bool hasText = !document.TypedText().IsEmpty();
    CopyPictureAction->setEnabled(hasText);
    SavePictureAction->setEnabled(hasText);
    UpdateEditActions();
    ImageMenu->popup(globalPos);
}

void TForm1::RichEdit1ContextPopup(QObject* Sender, std::optional<QPoint> globalPos)
{
    Image1ContextPopup(Sender, globalPos.value_or(ScrollBox1->viewport()->mapToGlobal(QPoint(0, 0))));
}

double TForm1::ScreenScale() const
{
    return std::max(1.0, devicePixelRatioF());
}

double TForm1::PictureScale() const
{
    return std::max(2.0, devicePixelRatioF());
}

PictureScene TForm1::TextPictureScene() const
{
    return PictureOfText(document.TypedText(), Image1->Canvas, ScrollBox1->viewport()->width(),
                         RichEdit1->font().pixelSize());
}

void TForm1::CopyPictureClick(QObject*)
{
    const QImage picture = RasterOf(TextPictureScene(), PictureScale());
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        // Qt offers the image in its image forms, image/png among them,
        // encoded from this image with its Description.
        auto* offered = new QMimeData;
        offered->setImageData(picture);
        clipboard->setMimeData(offered);
    }
    RichEdit1->setFocus();
}

void TForm1::SavePictureClick(QObject*)
{
    QString filter = PngFilter;
    QString name = AskPictureName(filter);
    if (!name.isEmpty()) {
        const bool svg = filter == SvgFilter;
        const QString extension = svg ? QStringLiteral(".svg") : QStringLiteral(".png");
        const QString title = tr("Save as picture");
        bool replace = true;
        if (!name.endsWith(extension, Qt::CaseInsensitive)) {
            name += extension;
            // The dialog asked about replacing the name as typed, not this one.
            replace = !QFileInfo::exists(name)
                || QMessageBox::question(this, title, tr("\"%1\" already exists. Replace it?")
                                                          .arg(QDir::toNativeSeparators(name)))
                    == QMessageBox::Yes;
        }
        if (replace) {
            const PictureScene scene = TextPictureScene();
            const QByteArray bytes = svg ? SvgOf(scene) : EncodePng(RasterOf(scene, PictureScale()));
            // A failed write leaves whatever was there, and no partial file.
            const FileResult saved =
                WriteOutput(QFile::encodeName(name).toStdString(), std::string_view(bytes.constData(), size_t(bytes.size())));
            if (saved)
                lastPictureFolder = QFileInfo(name).absolutePath();
            else
                QMessageBox::critical(this, title, tr("The picture could not be saved as \"%1\": %2")
                                                       .arg(QDir::toNativeSeparators(name), QString::fromLocal8Bit(saved.error)));
        }
    }
    RichEdit1->setFocus();
}

void TForm1::KeyboardClick(QObject*)
{
    if (!KeyboardChart)
        KeyboardChart = new TKeyboardChart(this, Layout, [this](QObject* Sender, unsigned Key, KeyModifiers Shift) {
            KeyboardKeyClick(Sender, Key, Shift);
        });
    KeyboardChart->Update(CanvasFace(Image1->Canvas));
    if (!KeyboardChart->isVisible()) {
        // Its frame is taken to be as thick as the main window's.
        const QRect frame = frameGeometry();
        const QSize chartFrame = KeyboardChart->size() + frame.size() - size();
        KeyboardChart->move(PlaceBeside(frame, chartFrame, screen()->availableGeometry()));
        KeyboardChart->show();
    }
    KeyboardChart->raise();
    // Typing goes on in the main window.
    if (!isActiveWindow())
        activateWindow();
    RichEdit1->setFocus();
}

void TForm1::KeyboardKeyClick(QObject* Sender, unsigned Key, KeyModifiers Shift)
{
    if (!isActiveWindow())
        activateWindow();
    RichEdit1KeyDown(Sender, Key, Shift);
}

void TForm1::CopyButtonClick(QObject*)
{
    const OwnWideString exportString = BuildExportString(document.TypedText());
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard) {
        const ClipboardForms forms = MakeClipboardForms(exportString);
        auto* offered = new QMimeData;
        offered->setData(QStringLiteral("text/plain"), QByteArray::fromStdString(forms.utf8));
        offered->setData(QStringLiteral("text/plain;charset=utf-16le"), QByteArray::fromStdString(forms.utf16le));
        offered->setData(QStringLiteral("text/plain;charset=iso-8859-1"), QByteArray::fromStdString(forms.eightBit));
        clipboard->setMimeData(offered);
    }
    RichEdit1->setFocus();
}

void TForm1::DelButtonClick(QObject*)
{
    if (!document.TypedText().IsEmpty()) {
        document.ReplaceAll({}, 0);
        TextChanged();
    }
    RichEdit1->clear();
    // The white bitmap lacks the mark: the next paint draws the line again.
    drawn.reset();
    if (Image1->Canvas.created)
        Image1->Canvas.bitmap.fill(Qt::white);
    Image1->update();
    RichEdit1->setFocus();
}

void TForm1::CutButtonClick(QObject* Sender)
{
    CopyButtonClick(Sender);
    DelButtonClick(Sender);
}

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        Guarded([&] { FormActivate(this); });
    return QWidget::event(event);
}

void TForm1::paintEvent(QPaintEvent*)
{
    Guarded([&] { FormPaint(this); });
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Guarded([&] { FormResize(this); });
}
