#pragma once
// What several fuzzers share: splitting one input into parts, the little-endian words
// of the file and package formats, and a report sink that keeps message boxes quiet
// while a failed precondition still ends the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lumen/core/Report.h"

namespace fuzz {

// The marker between the parts of an input that feeds several readers. Four bytes that
// no seed holds by chance; the engine learns them from the seeds.
inline constexpr std::string_view kPartMarker = "\xF0\x9F\x94\xA5";

inline std::vector<std::string_view> SplitParts(const uint8_t* data, size_t size) {
    std::vector<std::string_view> parts;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (true) {
        const size_t at = rest.find(kPartMarker);
        if (at == std::string_view::npos) {
            parts.push_back(rest);
            return parts;
        }
        parts.push_back(rest.substr(0, at));
        rest.remove_prefix(at + kPartMarker.size());
    }
}

inline std::vector<uint8_t> Bytes(std::string_view part) {
    return std::vector<uint8_t>(part.begin(), part.end());
}

inline uint32_t Word(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A finding: says what broke, then ends the run the way the engine records a crash.
[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

// Message boxes (conversion faults of hostile packages) are expected and counted;
// a failed precondition of the class library is a finding.
class QuietReports : public lumen::ReportSink {
public:
    QuietReports() { lumen::SetReportSink(this); }
    void Message(const std::string&, const std::string&) override { ++messages; }
    void AssertionFailed(const std::string& text, const std::string&) override { Fail(text); }
    size_t messages = 0;
};

}  // namespace fuzz
