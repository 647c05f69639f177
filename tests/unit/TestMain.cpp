// Test entry point shared by the unit test programs: every user-visible message and
// every assertion of the class library is observed instead of shown.
#include <gtest/gtest.h>

#include "tests/unit/ReportRecorder.h"

namespace testutil {

ReportRecorder& Recorder() {
    static ReportRecorder recorder;
    return recorder;
}

namespace {
class FreshRecorder : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { Recorder().messages.clear(); }
};
}  // namespace

}  // namespace testutil

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    lumen::SetReportSink(&testutil::Recorder());
    testing::UnitTest::GetInstance()->listeners().Append(new testutil::FreshRecorder);
    return RUN_ALL_TESTS();
}
