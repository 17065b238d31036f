#include "app/PxAccessibleControls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QProxyStyle>

// The application's style with the thumb length of one track bar; Qt has no per-widget setting
// for it.
class TrackBarStyle : public QProxyStyle {
public:
    TrackBarStyle() : QProxyStyle(QApplication::style()->name()) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        if (metric == PM_SliderLength)
            return ThumbLengthPx;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    int ThumbLengthPx = 20;
};

namespace {

// What a screen reader learns about a TPxTrackBar: a leaf with no actions whose value it reads
// but cannot set.
class PxTrackBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PxTrackBarAccessible(TPxTrackBar* bar) : QAccessibleWidget(bar, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }

    QString text(QAccessible::Text type) const override
    {
        switch (type) {
        case QAccessible::Name:
            return NameText();
        case QAccessible::Value:
            return ValueText();
        case QAccessible::Description:
            return QString::fromStdString(Bar().AccessibleDescription());
        default:
            return {};
        }
    }

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QVariant currentValue() const override { return Bar().Position(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Bar().Max(); }
    QVariant minimumValue() const override { return Bar().Min(); }
    QVariant minimumStepSize() const override { return Bar().singleStep(); }

private:
    TPxTrackBar& Bar() const { return *static_cast<TPxTrackBar*>(widget()); }

    QString NameText() const
    {
        if (const QLabel* label = Bar().AssociateLabel())
            return label->text();
        return QString::fromStdString(Bar().AccessibleName());
    }

    QString ValueText() const
    {
        std::string value = std::to_string(Bar().Position());
        if (Bar().OnGetAccessibleValue)
            Bar().OnGetAccessibleValue(Bar(), value);
        return QString::fromStdString(value);
    }
};

QAccessibleInterface* CreatePxTrackBarAccessible(const QString&, QObject* object)
{
    if (auto* bar = qobject_cast<TPxTrackBar*>(object))
        return new PxTrackBarAccessible(bar);
    return nullptr;
}

}  // namespace

TPxTrackBar::TPxTrackBar(QWidget* parent)
    : QSlider(Qt::Horizontal, parent), FStyle(std::make_unique<TrackBarStyle>())
{
    // Installing again is a no-op; our factory is asked before Qt's own slider interface.
    QAccessible::installFactory(&CreatePxTrackBarAccessible);
    setStyle(FStyle.get());
    setRange(0, 10);
    setPageStep(2);
    ApplyTicks();
    connect(this, &QSlider::valueChanged, this, [this] { Changed(); });
}

TPxTrackBar::~TPxTrackBar()
{
    // Hand the widget back to the application style before ours is freed.
    setStyle(nullptr);
}

int TPxTrackBar::ThumbLength() const
{
    return FStyle->ThumbLengthPx;
}

void TPxTrackBar::SetThumbLength(int lengthPx)
{
    FStyle->ThumbLengthPx = lengthPx;
    updateGeometry();
    update();
}

void TPxTrackBar::SetTickMarks(TTickMark tickMarks)
{
    FTickMarks = tickMarks;
    ApplyTicks();
}

void TPxTrackBar::SetTickStyle(TTickStyle tickStyle)
{
    FTickStyle = tickStyle;
    ApplyTicks();
}

void TPxTrackBar::SetAccessibleName(const std::string& name)
{
    FAccessibleName = name;
    NotifyNameChanged();
}

void TPxTrackBar::SetAccessibleDescription(const std::string& description)
{
    FAccessibleDescription = description;
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void TPxTrackBar::SetAssociateLabel(QLabel* label)
{
    FAssociateLabel = label;
    NotifyNameChanged();
}

void TPxTrackBar::Changed()
{
    if (OnChange)
        OnChange(*this);
}

void TPxTrackBar::ApplyTicks()
{
    if (FTickStyle == TTickStyle::tsNone) {
        setTickPosition(NoTicks);
        return;
    }
    switch (FTickMarks) {
    case TTickMark::tmBottomRight:
        setTickPosition(TicksBelow);
        break;
    case TTickMark::tmTopLeft:
        setTickPosition(TicksAbove);
        break;
    case TTickMark::tmBoth:
        setTickPosition(TicksBothSides);
        break;
    }
    setTickInterval(1);
}

void TPxTrackBar::NotifyNameChanged()
{
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}
