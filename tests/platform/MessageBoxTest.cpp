#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/RecordingMessageBoxPresenter.h"

namespace {

TEST(MessageBoxTest, DefaultPresenterWritesCaptionAndTextToStandardError)
{
    ::testing::internal::CaptureStderr();
    const int result = MessageBox(0, "Report window handle is not valid.", "Error", MB_OK | MB_ICONERROR);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Report window handle is not valid.\n");
    EXPECT_EQ(result, IDOK);
}

TEST(MessageBoxTest, RecorderKeepsBoxesFromAnyThreadAndRestoresThePreviousPresenter)
{
    {
        RecordingMessageBoxPresenter recorder;
        EXPECT_EQ(MessageBox(7, "first", "Error", MB_ICONERROR), IDOK);
        std::thread([] { MessageBox(0, "second", "Warning", MB_ICONWARNING); }).join();
        const auto boxes = recorder.Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].owner, 7u);
        EXPECT_EQ(boxes[0].text, "first");
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].flags, MB_ICONERROR);
        EXPECT_EQ(boxes[1].text, "second");
    }
    ::testing::internal::CaptureStderr();
    MessageBox(0, "after", "Info", MB_ICONINFORMATION);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Info: after\n");
}

}  // namespace
