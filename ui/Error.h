#pragma once
// The framework's exception kind. Window construction and resource loading report
// failures with it; the entry point catches it and shows the standard error box.

#include <stdexcept>
#include <string>

namespace ui {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that the framework was asked to read could not be opened or understood.
class FileOpenError : public Error {
public:
    explicit FileOpenError(const std::string& path) : Error("Cannot open file \"" + path + "\"."), m_path(path) {}
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace ui
