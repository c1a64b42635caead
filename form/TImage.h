#pragma once

#include <QPoint>
#include <QWidget>

#include "DrawingCanvas.h"

// Image1: shows the bitmap that the line renderer draws into, and tells its
// owner what the mouse did to it.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    DrawingCanvas Canvas;

signals:
    // Before each paint, so that the owner can draw the bitmap anew first
    // (a move to a screen of another scale repaints the window).
    void Painting();
    void MouseDown();
    void DblClick();
    void ContextPopup(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
