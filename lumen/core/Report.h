#pragma once
// The one road by which the class library and the program speak to the user:
// modal message boxes for faults, and the assertion convention of the class library
// (message box "Assertion failed: COND, file F, line N" captioned with the
// executable's name, then the end of the process).
//
// In the program the boxes are real and modal. Tests put a ReportSink in place and
// observe every message instead of meeting a blocking dialog.

#include <string>

namespace lumen {

class ReportSink {
public:
    virtual ~ReportSink() = default;
    // A message box with a single OK button and no owner window.
    virtual void Message(const std::string& text, const std::string& caption) = 0;
    // A failed precondition. The process ends after this returns; a test sink may
    // throw instead to keep its process.
    virtual void AssertionFailed(const std::string& text, const std::string& caption) = 0;
};

// Shows a modal message box (or hands it to the installed sink).
void ShowMessage(const std::string& text, const std::string& caption);

// Reports "Assertion failed: COND, file FILE, line LINE" and ends the process.
[[noreturn]] void AssertionFailed(const char* condition, const char* file, int line);

// Installs a sink (nullptr restores the platform's message boxes); returns the previous one.
ReportSink* SetReportSink(ReportSink* sink);

// The text an assertion shows; also used by tests.
std::string AssertionText(const char* condition, const char* file, int line);

}  // namespace lumen

#define LUMEN_ASSERT(cond) ((cond) ? static_cast<void>(0) : ::lumen::AssertionFailed(#cond, __FILE__, __LINE__))
// For a check whose code differs from the condition the user is shown (casts, for one).
#define LUMEN_ASSERT_AS(cond, text) ((cond) ? static_cast<void>(0) : ::lumen::AssertionFailed(text, __FILE__, __LINE__))
