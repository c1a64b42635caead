#pragma once

#include <QScrollArea>

// ScrollBox1: its viewport's size is the client size that the renderer fills.
// It tells its owner of clicks on the viewport, its resizes and the focus.
class TScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TScrollBox(QWidget* parent = nullptr);

signals:
    void MouseDown();
    void DblClick();
    void Resize();
    void Enter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};
