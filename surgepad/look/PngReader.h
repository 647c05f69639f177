#pragma once
// Skin pictures: PNG files in the folder "Resource\" beside the program, decoded by
// pngio.dll into 32-bit bitmaps with straight alpha, and composed over a window's
// background picture so that skinned controls draw plain opaque bitmaps.

#include <windows.h>

#include <string>

#include "lumen/core/Handle.h"
#include "lumen/graphics/Bitmap.h"
#include "pngio/PngIo.h"
#include "ui/Paths.h"

namespace surgepad {

// The skin folder, as the window framework finds it.
using ui::ResourceFolder;

// The binding of pngio.dll: loaded once, kept to the end of the process.
class PngManager {
public:
    // The codec beside the program, created on first use and never destroyed.
    static PngManager& Instance();

    // Loads the codec at `libraryPath`; a codec that cannot be loaded is a failed
    // precondition ("m_hinst"). Entries the library lacks stay null.
    explicit PngManager(const std::string& libraryPath);
    PngManager(const PngManager&) = delete;
    PngManager& operator=(const PngManager&) = delete;

    HMODULE Library() const { return m_hinst.get(); }
    ReadPngExProc ReadPngEx() const { return m_readPngEx; }
    WritePngExProc WritePngEx() const { return m_writePngEx; }
    FreePngDataProc FreePngData() const { return m_freePngData; }
    AllocatePngDataProc AllocatePngData() const { return m_allocatePngData; }

private:
    lumen::UniqueModule m_hinst;
    ReadPngExProc m_readPngEx = nullptr;
    WritePngExProc m_writePngEx = nullptr;
    FreePngDataProc m_freePngData = nullptr;
    AllocatePngDataProc m_allocatePngData = nullptr;
};

// Loads the PNG at `path` into `bitmap` (made 32 bits a pixel first): colour type 6
// keeps its alpha (alpha 0 gives 0, 0, 0, 0), any other type is opaque. A file that
// cannot be opened or decoded gives false and leaves the bitmap's size and pixels
// as they were; callers go on with that bitmap. A picture of the skin folder comes for
// a window at `dpi`: from the nearest drawn set that has it, resized to that scale
// (at 96 DPI, or for a file elsewhere, as drawn).
bool LoadPngFile(const std::string& path, lumen::Bitmap& bitmap, int dpi);
bool LoadPngFile(PngManager& codec, const std::string& path, lumen::Bitmap& bitmap, int dpi);

// Loads the picture at `path` and blends it by its alpha over the part of
// `background` that lies under it when its top-left sits at (x, y); `bitmap` becomes
// that opaque 24-bit result; the picture is loaded for `dpi`, the background's.
void ComposePngOnBackground(const std::string& path, lumen::Bitmap& bitmap, lumen::Bitmap& background, int x, int y,
                            int dpi);
// The same for `name` in the ResourceFolder.
void ComposeOnBackground(const std::string& name, lumen::Bitmap& bitmap, lumen::Bitmap& background, int x, int y,
                         int dpi);

// The four state pictures of a skinned control (raised, sunken, focused, disabled).
struct StateBitmaps {
    lumen::Bitmap* raised = nullptr;
    lumen::Bitmap* sunken = nullptr;
    lumen::Bitmap* focused = nullptr;
    lumen::Bitmap* disabled = nullptr;
};

// ComposeOnBackground for each state whose name is given (non-null, non-empty);
// a state without a name keeps its bitmap as it was.
void LoadStateImages(const StateBitmaps& appearance, lumen::Bitmap& background, int x, int y, const char* raised,
                     const char* sunken, const char* focused, const char* disabled, int dpi);

// A drop shadow for a per-pixel alpha window: `name` from the ResourceFolder with
// every visible pixel blackened, its alpha kept (the shape and softness come from
// the alpha channel alone).
void PrepareShadowBitmap(lumen::Bitmap& bitmap, const std::string& name, int dpi);

}  // namespace surgepad
