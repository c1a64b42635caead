#include "TScrollBox.h"

#include <QEvent>

TScrollBox::TScrollBox(QWidget* parent) : QScrollArea(parent)
{
    viewport()->installEventFilter(this);
}

bool TScrollBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            emit MouseDown();
            return true;
        case QEvent::MouseButtonDblClick:
            emit DblClick();
            return true;
        case QEvent::Resize:
            emit Resize();
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
    emit Enter();
}
