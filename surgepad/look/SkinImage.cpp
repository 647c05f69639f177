#include "surgepad/look/SkinImage.h"

#include "surgepad/look/PngReader.h"
#include "ui/WinControl.h"

namespace surgepad {

std::unique_ptr<kr::KrImage> CreateSkinImage(ui::WinControl& parent, const std::string& name, int x, int y) {
    auto image = std::make_unique<kr::KrImage>(parent);
    lumen::DibBitmap& picture = image->Picture();
    picture.SetPixelFormat(lumen::PixelFormat::Bgra32);
    (void)LoadPngFile(ResourceFolder() + name, picture, parent.Dpi());
    // The rows were written directly after the last size change.
    picture.Changed();
    image->SetAlphaChannel(true);
    image->SetAutoSize(true);
    image->SetPosition(x, y);
    return image;
}

}  // namespace surgepad
