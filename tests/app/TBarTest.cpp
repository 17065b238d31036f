#include "app/TBar.h"

#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// The level slider as the main window sets it up, with its own range and decimals.
void SetUpLevelSlider(TLBar& bar, int prec, float minValue, float maxValue, bool showSign, float value)
{
    bar.SetPrec(prec);
    bar.SetMinValue(minValue);
    bar.SetMaxValue(maxValue);
    bar.Set_unit("dB");
    bar.SetShowSign(showSign);
    bar.SetValue(value);
    bar.Loaded();
}

std::string LabelText(const QLabel* label)
{
    return label->text().toStdString();
}

TEST(LBarMapping, MapsValuesOntoTheTrackBarAndLabelsThem)
{
    enum class Action { DragThumbTo, AssignValue };
    struct Case {
        const char* description;
        int prec;
        float minValue, maxValue;
        bool showSign;
        float initialValue;
        Action action;
        float argument;
        int expectedMin, expectedMax, expectedPosition;
        float expectedValue;
        const char* expectedLabel;
    };
    const Case cases[] = {
        {"dragging to -20 reads -20 dB, no sign on a negative value", 0, -60, -1, true, -1,
         Action::DragThumbTo, -20, -60, -1, -20, -20.0f, "-20 dB"},
        {"-6.02 moves the thumb to -6 and reads back -6", 0, -60, -1, true, -1,
         Action::AssignValue, -6.02f, -60, -1, -6, -6.0f, "-6 dB"},
        {"a value below MinValue becomes MinValue", 0, -60, -1, true, -1,
         Action::AssignValue, -80, -60, -1, -60, -60.0f, "-60 dB"},
        {"a value above MaxValue is kept, thumb and label stay", 0, -60, -1, true, -1,
         Action::AssignValue, 0, -60, -1, -1, 0.0f, "-1 dB"},
        {"one decimal: range 0..20, thumb 15 is +1.5", 1, 0, 2, true, 0,
         Action::DragThumbTo, 15, 0, 20, 15, 1.5f, "+1.5 dB"},
        {"one decimal without sign", 1, 0, 2, false, 0,
         Action::DragThumbTo, 15, 0, 20, 15, 1.5f, "1.5 dB"},
        {"zero takes the plus sign", 0, -5, 5, true, 1,
         Action::AssignValue, 0, -5, 5, 0, 0.0f, "+0 dB"},
        {"a tie rounds to the even step below", 0, 0, 10, false, 0,
         Action::AssignValue, 2.5f, 0, 10, 2, 2.0f, "2 dB"},
        {"a tie rounds to the even step above", 0, 0, 10, false, 0,
         Action::AssignValue, 3.5f, 0, 10, 4, 4.0f, "4 dB"},
        {"two decimals: 0.125 ties to 12 hundredths", 2, 0, 1, false, 0,
         Action::AssignValue, 0.125f, 0, 100, 12, 0.12f, "0.12 dB"},
        {"a fractional range rounds its ends to steps", 0, -2.5f, 3.5f, false, 0,
         Action::DragThumbTo, 4, -2, 4, 4, 4.0f, "4 dB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        TLBar bar;
        SetUpLevelSlider(bar, c.prec, c.minValue, c.maxValue, c.showSign, c.initialValue);
        if (c.action == Action::DragThumbTo)
            bar.setSliderPosition(int(c.argument));
        else
            bar.SetValue(c.argument);
        EXPECT_EQ(bar.Min(), c.expectedMin);
        EXPECT_EQ(bar.Max(), c.expectedMax);
        EXPECT_EQ(bar.Position(), c.expectedPosition);
        EXPECT_FLOAT_EQ(bar.Value(), c.expectedValue);
        EXPECT_EQ(LabelText(bar.ValueLabel()), c.expectedLabel);
    }
}

TEST(LBarMapping, ValueChangeFiresOncePerThumbMoveAndOncePerAssignment)
{
    struct Case {
        const char* description;
        bool drag;
        float argument;
        std::vector<float> valuesSeen;
    };
    const Case cases[] = {
        {"an assignment that moves the thumb fires twice", false, -6.02f, {-6.0f, -6.0f}},
        {"an assignment that keeps the thumb fires once", false, 0.0f, {0.0f}},
        {"dragging the thumb fires once", true, -20, {-20.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        TLBar bar;
        SetUpLevelSlider(bar, 0, -60, -1, true, -1);
        std::vector<float> valuesSeen;
        bar.OnValueChange = [&](TLBar& sender) { valuesSeen.push_back(sender.Value()); };
        if (c.drag)
            bar.setSliderPosition(int(c.argument));
        else
            bar.SetValue(c.argument);
        EXPECT_EQ(valuesSeen, c.valuesSeen);
    }
}

TEST(LBarMapping, ValueIsRefreshedBeforeTheTrackBarsOwnChangeEvent)
{
    TLBar bar;
    SetUpLevelSlider(bar, 0, -60, -1, false, -1);
    std::vector<std::string> events;
    bar.OnValueChange = [&](TLBar&) { events.push_back("value " + LabelText(bar.ValueLabel())); };
    bar.OnChange = [&](TPxTrackBar&) { events.push_back("change"); };

    bar.setSliderPosition(-30);

    EXPECT_EQ(events, (std::vector<std::string>{"value -30 dB", "change"}));
}

TEST(LBarMapping, PrecAppliesTheStoredRangeSetBeforeIt)
{
    struct Case {
        float minValue, maxValue;
        int prec;
        int expectedMin, expectedMax;
    };
    // Before Prec is set every step maps to 0; Prec then moves Max first, then Min.
    const Case cases[] = {
        {20, 30, 1, 200, 300},
        {-30, -20, 0, -30, -20},
        {-60, -1, 0, -60, -1},
    };
    for (const Case& c : cases) {
        TLBar bar;
        bar.SetMinValue(c.minValue);
        bar.SetMaxValue(c.maxValue);
        EXPECT_EQ(bar.Min(), 0);
        EXPECT_EQ(bar.Max(), 0);
        bar.SetPrec(c.prec);
        EXPECT_EQ(bar.Min(), c.expectedMin) << c.minValue << ".." << c.maxValue;
        EXPECT_EQ(bar.Max(), c.expectedMax) << c.minValue << ".." << c.maxValue;
    }
}

TEST(LBarMapping, NewSliderShowsCaptionAndReadsTheTrackBarsMaxUntilPrecIsSet)
{
    TLBar bar;
    EXPECT_EQ(bar.Caption(), "Caption");
    EXPECT_EQ(LabelText(bar.CaptionLabel()), "Caption");
    EXPECT_EQ(bar.Max(), 10);
    EXPECT_FLOAT_EQ(bar.Value(), 10.0f);
    EXPECT_EQ(bar.TickMarks(), TTickMark::tmBoth);
    EXPECT_EQ(bar.TickStyle(), TTickStyle::tsNone);
    EXPECT_FALSE(bar.ShowSign());
}

TEST(LBarMapping, CaptionSetsTheLabelAndTheAccessibleName)
{
    TLBar bar;
    bar.SetCaption(" ");
    EXPECT_EQ(bar.Caption(), " ");
    EXPECT_EQ(LabelText(bar.CaptionLabel()), " ");
    EXPECT_EQ(bar.AccessibleName(), " ");
}

TEST(LBarMapping, ValueLabelUsesTheUsersDecimalSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TLBar bar;
    SetUpLevelSlider(bar, 1, 0, 2000, false, 1234.5f);
    const std::string label = LabelText(bar.ValueLabel());
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(label, "1234,5 dB");
}

TEST(LBarErrors, RejectsBadNumbersWithoutChangingAnything)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TLBar bar;
    SetUpLevelSlider(bar, 0, -60, -1, true, -20);

    EXPECT_THROW(bar.SetValue(nan), EInvalidOp);
    EXPECT_THROW(bar.SetMinValue(nan), EInvalidOp);
    EXPECT_THROW(bar.SetMaxValue(nan), EInvalidOp);
    EXPECT_THROW(bar.SetPrec(-1), ERangeError);
    EXPECT_THROW(bar.SetPrec(10), ERangeError);

    EXPECT_FLOAT_EQ(bar.Value(), -20.0f);
    EXPECT_FLOAT_EQ(bar.MinValue(), -60.0f);
    EXPECT_FLOAT_EQ(bar.MaxValue(), -1.0f);
    EXPECT_EQ(bar.Prec(), 0);
    EXPECT_EQ(bar.Position(), -20);
    EXPECT_EQ(bar.Min(), -60);
    EXPECT_EQ(bar.Max(), -1);
    EXPECT_EQ(LabelText(bar.ValueLabel()), "-20 dB");
}

TEST(LBarErrors, InfiniteValuesStopAtTheEnds)
{
    TLBar bar;
    SetUpLevelSlider(bar, 0, -60, -1, false, -20);
    bar.SetValue(-std::numeric_limits<float>::infinity());
    EXPECT_EQ(bar.Position(), -60);
    EXPECT_FLOAT_EQ(bar.Value(), -60.0f);
    bar.SetValue(std::numeric_limits<float>::infinity());
    EXPECT_EQ(bar.Position(), -1);
    EXPECT_FLOAT_EQ(bar.Value(), -1.0f);
}

TEST(LBarLayout, LabelsSitBesideTheSliderAtTheSpacing)
{
    for (int spacing : {0, 6}) {
        SCOPED_TRACE(spacing);
        QWidget window;
        TLBar bar(&window);
        bar.SetCaption("Level");
        SetUpLevelSlider(bar, 0, -60, -1, true, -1);
        bar.SetLabelSpacing(spacing);
        bar.setGeometry(161, 8, 207, 17);
        window.show();

        const QLabel& caption = *bar.CaptionLabel();
        const QLabel& value = *bar.ValueLabel();
        const int dy = 17 / 2 - caption.height() / 2 - 2;
        EXPECT_EQ(caption.parentWidget(), &window);
        EXPECT_EQ(value.parentWidget(), &window);
        EXPECT_TRUE(caption.isVisible());
        EXPECT_TRUE(value.isVisible());
        EXPECT_EQ(caption.x() + caption.width(), 161 - spacing);
        EXPECT_EQ(caption.y(), 8 + dy);
        EXPECT_EQ(value.x(), 161 + 207 + spacing);
        EXPECT_EQ(value.y(), 8 + dy);

        // A longer caption grows to the left; the value label grows to the right.
        bar.SetCaption("Minimum level");
        bar.setSliderPosition(-20);
        EXPECT_EQ(caption.x() + caption.width(), 161 - spacing);
        EXPECT_EQ(value.x(), 161 + 207 + spacing);
    }
}

TEST(LBarLayout, LabelsFollowTheSliderIntoALaterParentAndDieWithIt)
{
    QWidget window;
    auto* bar = new TLBar;
    EXPECT_EQ(bar->CaptionLabel()->parentWidget(), bar);
    EXPECT_TRUE(bar->CaptionLabel()->isHidden());

    bar->setParent(&window);
    const QPointer<QLabel> caption = bar->CaptionLabel();
    const QPointer<QLabel> value = bar->ValueLabel();
    EXPECT_EQ(caption->parentWidget(), &window);
    EXPECT_EQ(value->parentWidget(), &window);
    EXPECT_TRUE(caption->isVisibleTo(&window));
    EXPECT_TRUE(value->isVisibleTo(&window));

    delete bar;
    EXPECT_TRUE(caption.isNull());
    EXPECT_TRUE(value.isNull());
}

class TBarMouse : public ::testing::Test {
protected:
    void SetUp() override
    {
        FWindow.resize(300, 60);
        FBar = new TTBar(&FWindow);
        FBar->setGeometry(10, 10, 207, 17);
        FWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindow));
    }

    QWidget FWindow;
    TTBar* FBar = nullptr;  // owned by FWindow
};

