#pragma once
// KrImage: the framework's picture control that can blend a 32-bit picture by its
// alpha channel, and by a constant opacity on top, over whatever the parent and the
// controls below have painted behind it.

#include <cstdint>

#include "ui/Image.h"

namespace kr {

class KrImage : public ui::Image {
public:
    explicit KrImage(ui::WinControl& parent);
    const char* ClassName() const override { return "KrImage"; }

    // Blends a 32-bit picture by its alpha; other pictures are drawn opaque anyway.
    bool AlphaChannel() const { return m_alphaChannel; }
    void SetAlphaChannel(bool alphaChannel);
    // Weights the blend by AlphaValue / 255 as well.
    bool AlphaBlend() const { return m_alphaBlend; }
    void SetAlphaBlend(bool alphaBlend);
    uint8_t AlphaValue() const { return m_alphaValue; }
    void SetAlphaValue(uint8_t alphaValue);

    void Paint(ui::Canvas& canvas) override;

private:
    bool m_alphaChannel = false;
    bool m_alphaBlend = false;
    uint8_t m_alphaValue = 255;
};

}  // namespace kr
