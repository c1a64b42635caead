#include "Unit1.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QSaveFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "ClipboardForms.h"
#include "FontPlatform.h"
#include "KeepWriter.h"
#include "KeptTexts.h"
#include "KeyboardLayer.h"
#include "KeyboardWindow.h"
#include "LineRenderer.h"
#include "Pictures.h"
#include "ScriptFaces.h"
#include "Settings.h"
#include "TextFile.h"
#include "TextPicture.h"
#include "UnicodeList.h"
#include "WholeFile.h"

TForm1* Form1 = nullptr;

const QString TForm1::PngFilter = QStringLiteral("PNG picture (*.png)");
const QString TForm1::SvgFilter = QStringLiteral("SVG picture (*.svg)");

namespace {

constexpr int ListItemHeight = 18;

class FixedHeightItems : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(ListItemHeight);
        return size;
    }
};

QString FromAnsi(const AnsiString& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

AnsiString ToAnsi(const QString& text)
{
    return text.toStdString();
}

std::u16string_view Units(const OwnWideString& text)
{
    return {text.Buffer(), text.Length()};
}

// The wait cursor covers the catalogue build and goes away however it ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& glyph, const QString& tip,
                        int left, int width)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setGeometry(left, 8, width, 25);
    // The icon also takes the "@2x" picture, which a screen with two or more
    // device pixels to a pixel shows instead.
    const QImage picture = ReadPicture(glyph);
    button->setIcon(PictureIcon(glyph, picture));
    button->setIconSize(picture.size());
    button->setToolTip(tip);
    return button;
}

} // namespace

QImage ReadPicture(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.peek(4);
    file.close();
    const char* format = head.startsWith("BM")                      ? "bmp"
                       : head.startsWith("\x89PNG")                 ? "png"
                       : head == QByteArray::fromRawData("\0\0\1\0", 4) ? "ico"
                                                                    : nullptr;
    if (!format)
        return QImage(name);
    QImageReader reader(name, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon PictureIcon(const QString& name)
{
    return PictureIcon(name, ReadPicture(name));
}

QIcon PictureIcon(const QString& name, const QImage& picture)
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(picture));
    // As QIcon(name) does: the picture for two device pixels to a pixel when
    // a screen has more than one.
    const QString twice = name + QStringLiteral("@2x");
    if (qApp->devicePixelRatio() > 1 && QFile::exists(twice))
        icon.addPixmap(QPixmap::fromImage(ReadPicture(twice)));
    return icon;
}

QFont NamedByInstalledFamily(QFont font)
{
    const QStringList families = font.families();
    if (families.size() != 1 || font.style() != QFont::StyleNormal || font.styleHint() != QFont::AnyStyle
        || font.fixedPitch())
        return font;
    font.setFamilies({FromAnsi(DrawingFamily(ToAnsi(families.first())))});
    return font;
}

// ---------------------------------------------------------------- Image1

TImage::TImage(TForm1* owner, QWidget* parent) : QWidget(parent), form(owner)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImage::paintEvent(QPaintEvent*)
{
    // A move to a screen of another scale, or a change of the scale, repaints
    // the window: the bitmap is drawn anew at the new scale first.
    if (Canvas.created && !Canvas.bitmap.isNull() && Canvas.bitmap.devicePixelRatio() != form->ScreenScale())
        Guarded([&] { form->FormResize(this); });
    QPainter painter(this);
    if (Canvas.created)
        painter.drawImage(0, 0, Canvas.bitmap);
    else
        painter.fillRect(rect(), Qt::white);
}

void TImage::mousePressEvent(QMouseEvent*)
{
    Guarded([&] {
        form->Image1MouseDown(this);
        form->Image1Click(this);
    });
}

void TImage::mouseDoubleClickEvent(QMouseEvent*)
{
    Guarded([&] { form->Image1DblClick(this); });
}

void TImage::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    Guarded([&] { form->Image1ContextPopup(this, event->globalPos()); });
}

// ---------------------------------------------------------------- ScrollBox1

TScrollBox::TScrollBox(TForm1* owner, QWidget* parent) : QScrollArea(parent), form(owner)
{
    viewport()->installEventFilter(this);
}

bool TScrollBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            Guarded([&] {
                form->ScrollBox1MouseDown(this);
                form->ScrollBox1Click(this);
            });
            return true;
        case QEvent::MouseButtonDblClick:
            Guarded([&] { form->ScrollBox1DblClick(this); });
            return true;
        case QEvent::Resize:
            Guarded([&] { form->ScrollBox1Resize(this); });
            break;
        default:
            break;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

void TScrollBox::focusInEvent(QFocusEvent* event)
{
    QScrollArea::focusInEvent(event);
    Guarded([&] { form->ScrollBox1Enter(this); });
}

// ---------------------------------------------------------------- RichEdit1