TEST_F(TBarMouse, ButtonsAndMovesFireTheirEventsWithPositionAndEmptyShiftState)
{
    std::vector<std::string> events;
    auto record = [&](const char* name) {
        return [this, &events, name](TTBar& sender, TMouseButton button, TShiftState shift, int x, int y) {
            EXPECT_EQ(&sender, FBar);
            EXPECT_EQ(button, TMouseButton::mbLeft);
            EXPECT_EQ(shift, 0);
            events.push_back(std::string(name) + " " + std::to_string(x) + "," + std::to_string(y));
        };
    };
    FBar->OnMouseDown = record("down");
    FBar->OnMouseUp = record("up");
    FBar->OnMouseRight = [&](TTBar& sender) {
        EXPECT_EQ(&sender, FBar);
        events.push_back("right");
    };
    FBar->OnMouseMove = [&](TTBar&, TShiftState shift, int x, int y) {
        EXPECT_EQ(shift, 0);
        events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };

    QTest::mouseMove(FBar, QPoint(30, 8));
    QTest::mousePress(FBar, Qt::LeftButton, Qt::ShiftModifier, QPoint(40, 9));
    QTest::mouseRelease(FBar, Qt::LeftButton, Qt::ShiftModifier, QPoint(41, 9));
    QTest::mousePress(FBar, Qt::RightButton, {}, QPoint(50, 9));
    QTest::mouseRelease(FBar, Qt::RightButton, {}, QPoint(50, 9));

    EXPECT_EQ(events, (std::vector<std::string>{"move 30,8", "down 40,9", "up 41,9", "right"}));
}

TEST_F(TBarMouse, HandledWheelKeepsTheThumbStillAndUnhandledWheelMovesIt)
{
    struct Seen {
        TShiftState shift = 0;
        int wheelDelta = 0;
        QPoint mousePos;
    } seen;
    bool handle = true;
    FBar->OnMouseWheel = [&](TTBar&, TShiftState shift, int wheelDelta, QPoint mousePos, bool& handled) {
        seen = {shift, wheelDelta, mousePos};
        handled = handle;
    };
    const QPoint local(20, 8);
    const QPoint global = FBar->mapToGlobal(local);
    auto turnWheel = [&] {
        QWheelEvent wheel(local, global, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ShiftModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(FBar, &wheel);
    };

    turnWheel();
    EXPECT_EQ(FBar->Position(), 0);
    EXPECT_EQ(seen.shift, ssShift);
    EXPECT_EQ(seen.wheelDelta, 120);
    EXPECT_EQ(seen.mousePos, global);

    handle = false;
    turnWheel();
    EXPECT_GT(FBar->Position(), 0);
}

}  // namespace
