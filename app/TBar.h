#pragma once
// The level slider controls. TTBar adds plain mouse events to the accessible track bar; TLBar maps
// a single-precision value with a number of decimals onto it and shows a caption label at its
// left and a value label with a unit at its right. Widgets: main thread only.
#include <QLabel>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>

#include "app/PxAccessibleControls.h"
#include "platform/Exception.h"

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Keys and mouse buttons held during a mouse event, as a set of these bits; 0 is the empty set.
enum TShiftStateBit : uint8_t { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = uint8_t;

// A value that cannot be mapped onto the track bar (not a number).
class EInvalidOp : public Exception {
public:
    using Exception::Exception;
};

// A number of decimals outside 0..9.
class ERangeError : public Exception {
public:
    using Exception::Exception;
};

// Each event fires after the track bar's own handling of the input. X and Y are pixels in the
// control; the shift state of the button and move events is always empty.
class TTBar : public TPxTrackBar {
    Q_OBJECT
public:
    explicit TTBar(QWidget* parent = nullptr);

    using TMouseEvent = std::function<void(TTBar& sender, TMouseButton button, TShiftState shift, int x, int y)>;
    TMouseEvent OnMouseUp;    // left button released
    TMouseEvent OnMouseDown;  // left button pressed
    std::function<void(TTBar& sender)> OnMouseRight;  // right button pressed
    std::function<void(TTBar& sender, TShiftState shift, int x, int y)> OnMouseMove;
    // Vertical wheel turns, fired before the track bar moves: wheelDelta is 120 per notch (positive
    // away from the user), mousePos in screen pixels; setting handled keeps the thumb still.
    std::function<void(TTBar& sender, TShiftState shift, int wheelDelta, QPoint mousePos, bool& handled)>
        OnMouseWheel;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

// The track bar works in steps of 10^-Prec: Min = nearest(MinValue x 10^Prec), Max likewise, and
// Position = nearest(Value x 10^Prec), nearest rounding half to even. Value is clamped up to
// MinValue when set but not down to MaxValue (the thumb stops at Max, Value keeps what was set
// until the thumb next moves). The value label reads Value with Prec decimals (user's locale), a
// blank and the unit, with "+" before values >= 0 if ShowSign. OnValueChange fires on every
// thumb move and after every Value assignment, so an assignment that moves the thumb fires twice.
// The labels are owned by the slider, live in its parent widget and follow every move and resize
// of the slider; LabelSpacing and the slider's height place them.
class TLBar : public TTBar {
    Q_OBJECT
public:
    explicit TLBar(QWidget* parent = nullptr);
    ~TLBar() override;

    // Caption label text (UTF-8); setting it also sets AccessibleName. A new slider shows "Caption".
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // Gap between the slider and each label, pixels.
    int LabelSpacing() const { return FLabelSpacing; }
    void SetLabelSpacing(int spacingPx);

    float Value() const { return FValue; }
    void SetValue(float value);  // throws EInvalidOp for NaN, before changing anything
    float MinValue() const { return FMinValue; }
    void SetMinValue(float value);  // throws EInvalidOp for NaN (or infinity before Prec is set)
    float MaxValue() const { return FMaxValue; }
    void SetMaxValue(float value);  // throws EInvalidOp likewise
    int Prec() const { return FPrec; }
    void SetPrec(int decimals);  // throws ERangeError outside 0..9, before changing anything
    const std::string& _unit() const { return f_unit; }
    void Set_unit(const std::string& unit) { f_unit = unit; }
    bool ShowSign() const { return FShowSign; }
    void SetShowSign(bool showSign) { FShowSign = showSign; }

    // Re-reads Value from the thumb and rewrites the value label; call once the properties are
    // set, as a form does after loading them (unit and sign take effect at the next refresh).
    void Loaded() { Refresh(); }

    QLabel* CaptionLabel() const { return Label1; }
    QLabel* ValueLabel() const { return Label2; }

    std::function<void(TLBar& sender)> OnValueChange;

protected:
    void Changed() override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refresh();
    void AdoptParent();
    void LayoutLabels();
    QString ValueLabelText() const;

    QPointer<QLabel> Label1;
    QPointer<QLabel> Label2;
    int32_t FLabelSpacing = 0;
    float FValue = 0;
    int32_t _mult = 0;
    std::string f_unit;
    int32_t FPrec = 0;
    float FMaxValue = 0;
    float FMinValue = 0;
    bool FShowSign = false;
};
