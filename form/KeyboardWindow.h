#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QImage>
#include <QWidget>

#include "ChartPicture.h"
#include "FontPlatform.h"
#include "KeybLayout.h"
#include "KeyboardChart.h"
#include "Keystroke.h"

class TKeyboardChart;

// One key of the chart ("Key_A", "Key_OEM_3", "Key_SPACE": named by its place
// on a US keyboard). It shows the chart's picture of the key, drawn at the
// screen's scale, and hands a click to the form as that key's keystroke,
// with Ctrl+Alt when the click is on the Ctrl+Alt glyph's corner.
class TChartKey : public QWidget {
    Q_OBJECT
public:
    TChartKey(TKeyboardChart* chart, const ChartKey& key);

    ChartEntry Entry;
    KeyPlan Plan;

    // Takes what the key now shows and has it drawn anew.
    void Show(const ChartEntry& entry, ChartFaces& faces);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TKeyboardChart* chart;
    QImage picture;
    bool pressed = false;
};

// The keyboard chart: a tool window titled "Keyboard" beside the main window
// that never takes the keyboard focus, so typing goes on in RichEdit1.
class TKeyboardChart : public QWidget {
    Q_OBJECT
public:
    // Types a key as pressed with the modifiers, on behalf of the key's widget.
    using KeyTyper = std::function<void(QObject* Sender, unsigned Key, KeyModifiers Shift)>;

    TKeyboardChart(QWidget* owner, const KeybLayout& layout, KeyTyper typeKey);

    const KeybLayout& Layout;
    const KeyTyper TypeKey;
    ChartFaces Faces;
    std::vector<TChartKey*> Keys;

    // Shows the keys for the keyboard layout that is active now, in the
    // face; draws anew only what changed.
    void Update(const std::optional<FaceSource>& face);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<FaceSource> shownFace;
    bool drawn = false;
};

// Where a window of the given frame size goes beside the main window's
// frame on the screen: right of it, else left, else below, else above, the
// first where it fits on the screen; where it fits nowhere, the place inside
// the screen that covers the least of the main window.
QPoint PlaceBeside(const QRect& mainFrame, const QSize& frame, const QRect& screen);
