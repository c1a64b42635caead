#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

#include "AnsiString.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "LineRenderer.h"
#include "OwnWideString.h"
#include "TextDocument.h"
#include "TImage.h"
#include "TRichEdit.h"
#include "TScrollBox.h"

class KeepWriter;
class KeptTexts;
class TKeyboardChart;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* owner = nullptr);
    ~TForm1() override;

    // The text, its insertion point and its history, which the handlers
    // edit.
    const TextDocument& Document() const { return document; }
    // The face name in which the text is drawn.
    const AnsiString& Face() const { return FaceName; }

    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void FormActivate(QObject* Sender);
    void FormPaint(QObject* Sender);
    void FormResize(QObject* Sender);

    void FillFontList();
    void ComboBox1Change(QObject* Sender);

    void RichEdit1KeyDown(QObject* Sender, unsigned& Key, KeyModifiers Shift);
    void RichEdit1KeyPress(QObject* Sender, QChar& Key);
    void RichEdit1KeyUp(QObject* Sender, unsigned& Key, KeyModifiers Shift);

    void ScrollBox1Click(QObject* Sender);
    void ScrollBox1DblClick(QObject* Sender);
    void ScrollBox1Enter(QObject* Sender);
    void ScrollBox1MouseDown(QObject* Sender);
    void ScrollBox1Resize(QObject* Sender);
    void Image1Click(QObject* Sender);
    void Image1DblClick(QObject* Sender);
    void Image1MouseDown(QObject* Sender);
    void Image1ContextPopup(QObject* Sender, const QPoint& globalPos);
    // Image1's menu at the view's corner, for a request with no pointer
    // position (the Menu key) or at globalPos.
    void RichEdit1ContextPopup(QObject* Sender, std::optional<QPoint> globalPos = std::nullopt);

    void DelButtonClick(QObject* Sender);
    void CutButtonClick(QObject* Sender);
    void CopyButtonClick(QObject* Sender);
    void CopyPictureClick(QObject* Sender);
    void SavePictureClick(QObject* Sender);
    // Opens the keyboard chart beside the window (F1 too), or raises it.
    void KeyboardClick(QObject* Sender);
    // A click on a key of the chart: that key pressed in RichEdit1.
    void KeyboardKeyClick(QObject* Sender, unsigned Key, KeyModifiers Shift);
    void UndoClick(QObject* Sender);
    void RedoClick(QObject* Sender);
    void OpenTextClick(QObject* Sender);
    void SaveTextClick(QObject* Sender);
    // The newest text that an ended window left, as one step to take back.
    void RestoreTextClick(QObject* Sender);
    // Has the text written to its kept file if it changed since the last
    // time.
    void KeepText();
    // The last of the text kept, written before the window goes.
    void KeepTextAtClose();

    // Asks for the name of a text file to open, or to save when save is set;
    // empty when the user cancels. A file dialog by default; tests put their
    // own answer here.
    std::function<QString(bool save)> AskTextName;

    // Asks where to save a picture: returns the file name (empty when the
    // user cancels) and sets the chosen filter, PngFilter or SvgFilter. A save
    // dialog by default; tests put their own function here.
    std::function<QString(QString& selectedFilter)> AskPictureName;
    static const QString PngFilter;
    static const QString SvgFilter;

    // Device pixels to a pixel on the window's screen, as the bitmap is drawn.
    double ScreenScale() const;
    // How often the line has been laid out and drawn since the window began.
    quint64 RenderCount() const { return renders; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Controls, owned through Qt's parent chain.
    TScrollBox* ScrollBox1;
    TImage* Image1;
    QFrame* Panel1;
    QPushButton* DelButton;
    QPushButton* CutButton;
    QPushButton* CopyButton;
    QFrame* Panel2;
    TRichEdit* RichEdit1;
    QComboBox* ComboBox1;
    // The context menu of Image1, also opened by the Menu key in RichEdit1.
    QMenu* ImageMenu;
    QAction* CopyPictureAction;
    QAction* SavePictureAction;
    QAction* KeyboardAction;
    QAction* UndoAction;
    QAction* RedoAction;
    QAction* OpenTextAction;
    QAction* SaveTextAction;
    QAction* RestoreTextAction;
    // The keyboard chart, made when it is first opened.
    TKeyboardChart* KeyboardChart = nullptr;

    // The typed text with its insertion point and the history of its edits.
    TextDocument document;
    KeybLayout Layout;
    AnsiString FaceName;
    // The text kept on disk, about a second after a change (KeepTimer) and at
    // close, for a later start to restore; written by Keeper.
    std::unique_ptr<KeptTexts> Kept;
    std::unique_ptr<KeepWriter> Keeper;
    QTimer* KeepTimer;

    void CreateControls();
    void CreateImageMenu();
    // Has the controls tell the form what happened, each through its handler.
    void ConnectControls();
    // After each change of the text: the menu's entries follow, and the text
    // is kept a second later, once for all the changes within that second.
    void TextChanged();
    // The timer, the kept texts and their writer, the text files' dialog.
    void CreateKeeping();
    void CreateTextDialogs();
    void UpdateEditActions();
    // The first failure to keep the text is said; the others are not.
    void ShowKeepFault(const QString& why);
    // Also has the keyboard chart follow the canvas's face.
    void ApplyFaceNameToCanvas();
    // The picture of the text at the window's width and font.
    PictureScene TextPictureScene() const;
    // Pictures are made with at least 2 device pixels to a pixel, more on a
    // screen that has more.
    double PictureScale() const;
    QString lastPictureFolder;
    QString lastTextFolder;
    quint64 keptVersion = 0;
    int32_t keptCursor = 0;
    bool keepFaultShown = false;
    // What the bitmap shows, so that a paint with nothing changed shows it as
    // it is instead of laying out and drawing the line again.
    struct DrawnLine {
        uint64_t edits = 0;
        int32_t cursor = 0;
        AnsiString face;
        QSize client;
        int pixelSize = 0;
        double scale = 0;
        bool operator==(const DrawnLine&) const = default;
    };
    DrawnLine LineToDraw() const;
    std::optional<DrawnLine> drawn;
    quint64 renders = 0;
    bool inResize = false;
    bool resizeAgain = false;
};


extern TForm1* Form1;
