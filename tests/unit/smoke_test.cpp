#include <gtest/gtest.h>
#include "message_boxes.h"
TEST(Smoke, RecordsMessageBoxes) {
    MessageBoxRecorder recorder({IDNO});
    int answer = MessageBoxW(nullptr, L"終了しますか？", L"Glimra Ver 3.00", MB_ICONQUESTION | MB_YESNO);
    EXPECT_EQ(IDNO, answer);
    ASSERT_EQ(1u, recorder.boxes().size());
    EXPECT_EQ(L"終了しますか？", recorder.boxes()[0].text);
    EXPECT_EQ(BoxIcon::Question, recorder.boxes()[0].icon);
    EXPECT_EQ(2u, recorder.boxes()[0].buttons.size());
}