TRichEdit::TRichEdit(TForm1* owner, QWidget* parent) : QTextEdit(parent), form(owner)
{
    // Keys must arrive as plain key events, not as composed input.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setTabChangesFocus(false);
}

bool TRichEdit::event(QEvent* event)
{
    // Claim every key before shortcuts and focus navigation (Tab, Backtab)
    // can act on it: the editor handles, or swallows, them all.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        keyReleaseEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QTextEdit::event(event);
}

void TRichEdit::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    Guarded([&] {
        VirtualKeyEvent key = ToVirtualKey(*event);
        form->RichEdit1KeyDown(this, key.Key, key.modifiers);
        QChar character = event->text().isEmpty() ? QChar() : event->text().at(0);
        if (!character.isNull())
            form->RichEdit1KeyPress(this, character);
        // Taken as every key is, the Menu key opens no menu by itself where
        // the platform does not turn it into a context menu request first.
        if (event->key() == Qt::Key_Menu && !form->ImageMenu->isVisible())
            form->RichEdit1ContextPopup(this);
        if (event->key() == Qt::Key_F1)
            form->KeyboardClick(this);
    });
}

void TRichEdit::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
    Guarded([&] {
        VirtualKeyEvent key = ToVirtualKey(*event);
        form->RichEdit1KeyUp(this, key.Key, key.modifiers);
    });
}

void TRichEdit::inputMethodEvent(QInputMethodEvent* event)
{
    event->accept();
    clear();
}

// The input control's own menu would edit its contents, which stay empty: any
// context menu request on it opens Image1's menu instead.
void TRichEdit::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    Guarded([&] {
        if (event->reason() == QContextMenuEvent::Mouse)
            form->RichEdit1ContextPopup(this, event->globalPos());
        else
            form->RichEdit1ContextPopup(this);
    });
}

bool TRichEdit::focusNextPrevChild(bool)
{
    return false;
}

// ---------------------------------------------------------------- TForm1

TForm1::TForm1(QWidget* owner) : QWidget(owner)
{
    CreateControls();
    // Members are constructed by now (TypedText empty, Layout built, FaceName
    // empty, CursorPos 0); only then does the form's creation handler run.
    Guarded([&] { FormCreate(this); });
}

TForm1::~TForm1()
{
    // The settings are written while every member is still intact.
    Guarded([&] { FormDestroy(this); });
}

