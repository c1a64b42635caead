// The form's controls as the window description lays them out, and their
// wiring to the form's handlers.
#include "Unit1.h"

#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "Guarded.h"
#include "InstalledFamily.h"
#include "PictureReading.h"
#include "Pictures.h"

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
    button->setAccessibleName(tip);
    return button;
}

} // namespace

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
    RichEdit1 = new TRichEdit(Panel2);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setGeometry(0, 0, 9, 9);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont richEditFont(QString::fromUtf8("Tirn\xC3\xA1 0860"));
    richEditFont.setPixelSize(TextPixelSize);
    RichEdit1->setFont(NamedByInstalledFamily(richEditFont));
    ComboBox1 = new QComboBox(Panel2);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(72, 0, 273, 26);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setItemDelegate(new FixedHeightItems(ComboBox1));
    ComboBox1->setAccessibleName(tr("Font"));
    // Only the user's pick and the user's edit count as a change; the
    // program's own setting of the text or the selection raises nothing.
    connect(ComboBox1, &QComboBox::activated, this, [this] { Guarded([&] { ComboBox1Change(ComboBox1); }); });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this,
            [this] { Guarded([&] { ComboBox1Change(ComboBox1); }); });
    column->addWidget(Panel2);

    ScrollBox1 = new TScrollBox(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setWidgetResizable(false);
    Image1 = new TImage;
    Image1->setObjectName("Image1");
    Image1->setAccessibleName(tr("Text"));
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
    ConnectControls();
    CreateTextDialogs();
    CreateKeeping();
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
        {CopyPictureAction, &TForm1::CopyPictureClick},
        {SavePictureAction, &TForm1::SavePictureClick},
        {KeyboardAction, &TForm1::KeyboardClick},
        {UndoAction, &TForm1::UndoClick},
        {RedoAction, &TForm1::RedoClick},
        {OpenTextAction, &TForm1::OpenTextClick},
        {SaveTextAction, &TForm1::SaveTextClick},
        {RestoreTextAction, &TForm1::RestoreTextClick}};
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this, [this, action, handler] { Guarded([&] { (this->*handler)(action); }); });
    connect(ImageMenu, &QMenu::aboutToHide, this, [this] { RichEdit1->setFocus(); });
}

void TForm1::ConnectControls()
{
    // Each handler runs guarded, as the toolkit runs every event handler.
    const auto guarded = [](auto handler) {
        return [handler](auto&&... arguments) { Guarded([&] { handler(arguments...); }); };
    };
    connect(Image1, &TImage::Painting, this, guarded([this] {
                // A move to a screen of another scale, or a change of the
                // scale: the bitmap is drawn anew at the new scale first.
                const DrawingCanvas& canvas = Image1->Canvas;
                if (canvas.created && !canvas.bitmap.isNull() && canvas.bitmap.devicePixelRatio() != ScreenScale())
                    FormResize(Image1);
            }));
    connect(Image1, &TImage::MouseDown, this, guarded([this] {
                Image1MouseDown(Image1);
                Image1Click(Image1);
            }));
    connect(Image1, &TImage::DblClick, this, guarded([this] { Image1DblClick(Image1); }));
    connect(Image1, &TImage::ContextPopup, this,
            guarded([this](const QPoint& globalPos) { Image1ContextPopup(Image1, globalPos); }));

    connect(ScrollBox1, &TScrollBox::MouseDown, this, guarded([this] {
                ScrollBox1MouseDown(ScrollBox1);
                ScrollBox1Click(ScrollBox1);
            }));
    connect(ScrollBox1, &TScrollBox::DblClick, this, guarded([this] { ScrollBox1DblClick(ScrollBox1); }));
    connect(ScrollBox1, &TScrollBox::Resize, this, guarded([this] { ScrollBox1Resize(ScrollBox1); }));
    connect(ScrollBox1, &TScrollBox::Enter, this, guarded([this] { ScrollBox1Enter(ScrollBox1); }));

    connect(RichEdit1, &TRichEdit::KeyDown, this,
            guarded([this](unsigned& Key, KeyModifiers Shift) { RichEdit1KeyDown(RichEdit1, Key, Shift); }));
    connect(RichEdit1, &TRichEdit::KeyPress, this, guarded([this](QChar& Key) { RichEdit1KeyPress(RichEdit1, Key); }));
    connect(RichEdit1, &TRichEdit::KeyUp, this,
            guarded([this](unsigned& Key, KeyModifiers Shift) { RichEdit1KeyUp(RichEdit1, Key, Shift); }));
    connect(RichEdit1, &TRichEdit::MenuKey, this, guarded([this] {
                if (!ImageMenu->isVisible())
                    RichEdit1ContextPopup(RichEdit1);
            }));
    connect(RichEdit1, &TRichEdit::HelpKey, this, guarded([this] { KeyboardClick(RichEdit1); }));
    connect(RichEdit1, &TRichEdit::ContextPopup, this,
            guarded([this](std::optional<QPoint> globalPos) { RichEdit1ContextPopup(RichEdit1, globalPos); }));
}
