#pragma once
// The framework's exception kind. Window construction and resource loading report
// failures with it; the entry point catches it and shows the standard error box.

#include <exception>
#include <string>
#include <utility>

namespace ui {

// Its message in a plain string: the library's own error classes would bring their
// second string implementation into the program (some 40 KiB).
class Error : public std::exception {
public:
    explicit Error(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
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