void TForm1::CreateControls()
{
    setObjectName("Form1");
    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPixelSize(16);
    setFont(NamedByInstalledFamily(windowFont));
    move(274, 202);
    resize(476, 350);
    setWindowIcon(PictureIcon(QString::fromLatin1(pictures::Icon)));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(33);
    RichEdit1 = new TRichEdit(this, Panel2);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setGeometry(0, 0, 9, 9);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont richEditFont(QString::fromUtf8("Tirn\xC3\xA1 0860"));
    richEditFont.setPixelSize(32);
    RichEdit1->setFont(NamedByInstalledFamily(richEditFont));
    ComboBox1 = new QComboBox(Panel2);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(72, 0, 273, 26);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setItemDelegate(new FixedHeightItems(ComboBox1));
    // Only the user's pick and the user's edit count as a change; the
    // program's own setting of the text or the selection raises nothing.
    connect(ComboBox1, &QComboBox::activated, this, [this] { Guarded([&] { ComboBox1Change(ComboBox1); }); });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this,
            [this] { Guarded([&] { ComboBox1Change(ComboBox1); }); });
    column->addWidget(Panel2);

    ScrollBox1 = new TScrollBox(this, this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setWidgetResizable(false);
    Image1 = new TImage(this, nullptr);
    Image1->setObjectName("Image1");
    Image1->setGeometry(24, 0, 417, 105);
    ScrollBox1->setWidget(Image1);
    column->addWidget(ScrollBox1, 1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(49);
    DelButton = MakeButton(Panel1, "DelButton", QString::fromLatin1(pictures::DelButton), tr("Delete"), 40, 75);
    CutButton = MakeButton(Panel1, "CutButton", QString::fromLatin1(pictures::CutButton), tr("Cut"), 208, 81);
    CopyButton = MakeButton(Panel1, "CopyButton", QString::fromLatin1(pictures::CopyButton), tr("Copy"), 360, 75);
    connect(DelButton, &QPushButton::clicked, this, [this] { Guarded([&] { DelButtonClick(DelButton); }); });
    connect(CutButton, &QPushButton::clicked, this, [this] { Guarded([&] { CutButtonClick(CutButton); }); });
    connect(CopyButton, &QPushButton::clicked, this, [this] { Guarded([&] { CopyButtonClick(CopyButton); }); });
    column->addWidget(Panel1);

    setTabOrder(ScrollBox1, Panel1);
    setTabOrder(RichEdit1, ComboBox1);

    CreateImageMenu();
    KeepTimer = new QTimer(this);
    KeepTimer->setObjectName("KeepTimer");
    KeepTimer->setSingleShot(true);
    KeepTimer->setInterval(1000);
    connect(KeepTimer, &QTimer::timeout, this, [this] { Guarded([&] { KeepText(); }); });
    Kept = std::make_unique<KeptTexts>(KeptTexts::DefaultFolder());
    Keeper = std::make_unique<KeepWriter>(*Kept, [this](const std::string& why) {
        QMetaObject::invokeMethod(this, [this, why] { ShowKeepFault(QString::fromLocal8Bit(why)); },
                                  Qt::QueuedConnection);
    });
    UpdateEditActions();
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
    AskPictureName = [this](QString& selectedFilter) {
        // The last folder saved to, else the pictures folder, else home; a
        // folder that does not exist would be offered as a file name.
        QString folder = lastPictureFolder;
        for (const QString& candidate :
             {QStandardPaths::writableLocation(QStandardPaths::PicturesLocation), QDir::homePath()})
            if (!QFileInfo(folder).isDir())
                folder = candidate;
        return QFileDialog::getSaveFileName(this, tr("Save as picture"), folder + QDir::separator(),
                                            PngFilter + ";;" + SvgFilter, &selectedFilter);
    };
}

void TForm1::CreateImageMenu()
{
    ImageMenu = new QMenu(this);
    ImageMenu->setObjectName("ImageMenu");
    CopyPictureAction = ImageMenu->addAction(tr("Copy as picture"));
    CopyPictureAction->setObjectName("CopyPictureAction");
    SavePictureAction = ImageMenu->addAction(tr("Save as picture\u2026"));
    SavePictureAction->setObjectName("SavePictureAction");
    KeyboardAction = ImageMenu->addAction(tr("Keyboard"));
    KeyboardAction->setObjectName("KeyboardAction");
    connect(CopyPictureAction, &QAction::triggered, this,
            [this] { Guarded([&] { CopyPictureClick(CopyPictureAction); }); });
    connect(SavePictureAction, &QAction::triggered, this,
            [this] { Guarded([&] { SavePictureClick(SavePictureAction); }); });
    connect(KeyboardAction, &QAction::triggered, this, [this] { Guarded([&] { KeyboardClick(KeyboardAction); }); });
    ImageMenu->addSeparator();
    UndoAction = ImageMenu->addAction(tr("Undo"));
    UndoAction->setObjectName("UndoAction");
    RedoAction = ImageMenu->addAction(tr("Redo"));
    RedoAction->setObjectName("RedoAction");
    ImageMenu->addSeparator();
    OpenTextAction = ImageMenu->addAction(tr("Open text\u2026"));
    OpenTextAction->setObjectName("OpenTextAction");
    SaveTextAction = ImageMenu->addAction(tr("Save text\u2026"));
    SaveTextAction->setObjectName("SaveTextAction");
    RestoreTextAction = ImageMenu->addAction(tr("Restore last text"));
    RestoreTextAction->setObjectName("RestoreTextAction");
    const std::pair<QAction*, void (TForm1::*)(QObject*)> handlers[] = {
        {UndoAction, &TForm1::UndoClick},         {RedoAction, &TForm1::RedoClick},
        {OpenTextAction, &TForm1::OpenTextClick}, {SaveTextAction, &TForm1::SaveTextClick},
        {RestoreTextAction, &TForm1::RestoreTextClick}};
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this, [this, action, handler] { Guarded([&] { (this->*handler)(action); }); });
    connect(ImageMenu, &QMenu::aboutToHide, this, [this] { RichEdit1->setFocus(); });
}

void TForm1::FormCreate(QObject*)
{
    LoadIni(FaceName);
    FillFontList();
    for (int i = 0; i < ComboBox1->count(); ++i)
        if (ToAnsi(ComboBox1->itemText(i)) == FaceName)
            ComboBox1->setCurrentIndex(i);
    setWindowTitle(QString());
    TypedText = OwnWideString();
    CursorPos = 0;
}

