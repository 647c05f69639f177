#pragma once
// A language file read whole, in the program's own reader rather than the system's
// profile functions: the system reads a profile file in its own code page, so a file in
// another script would come back as garbage. The texts come out as UTF-8.
//
// The encoding of a file, in this order:
//   a byte order mark: UTF-8 (EF BB BF), UTF-16 little-endian (FF FE) or big-endian (FE FF);
//   else a declaration in the file, "Encoding=" in section [Language]: "UTF-8", or a
//   code page ("1251", "CP1251", "windows-1251");
//   else UTF-8 when the whole file is valid UTF-8 beyond ASCII (saved without its mark:
//   text of a code page hardly ever is);
//   else the system's code page, as the profile functions read the file.
//
// A damaged file is read as far as it is whole, line by line: a line that is not valid
// in its encoding (an invalid or cut sequence, a zero) counts as absent, and so its text
// falls back to English; the lines around it are read.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace surgepad {

enum class TextEncoding { Utf8, Utf16Le, Utf16Be, CodePage };

struct FileEncoding {
    TextEncoding kind = TextEncoding::CodePage;
    // For CodePage: the declared code page, 0 for the system's.
    unsigned codePage = 0;
    bool byteOrderMark = false;
};

// One line in a code page to UTF-8, or nothing when the line is not valid in it
// (code page 0: the system's). The Windows side answers with MultiByteToWideChar.
using CodePageDecoder = std::function<std::optional<std::string>(std::string_view line, unsigned codePage)>;

// The encoding of a file's bytes (above).
FileEncoding DetectEncoding(std::string_view bytes);
// The code page a declaration names: "1251", "CP1251", "windows-1251"; UTF-8 is 65001.
// 0 when it names none.
unsigned DeclaredCodePage(std::string_view value);

class LanguageFile {
public:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };

    // A file of no lines.
    LanguageFile() = default;
    // `decode` is asked for files in a code page only; without it those lines count as damaged.
    static LanguageFile Parse(std::string_view bytes, const CodePageDecoder& decode);

    // The value of `key` in `section` (both compared without regard to the case of A-Z,
    // the first entry counting), blanks around it removed, and one pair of quotes around
    // the whole value too, as the profile functions do.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    const FileEncoding& Encoding() const { return m_encoding; }
    // Lines left out as damaged.
    size_t DamagedLines() const { return m_damaged; }

    // Every entry read, in the order of the file.
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    void AddLine(std::string_view line, std::string& section);

    FileEncoding m_encoding;
    std::vector<Entry> m_entries;
    size_t m_damaged = 0;
};

}  // namespace surgepad
