#include "app/TBar.h"

#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMaxPrec = 9;  // 10^9 is the largest power of ten an int32 step factor holds

// Rounds half to even (the default floating-point rounding mode); values beyond the int32 range
// saturate, since the track bar clamps them into its range anyway.
int32_t Nearest(double value)
{
    if (std::isnan(value))
        throw EInvalidOp("Invalid floating point operation");
    const double rounded = std::nearbyint(value);
    return static_cast<int32_t>(std::clamp(rounded, double(std::numeric_limits<int32_t>::min()),
                                           double(std::numeric_limits<int32_t>::max())));
}

// Labels size themselves to their text; a right-aligned one grows to the left. A label someone
// else has freed is skipped.
void SetLabelText(QLabel* label, const QString& text)
{
    if (!label)
        return;
    const int right = label->x() + label->width();
    label->setText(text);
    label->adjustSize();
    if (label->alignment() & Qt::AlignRight)
        label->move(right - label->width(), label->y());
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons)
{
    TShiftState shift = 0;
    if (keys & Qt::ShiftModifier) shift |= ssShift;
    if (keys & Qt::AltModifier) shift |= ssAlt;
    if (keys & Qt::ControlModifier) shift |= ssCtrl;
    if (buttons & Qt::LeftButton) shift |= ssLeft;
    if (buttons & Qt::RightButton) shift |= ssRight;
    if (buttons & Qt::MiddleButton) shift |= ssMiddle;
    return shift;
}

}  // namespace

// ---- TTBar

TTBar::TTBar(QWidget* parent) : TPxTrackBar(parent)
{
    // Moves are reported without a button held too.
    setMouseTracking(true);
}

void TTBar::mousePressEvent(QMouseEvent* event)
{
    TPxTrackBar::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && OnMouseDown)
        OnMouseDown(*this, TMouseButton::mbLeft, 0, at.x(), at.y());
    else if (event->button() == Qt::RightButton && OnMouseRight)
        OnMouseRight(*this);
}

void TTBar::mouseReleaseEvent(QMouseEvent* event)
{
    TPxTrackBar::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && OnMouseUp)
        OnMouseUp(*this, TMouseButton::mbLeft, 0, at.x(), at.y());
}

void TTBar::mouseMoveEvent(QMouseEvent* event)
{
    TPxTrackBar::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(*this, 0, at.x(), at.y());
}

void TTBar::wheelEvent(QWheelEvent* event)
{
    const int wheelDelta = event->angleDelta().y();
    bool handled = false;
    if (wheelDelta != 0 && OnMouseWheel)
        OnMouseWheel(*this, ShiftStateOf(event->modifiers(), event->buttons()), wheelDelta,
                     event->globalPosition().toPoint(), handled);
    if (handled)
        event->accept();
    else
        TPxTrackBar::wheelEvent(event);
}

// ---- TLBar

TLBar::TLBar(QWidget* parent)
    : TTBar(parent), Label1(new QLabel(this)), Label2(new QLabel(this))
{
    // Hidden until the slider has a parent to show them in.
    Label1->hide();
    Label2->hide();
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetLabelText(Label1, QStringLiteral("Caption"));
    SetTickMarks(TTickMark::tmBoth);
    SetTickStyle(TTickStyle::tsNone);
    Refresh();
    AdoptParent();
}

TLBar::~TLBar()
{
    delete Label1.data();
    delete Label2.data();
}

std::string TLBar::Caption() const
{
    return Label1 ? Label1->text().toStdString() : std::string();
}

void TLBar::SetCaption(const std::string& caption)
{
    SetLabelText(Label1, QString::fromStdString(caption));
    SetAccessibleName(caption);
}

void TLBar::SetLabelSpacing(int spacingPx)
{
    FLabelSpacing = spacingPx;
    LayoutLabels();
}

void TLBar::SetValue(float value)
{
    if (FMinValue > value)
        value = FMinValue;
    const int32_t position = Nearest(double(value) * _mult);
    FValue = value;
    SetPosition(position);  // a move refreshes FValue from the thumb
    if (OnValueChange)
        OnValueChange(*this);
}

void TLBar::SetMinValue(float value)
{
    const int32_t min = Nearest(double(_mult) * value);
    FMinValue = value;
    SetMin(min);
}

void TLBar::SetMaxValue(float value)
{
    const int32_t max = Nearest(double(_mult) * value);
    FMaxValue = value;
    SetMax(max);
}

void TLBar::SetPrec(int decimals)
{
    if (decimals < 0 || decimals > kMaxPrec)
        throw ERangeError("Prec must be between 0 and " + std::to_string(kMaxPrec) + ", not " +
                          std::to_string(decimals));
    FPrec = decimals;
    _mult = Nearest(std::pow(10.0, decimals));
    SetMax(Nearest(double(_mult) * FMaxValue));
    SetMin(Nearest(double(_mult) * FMinValue));
}

void TLBar::Changed()
{
    Refresh();
    TTBar::Changed();
}

void TLBar::changeEvent(QEvent* event)
{
    TTBar::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        AdoptParent();
}

void TLBar::moveEvent(QMoveEvent* event)
{
    TTBar::moveEvent(event);
    LayoutLabels();
}

void TLBar::resizeEvent(QResizeEvent* event)
{
    TTBar::resizeEvent(event);
    LayoutLabels();
}

void TLBar::Refresh()
{
    FValue = _mult == 0 ? float(Max()) : float(double(Position()) / _mult);
    SetLabelText(Label2, ValueLabelText());
    if (OnValueChange)
        OnValueChange(*this);
}

QString TLBar::ValueLabelText() const
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = locale.toString(double(FValue), 'f', FPrec) + ' ' + QString::fromStdString(f_unit);
    if (FShowSign && FValue >= 0)
        text.prepend('+');
    return text;
}

void TLBar::AdoptParent()
{
    QWidget* parent = parentWidget();
    if (!parent || !Label1 || !Label2)
        return;
    for (QLabel* label : {Label1.data(), Label2.data()}) {
        label->setParent(parent);
        label->show();
    }
}

void TLBar::LayoutLabels()
{
    if (!Label1 || !Label2)
        return;
    const QRect bounds = geometry();
    const int dy = bounds.height() / 2 - Label1->height() / 2 - 2;
    Label1->move(bounds.left() - Label1->width() - FLabelSpacing, bounds.top() + dy);
    Label2->move(bounds.left() + bounds.width() + FLabelSpacing, bounds.top() + dy);
}