void TForm1::FormDestroy(QObject*)
{
    KeepTimer->stop();
    KeepText();
    if (const std::optional<std::string> fault = Keeper->Finish())
        ShowKeepFault(QString::fromLocal8Bit(*fault));
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
    FormResize(Sender);
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
            const QSize client = ScrollBox1->viewport()->size();
            const int W = client.width();
            const int H = client.height();
            Image1->setGeometry(0, Image1->y(), W, 4 * H);
            RenderLine(Image1->Canvas, TypedText, CursorPos, FaceName, W, H, RichEdit1->font().pixelSize(),
                       ScreenScale());
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
    const uint32_t length = TypedText.Length();
    const bool redraw = ApplyKeyDown(TypedText, CursorPos, Layout, Key, Shift, CapsLockOn(), History);
    if (TypedText.Length() != length)
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
    const bool hasText = !TypedText.IsEmpty();
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
    return PictureOfText(TypedText, Image1->Canvas, ScrollBox1->viewport()->width(),
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
            QSaveFile file(name);
            bool saved = file.open(QIODevice::WriteOnly);
            if (saved) {
                file.write(bytes);
                saved = file.commit();
            }
            if (saved)
                lastPictureFolder = QFileInfo(name).absolutePath();
            else
                QMessageBox::critical(this, title, tr("The picture could not be saved as \"%1\": %2")
                                                       .arg(QDir::toNativeSeparators(name), file.errorString()));
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
    const OwnWideString exportString = BuildExportString(TypedText);
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
    if (!TypedText.IsEmpty()) {
        History.Replace(TypedText, CursorPos, 0, TypedText.Length(), {}, 0);
        TextChanged();
    }
    TypedText = OwnWideString();
    CursorPos = 0;
    RichEdit1->clear();
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

// ---------------------------------------------------------------- The text kept

void TForm1::UpdateEditActions()
{
    UndoAction->setEnabled(History.CanUndo());
    RedoAction->setEnabled(History.CanRedo());
    RestoreTextAction->setEnabled(Kept->HasLeftText());
}

void TForm1::TextChanged()
{
    ++textVersion;
    // Not restarted by each change: a steady typist's text is still kept
    // once a second.
    if (!KeepTimer->isActive())
        KeepTimer->start();
    UndoAction->setEnabled(History.CanUndo());
    RedoAction->setEnabled(History.CanRedo());
}

void TForm1::KeepText()
{
    if (keptVersion == textVersion)
        return;
    keptVersion = textVersion;
    Keeper->Post(std::u16string(Units(TypedText)), CursorPos);
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

void TForm1::UndoClick(QObject* Sender)
{
    if (History.Undo(TypedText, CursorPos)) {
        TextChanged();
        FormResize(Sender);
    }
    RichEdit1->setFocus();
}

void TForm1::RedoClick(QObject* Sender)
{
    if (History.Redo(TypedText, CursorPos)) {
        TextChanged();
        FormResize(Sender);
    }
    RichEdit1->setFocus();
}

void TForm1::OpenTextClick(QObject* Sender)
{
    const QString name = AskTextName(false);
    if (!name.isEmpty()) {
        const WholeFileRead read = ReadWholeFile(QFile::encodeName(name).toStdString(), MaxTextFileBytes);
        DecodedTextFile text;
        QString fault = read.tooLarge ? tr("it is larger than 16 MiB") : QString::fromLocal8Bit(read.error);
        if (fault.isEmpty()) {
            text = DecodeTextFile(read.bytes);
            switch (text.fault) {
            case TextFileFault::None: break;
            case TextFileFault::TooLarge: fault = tr("it is larger than 16 MiB"); break;
            case TextFileFault::HoldsNul: fault = tr("it holds a NUL character, as a binary file does"); break;
            case TextFileFault::NotUtf8: fault = tr("it is not UTF-8 text"); break;
            }
        }
        if (fault.isEmpty()) {
            History.Replace(TypedText, CursorPos, 0, TypedText.Length(), text.units,
                            static_cast<int32_t>(text.units.size()));
            TextChanged();
            FormResize(Sender);
            lastTextFolder = QFileInfo(name).absolutePath();
        } else {
            QMessageBox::critical(this, tr("Open text"), tr("\"%1\" could not be opened: %2")
                                                             .arg(QDir::toNativeSeparators(name), fault));
        }
    }
    RichEdit1->setFocus();
}

void TForm1::SaveTextClick(QObject*)
{
    const QString name = AskTextName(true);
    if (!name.isEmpty()) {
        const std::string bytes = EncodeTextFile(TypedText.Buffer(), TypedText.Length());
        if (const auto fault = ReplaceWholeFile(QFile::encodeName(name).toStdString(), bytes))
            QMessageBox::critical(this, tr("Save text"), tr("The text could not be saved as \"%1\": %2")
                                                             .arg(QDir::toNativeSeparators(name),
                                                                  QString::fromLocal8Bit(*fault)));
        else
            lastTextFolder = QFileInfo(name).absolutePath();
    }
    RichEdit1->setFocus();
}

void TForm1::RestoreTextClick(QObject* Sender)
{
    if (const std::optional<KeptTexts::Text> text = Kept->TakeLeftText()) {
        History.Replace(TypedText, CursorPos, 0, TypedText.Length(), text->units, text->cursor);
        TextChanged();
        FormResize(Sender);
    }
    RestoreTextAction->setEnabled(Kept->HasLeftText());
    RichEdit1->setFocus();
}
