#pragma once
// The framework's picture control: a graphic control that draws its picture at its
// top-left corner, and can take the picture's size.

#include "lumen/graphics/DibBitmap.h"
#include "ui/Control.h"

namespace ui {

class Image : public GraphicControl {
public:
    explicit Image(WinControl& parent);
    const char* ClassName() const override { return "TImage"; }

    // The picture; after changing it in place call PictureChanged.
    lumen::DibBitmap& Picture() { return m_picture; }
    // Copies `picture` in and repaints.
    void SetPicture(const lumen::Bitmap& picture);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    // Sets the size to the picture's, at the same position.
    void AdjustSize();

    void Paint(Canvas& canvas) override;

protected:
    // The picture changed: size it when auto-sized, then repaint.
    virtual void PictureChanged();

private:
    static void OnPictureChange(void* self, lumen::Bitmap&);

    lumen::DibBitmap m_picture;
    bool m_autoSize = false;
};

// Loads a BMP file into `bitmap` (32 bits stay 32, anything else becomes 24);
// throws FileOpenError when it cannot be read.
void LoadBitmapFile(const std::string& path, lumen::DibBitmap& bitmap);

}  // namespace ui
