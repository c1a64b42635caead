#pragma once

#include <cstdint>

#include <QComboBox>
#include <QFrame>
#include <QPushButton>
#include <QScrollArea>
#include <QTextEdit>
#include <QWidget>

#include "AnsiString.h"
#include "DrawingCanvas.h"
#include "KeybLayout.h"
#include "Keystroke.h"
#include "OwnWideString.h"

class TForm1;

// Image1: shows the bitmap that the line renderer draws into.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(TForm1* form, QWidget* parent);
    DrawingCanvas Canvas;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TForm1* form;
};

// ScrollBox1: its viewport's size is the client size that the renderer fills.
class TScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TScrollBox(TForm1* form, QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    TForm1* form;
};

// RichEdit1: the keyboard sink. It takes every key before focus navigation
// and shortcuts can act on it, and never keeps a character.
class TRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(TForm1* form, QWidget* parent);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    TForm1* form;
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* owner = nullptr);
    ~TForm1() override;

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

    OwnWideString TypedText;
    int32_t CursorPos = 0;
    KeybLayout Layout;
    AnsiString FaceName;

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

    void DelButtonClick(QObject* Sender);
    void CutButtonClick(QObject* Sender);
    void CopyButtonClick(QObject* Sender);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void ApplyFaceNameToCanvas();
    bool inResize = false;
    bool resizeAgain = false;
};

// Shows an error the way the application shows every escaped exception: a
// message box, after which the program goes on.
void ShowException(const std::exception& error);

// Runs one handler; an exception that escapes it is shown and swallowed.
template <typename Handler>
void Guarded(Handler&& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

extern TForm1* Form1;
