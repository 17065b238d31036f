#include "app/PxAccessibleControls.h"

#include <QAccessible>
#include <QLabel>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/TBar.h"

namespace {

QAccessibleInterface& AccessibleOf(QWidget& widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&widget);
    EXPECT_NE(accessible, nullptr);
    return *accessible;
}

QString AccessibleText(QWidget& widget, QAccessible::Text type)
{
    return AccessibleOf(widget).text(type);
}

TEST(PxTrackBarAccessibility, ReportsTheAssociatedLabelsTextAsNameElseTheAccessibleName)
{
    struct Case {
        const char* description;
        bool associateLabel;
        const char* labelText;
        const char* accessibleName;
        const char* expectedName;
    };
    const Case cases[] = {
        {"no label: the accessible name", false, "", "Level", "Level"},
        {"no label and no name: empty", false, "", "", ""},
        {"label: its text wins over the name", true, "Minimum level", "Level", "Minimum level"},
        {"label with empty text: empty, not the name", true, "", "Level", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        QWidget window;
        QLabel label(QString::fromUtf8(c.labelText), &window);
        TPxTrackBar bar(&window);
        bar.SetAccessibleName(c.accessibleName);
        if (c.associateLabel)
            bar.SetAssociateLabel(&label);
        EXPECT_EQ(AccessibleText(bar, QAccessible::Name).toStdString(), c.expectedName);
    }
}

TEST(PxTrackBarAccessibility, NameFallsBackToTheAccessibleNameOnceTheLabelIsDestroyed)
{
    QWidget window;
    auto* label = new QLabel("Level label", &window);
    TPxTrackBar bar(&window);
    bar.SetAccessibleName("Level");
    bar.SetAssociateLabel(label);
    EXPECT_EQ(AccessibleText(bar, QAccessible::Name), "Level label");

    delete label;

    EXPECT_EQ(bar.AssociateLabel(), nullptr);
    EXPECT_EQ(AccessibleText(bar, QAccessible::Name), "Level");
}

TEST(PxTrackBarAccessibility, ValueIsThePositionAsDecimalTextPassedThroughTheHandler)
{
    TPxTrackBar bar;
    bar.SetMin(-60);
    bar.SetMax(-1);
    bar.SetPosition(-20);
    EXPECT_EQ(AccessibleText(bar, QAccessible::Value), "-20");

    TPxTrackBar* sender = nullptr;
    std::string handedIn;
    bar.OnGetAccessibleValue = [&](TPxTrackBar& from, std::string& value) {
        sender = &from;
        handedIn = value;
        value += " decibels";
    };
    EXPECT_EQ(AccessibleText(bar, QAccessible::Value), "-20 decibels");
    EXPECT_EQ(sender, &bar);
    EXPECT_EQ(handedIn, "-20");

    bar.SetPosition(-7);
    EXPECT_EQ(AccessibleText(bar, QAccessible::Value), "-7 decibels");
}

TEST(PxTrackBarAccessibility, IsASliderLeafWithDescriptionAndNumericValueButNoActions)
{
    TPxTrackBar bar;
    bar.SetAccessibleDescription("Tones below this level are ignored");
    bar.SetMin(-60);
    bar.SetMax(-1);
    bar.SetPosition(-26);
    QAccessibleInterface& accessible = AccessibleOf(bar);

    EXPECT_EQ(accessible.role(), QAccessible::Slider);
    EXPECT_EQ(accessible.text(QAccessible::Description), "Tones below this level are ignored");
    EXPECT_EQ(accessible.text(QAccessible::Help), "");
    EXPECT_EQ(accessible.childCount(), 0);
    EXPECT_EQ(accessible.actionInterface(), nullptr);

    QAccessibleValueInterface* value = accessible.valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), -26);
    EXPECT_EQ(value->minimumValue().toInt(), -60);
    EXPECT_EQ(value->maximumValue().toInt(), -1);
    value->setCurrentValue(-10);
    EXPECT_EQ(bar.Position(), -26) << "screen readers read the position but do not set it";
}

TEST(PxTrackBarAccessibility, ReportsFocusedOnlyWhileFocusedAndItsScreenRectangle)
{
    QWidget window;
    window.setGeometry(40, 50, 441, 141);
    TPxTrackBar bar(&window);
    bar.setGeometry(161, 8, 207, 17);
    QLabel other("other", &window);
    other.setFocusPolicy(Qt::StrongFocus);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    other.setFocus();
    EXPECT_FALSE(AccessibleOf(bar).state().focused);
    bar.setFocus();
    EXPECT_TRUE(AccessibleOf(bar).state().focused);
    EXPECT_TRUE(AccessibleOf(bar).state().focusable);

    EXPECT_EQ(AccessibleOf(bar).rect(), QRect(bar.mapToGlobal(QPoint(0, 0)), QSize(207, 17)));
}

TEST(PxTrackBarAccessibility, DerivedSlidersGetTheSameInterfaceWithTheCaptionAsName)
{
    TLBar bar;
    bar.SetCaption("Minimum level");
    EXPECT_EQ(AccessibleOf(bar).role(), QAccessible::Slider);
    EXPECT_EQ(AccessibleText(bar, QAccessible::Name), "Minimum level");
}

TEST(PxTrackBarLook, ThumbLengthSetsTheHandleWidth)
{
    TPxTrackBar bar;
    bar.resize(207, 17);
    EXPECT_EQ(bar.ThumbLength(), 20);
    bar.SetThumbLength(15);

    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar.Min();
    option.maximum = bar.Max();
    option.sliderPosition = bar.Position();
    option.sliderValue = bar.Position();
    const QRect handle =
        bar.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &bar);
    EXPECT_EQ(handle.width(), 15);
}

TEST(PxTrackBarLook, TickMarksAndStyleChooseWhereTicksAreDrawn)
{
    struct Case {
        TTickMark marks;
        TTickStyle style;
        QSlider::TickPosition expected;
    };
    const Case cases[] = {
        {TTickMark::tmBottomRight, TTickStyle::tsAuto, QSlider::TicksBelow},
        {TTickMark::tmTopLeft, TTickStyle::tsAuto, QSlider::TicksAbove},
        {TTickMark::tmBoth, TTickStyle::tsAuto, QSlider::TicksBothSides},
        {TTickMark::tmBoth, TTickStyle::tsNone, QSlider::NoTicks},
    };
    for (const Case& c : cases) {
        TPxTrackBar bar;
        bar.SetTickStyle(c.style);
        bar.SetTickMarks(c.marks);
        EXPECT_EQ(bar.tickPosition(), c.expected) << int(c.marks) << "/" << int(c.style);
    }
}

}  // namespace
