#pragma once
// Observes the class library's message boxes and assertions in tests.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "lumen/core/Report.h"

namespace testutil {

struct ReportedMessage {
    std::string text;
    std::string caption;
    bool operator==(const ReportedMessage&) const = default;
};

inline void PrintTo(const ReportedMessage& m, std::ostream* os) {
    *os << "{\"" << m.text << "\", caption \"" << m.caption << "\"}";
}

// Thrown in place of ending the process when a precondition fails.
struct AssertionFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ReportRecorder : public lumen::ReportSink {
public:
    void Message(const std::string& text, const std::string& caption) override { messages.push_back({text, caption}); }
    void AssertionFailed(const std::string& text, const std::string& /*caption*/) override {
        throw AssertionFailure(text);
    }
    std::vector<ReportedMessage> messages;
};

// The text of the assertion a call fires, or "" when it fires none.
template <class F>
std::string AssertionOf(F&& call) {
    try {
        call();
    } catch (const AssertionFailure& e) {
        return e.what();
    }
    return "";
}

// The recorder the test programs install; it is emptied before each test.
ReportRecorder& Recorder();

}  // namespace testutil
