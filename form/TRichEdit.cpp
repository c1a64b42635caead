#include "TRichEdit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

#include "PlatformKeyboard.h"

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent)
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
    VirtualKeyEvent key = ToVirtualKey(*event);
    emit KeyDown(key.Key, key.modifiers);
    QChar character = event->text().isEmpty() ? QChar() : event->text().at(0);
    if (!character.isNull())
        emit KeyPress(character);
    if (event->key() == Qt::Key_Menu)
        emit MenuKey();
    if (event->key() == Qt::Key_F1)
        emit HelpKey();
}

void TRichEdit::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
    VirtualKeyEvent key = ToVirtualKey(*event);
    emit KeyUp(key.Key, key.modifiers);
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
    if (event->reason() == QContextMenuEvent::Mouse)
        emit ContextPopup(event->globalPos());
    else
        emit ContextPopup(std::nullopt);
}

bool TRichEdit::focusNextPrevChild(bool)
{
    return false;
}
