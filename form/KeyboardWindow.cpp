#include "KeyboardWindow.h"

#include <algorithm>
#include <limits>

#include <QMouseEvent>
#include <QPainter>

#include "KeyNames.h"
#include "PlatformKeyboard.h"
#include "Guarded.h"

namespace {

// Between the main window and the chart.
constexpr int Gap = 8;

} // namespace

// ---------------------------------------------------------------- TChartKey

TChartKey::TChartKey(TKeyboardChart* owner, const ChartKey& key) : QWidget(owner), chart(owner)
{
    setObjectName(QStringLiteral("Key_") + QString::fromStdString(KeyName(key.position)));
    setGeometry(KeyRect(key));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TChartKey::Show(const ChartEntry& entry, ChartFaces& faces)
{
    Entry = entry;
    Plan = PlanKey(entry, faces);
    setToolTip(QString::fromStdString(KeyTip(chart->Layout, entry, [](const char* english) {
        return TKeyboardChart::tr(english).toStdString();
    })));
    setCursor(entry.Empty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    picture = QImage();
    update();
}

void TChartKey::paintEvent(QPaintEvent*)
{
    // Drawn anew when the screen's scale differs from the picture's, after a
    // move to another screen for one.
    const double scale = std::max(1.0, devicePixelRatioF());
    if (picture.isNull() || picture.devicePixelRatio() != scale)
        Guarded([&] { picture = RasterOfKey(Plan, chart->Faces, scale); });
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
    if (pressed)
        painter.fillRect(rect(), QColor(0, 0, 0, 24));
}

void TChartKey::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    pressed = true;
    update();
    KeyModifiers modifiers;
    modifiers.Ctrl = modifiers.Alt = Plan.ctrlAltArea.contains(event->position().toPoint());
    Guarded([&] { chart->TypeKey(this, Entry.virtualKey, modifiers); });
}

void TChartKey::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    pressed = false;
    update();
}

// ---------------------------------------------------------------- TKeyboardChart

TKeyboardChart::TKeyboardChart(QWidget* owner, const KeybLayout& layout, KeyTyper typeKey)
    : QWidget(owner, Qt::Tool | Qt::WindowDoesNotAcceptFocus), Layout(layout), TypeKey(std::move(typeKey))
{
    setObjectName(QStringLiteral("KeyboardChart"));
    setWindowTitle(tr("Keyboard"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(ChartSize());
    for (const ChartKey& key : ChartKeys())
        Keys.push_back(new TChartKey(this, key));
}

void TKeyboardChart::Update(const std::optional<FaceSource>& face)
{
    const bool newFace = !drawn || face != shownFace;
    if (newFace) {
        Faces = OpenChartFaces(face);
        shownFace = face;
    }
    const std::vector<ChartEntry> entries = BuildChart(Layout, ActiveLayoutKeys());
    for (size_t i = 0; i < Keys.size() && i < entries.size(); ++i) {
        const ChartEntry& shown = Keys[i]->Entry;
        if (newFace || shown.virtualKey != entries[i].virtualKey || shown.label != entries[i].label)
            Keys[i]->Show(entries[i], Faces);
    }
    drawn = true;
}

bool TKeyboardChart::event(QEvent* event)
{
    // The user may have switched keyboard layouts since: the letters are
    // read again when the pointer comes to the chart.
    if ((event->type() == QEvent::Enter || event->type() == QEvent::KeyboardLayoutChange) && drawn)
        Guarded([&] { Update(shownFace); });
    return QWidget::event(event);
}

void TKeyboardChart::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), QColor::fromRgb(chart::Background));
}

QPoint PlaceBeside(const QRect& mainFrame, const QSize& frame, const QRect& screen)
{
    const QPoint candidates[] = {
        {mainFrame.right() + 1 + Gap, mainFrame.top()},
        {mainFrame.left() - Gap - frame.width(), mainFrame.top()},
        {mainFrame.left(), mainFrame.bottom() + 1 + Gap},
        {mainFrame.left(), mainFrame.top() - Gap - frame.height()},
    };
    QPoint best;
    int64_t leastCovered = std::numeric_limits<int64_t>::max();
    for (QPoint at : candidates) {
        at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - frame.width())));
        at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height())));
        const QRect covered = QRect(at, frame).intersected(mainFrame);
        const int64_t area = covered.isEmpty() ? 0 : int64_t{covered.width()} * covered.height();
        if (area < leastCovered) {
            leastCovered = area;
            best = at;
        }
    }
    return best;
}
