#pragma once
// TPxTrackBar: the integer track bar (a horizontal QSlider) made visible to screen readers through
// Qt's accessibility framework, which AT-SPI carries to Linux screen readers. Like every widget it
// is created, used and freed on the main thread.
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <functional>
#include <memory>
#include <string>

class TrackBarStyle;

// Where tick marks go, and whether any are drawn (tsNone draws none, tsAuto one per step).
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum class TTickStyle { tsNone, tsAuto };

// Reports to screen readers: name (the associated label's text if one is set, else
// AccessibleName), value (Position as decimal text, passed through OnGetAccessibleValue),
// description, role slider, state focused while it has the keyboard focus, and its screen
// rectangle. Assistive tools read the value but cannot set it, and it offers no children or
// actions. Qt's accessibility cache owns the interface and frees it with the control.
class TPxTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TPxTrackBar(QWidget* parent = nullptr);
    ~TPxTrackBar() override;

    // Range and thumb position in track bar steps (default 0..10 at 0). Setting Min above Max
    // raises Max to it and setting Max below Min lowers Min; Position is clamped into [Min, Max].
    int Min() const { return minimum(); }
    void SetMin(int min) { setMinimum(min); }
    int Max() const { return maximum(); }
    void SetMax(int max) { setMaximum(max); }
    int Position() const { return value(); }
    void SetPosition(int position) { setValue(position); }

    // Length of the thumb along the groove, pixels (default 20).
    int ThumbLength() const;
    void SetThumbLength(int lengthPx);
    TTickMark TickMarks() const { return FTickMarks; }
    void SetTickMarks(TTickMark tickMarks);
    TTickStyle TickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle tickStyle);

    const std::string& AccessibleName() const { return FAccessibleName; }
    void SetAccessibleName(const std::string& name);
    const std::string& AccessibleDescription() const { return FAccessibleDescription; }
    void SetAccessibleDescription(const std::string& description);
    // Not owned; a label that is destroyed is forgotten (the name falls back to AccessibleName).
    QLabel* AssociateLabel() const { return FAssociateLabel; }
    void SetAssociateLabel(QLabel* label);

    // May rewrite the value text a screen reader is given (UTF-8, passed in and out).
    std::function<void(TPxTrackBar& sender, std::string& value)> OnGetAccessibleValue;
    // Fired after every change of Position, by the user or by code.
    std::function<void(TPxTrackBar& sender)> OnChange;

protected:
    // The track bar's change notification; overrides run their own work, then this.
    virtual void Changed();

private:
    void ApplyTicks();
    void NotifyNameChanged();

    std::string FAccessibleName;
    std::string FAccessibleDescription;
    QPointer<QLabel> FAssociateLabel;
    TTickMark FTickMarks = TTickMark::tmBottomRight;
    TTickStyle FTickStyle = TTickStyle::tsAuto;
    std::unique_ptr<TrackBarStyle> FStyle;  // set as this widget's style; outlives its use
};
