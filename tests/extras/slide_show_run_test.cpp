// The transition thread's body pairs every before-transition call with an
// after-transition call, even when a stop lands before the body's first step.
#include <gtest/gtest.h>

#include "viewer/extras/slideshow/slide_show.h"

namespace {

int s_nAfterCalls;

void CountAfter(CSlideShow*)
{
    ++s_nAfterCalls;
}

} // namespace

TEST(SlideShowRun, AStopBeforeTheFirstStepStillRunsTheAfterHandler)
{
    CSlideShow* pShow = CSlideShow::GetInstance();
    ASSERT_NE(nullptr, pShow);
    pShow->SetAfterTransitionHandler(CountAfter);
    pShow->StopShow();
    s_nAfterCalls = 0;

    // The body as the thread would run it after the stop: nothing to play.
    EXPECT_EQ((DWORD)-1, pShow->Run());
    EXPECT_EQ(1, s_nAfterCalls);
    pShow->SetAfterTransitionHandler(nullptr);
}
