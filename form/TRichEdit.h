#pragma once

#include <optional>

#include <QChar>
#include <QPoint>
#include <QTextEdit>

#include "Keystroke.h"

// RichEdit1: the keyboard sink. It takes every key before focus navigation
// and shortcuts can act on it, never keeps a character, and tells its owner
// of each key as a virtual key.
class TRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent = nullptr);

signals:
    // Handlers may change the key (0 or a null character swallows it).
    void KeyDown(unsigned& Key, KeyModifiers Shift);
    void KeyPress(QChar& Key);
    void KeyUp(unsigned& Key, KeyModifiers Shift);
    // The Menu key, taken as every key is: it opens no menu by itself where
    // the platform does not turn it into a context menu request first.
    void MenuKey();
    void HelpKey();
    // A context menu request; no position for one made without the pointer.
    void ContextPopup(std::optional<QPoint> globalPos);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;
};
