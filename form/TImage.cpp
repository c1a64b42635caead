#include "TImage.h"

#include <QContextMenuEvent>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImage::paintEvent(QPaintEvent*)
{
    emit Painting();
    QPainter painter(this);
    if (Canvas.created)
        painter.drawImage(0, 0, Canvas.bitmap);
    else
        painter.fillRect(rect(), Qt::white);
}

void TImage::mousePressEvent(QMouseEvent*)
{
    emit MouseDown();
}

void TImage::mouseDoubleClickEvent(QMouseEvent*)
{
    emit DblClick();
}

void TImage::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    emit ContextPopup(event->globalPos());
}
