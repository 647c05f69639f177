#include "ui/Font.h"

#include "lumen/core/WideText.h"

namespace ui {

COLORREF ColorToRgb(Color color) {
    if (color < 0) {
        return GetSysColor(static_cast<int>(static_cast<uint32_t>(color) & 0xFFu));
    }
    return static_cast<COLORREF>(color) & 0xFFFFFFu;
}

void Font::SetName(const std::string& name) {
    if (name != m_name) {
        m_name = name;
        Changed();
    }
}

void Font::SetHeight(int height) {
    if (height != m_height) {
        m_height = height;
        Changed();
    }
}

void Font::SetColor(Color color) {
    if (color != m_color) {
        m_color = color;
        Changed();
    }
}

void Font::SetBold(bool bold) {
    if (bold != m_bold) {
        m_bold = bold;
        Changed();
    }
}

void Font::SetCharset(BYTE charset) {
    if (charset != m_charset) {
        m_charset = charset;
        Changed();
    }
}

void Font::Assign(const Font& other) {
    m_name = other.m_name;
    m_height = other.m_height;
    m_color = other.m_color;
    m_bold = other.m_bold;
    m_charset = other.m_charset;
    Changed();
}

HFONT Font::Handle() const {
    if (!m_handle) {
        LOGFONTW lf = {};
        lf.lfHeight = m_height;
        lf.lfWeight = m_bold ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = m_charset;
        lf.lfQuality = DEFAULT_QUALITY;
        // A face may carry its name in its own script.
        const std::wstring face = lumen::Widen(m_name);
        lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
        m_handle.reset(CreateFontIndirectW(&lf));
    }
    return m_handle.get();
}

void Font::Changed() {
    m_handle.reset();
    OnChange(*this);
}

}  // namespace ui
