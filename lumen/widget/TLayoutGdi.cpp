#include "lumen/widget/TLayoutGdi.h"

namespace lumen {

void CopyBackgroundRect(HDC canvas, DibBitmap& bitmap, const Rect& rect) {
    bitmap.SetPixelFormat(PixelFormat::Bgr24);
    bitmap.SetSize(0, 0);
    bitmap.SetSize(rect.Width(), rect.Height());
    BitmapCanvas target(bitmap);
    if (target.Dc() == nullptr || canvas == nullptr) {
        return;
    }
    BitBlt(target.Dc(), 0, 0, rect.Width(), rect.Height(), canvas, rect.left, rect.top, SRCCOPY);
}

}  // namespace lumen
