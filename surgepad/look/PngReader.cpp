#include "surgepad/look/PngReader.h"

#include "lumen/core/Report.h"
#include "lumen/graphics/Dpi.h"
#include "lumen/graphics/PixelOps.h"
#include "lumen/graphics/PngRows.h"
#include "lumen/graphics/Resample.h"
#include "lumen/widget/TLayout.h"
#include "lumen/system/ModuleEntry.h"
#include "lumen/system/ProgramFolder.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/look/ScreenPlaces.h"
#include "ui/Paths.h"

namespace surgepad {
namespace {

// An open file, read-only, closed with its owner.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile() {
        if (IsOpen()) {
            CloseHandle(m_handle);
        }
    }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

// The codec pulls the file's bytes through this.
uint32_t PNGIO_CALL ReadFromFile(void* user, void* buffer, uint32_t count) {
    auto* file = static_cast<ReadOnlyFile*>(user);
    DWORD got = 0;
    if (buffer == nullptr || !ReadFile(file->Handle(), buffer, count, &got, nullptr)) {
        return 0;
    }
    return got;
}

}  // namespace

PngManager& PngManager::Instance() {
    static PngManager* instance = new PngManager(lumen::ProgramFolder() + "pngio.dll");
    return *instance;
}

PngManager::PngManager(const std::string& libraryPath) : m_hinst(LoadLibraryA(libraryPath.c_str())) {
    LUMEN_ASSERT(m_hinst);
    m_readPngEx = lumen::ProcAddress<ReadPngExProc>(m_hinst.get(), "ReadPngEx");
    m_writePngEx = lumen::ProcAddress<WritePngExProc>(m_hinst.get(), "WritePngEx");
    m_freePngData = lumen::ProcAddress<FreePngDataProc>(m_hinst.get(), "FreePngData");
    m_allocatePngData = lumen::ProcAddress<AllocatePngDataProc>(m_hinst.get(), "AllocatePngData");
}

bool LoadPngFile(const std::string& path, lumen::Bitmap& bitmap, int dpi) {
    return LoadPngFile(PngManager::Instance(), path, bitmap, dpi);
}

namespace {

bool DecodePngFile(PngManager& codec, const std::string& path, lumen::Bitmap& bitmap) {
    bitmap.SetPixelFormat(lumen::PixelFormat::Bgra32);
    // A codec without both entries cannot read a picture without leaking it.
    if (codec.ReadPngEx() == nullptr || codec.FreePngData() == nullptr) {
        return false;
    }
    ReadOnlyFile file(path);
    if (!file.IsOpen()) {
        return false;
    }
    PngData record = {};
    if (codec.ReadPngEx()(&record, &ReadFromFile, &file) == 0) {
        return false;
    }
    const bool converted = lumen::ConvertPngRows(record, bitmap);
    codec.FreePngData()(&record);
    return converted;
}

}  // namespace

bool LoadPngFile(PngManager& codec, const std::string& path, lumen::Bitmap& bitmap, int dpi) {
    // A picture of the skin folder comes at the window's scale: from the nearest set
    // drawn for it that has the picture (a user's skin may hold the 1x pictures alone),
    // resized to the scale.
    const std::string folder = ResourceFolder();
    const bool inSkin = path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                        path.find_first_of("\\/", folder.size()) == std::string::npos;
    if (dpi <= lumen::kBaseDpi || !inSkin) {
        return DecodePngFile(codec, path, bitmap);
    }
    const std::string name = path.substr(folder.size());
    for (const int set : SkinSetsFor(dpi)) {
        lumen::PixelBuffer drawn;
        const std::string at = set == 100 ? path : folder + std::to_string(set) + "\\" + name;
        if (DecodePngFile(codec, at, drawn)) {
            lumen::ResizePicture(drawn, bitmap, SkinPixelsAt(drawn.Width(), set, dpi),
                                 SkinPixelsAt(drawn.Height(), set, dpi));
            return true;
        }
    }
    bitmap.SetPixelFormat(lumen::PixelFormat::Bgra32);
    return false;
}

void ComposePngOnBackground(const std::string& path, lumen::Bitmap& bitmap, lumen::Bitmap& background, int x, int y,
                            int dpi) {
    bitmap.SetPixelFormat(lumen::PixelFormat::Bgra32);
    (void)LoadPngFile(path, bitmap, dpi);  // a missing picture composes as whatever the bitmap held
    background.SetPixelFormat(lumen::PixelFormat::Bgra32);
    const lumen::Rect r{x, y, x + bitmap.Width(), y + bitmap.Height()};
    lumen::PixelBuffer composed;
    lumen::CopyBackgroundRect(background, composed, r);
    lumen::AlphaBlendBitmap(bitmap, composed, 255);
    bitmap.Assign(composed);
}

void ComposeOnBackground(const std::string& name, lumen::Bitmap& bitmap, lumen::Bitmap& background, int x, int y,
                         int dpi) {
    ComposePngOnBackground(ResourceFolder() + name, bitmap, background, x, y, dpi);
}

void LoadStateImages(const StateBitmaps& appearance, lumen::Bitmap& background, int x, int y, const char* raised,
                     const char* sunken, const char* focused, const char* disabled, int dpi) {
    const struct {
        lumen::Bitmap* bitmap;
        const char* name;
    } states[] = {
        {appearance.raised, raised},
        {appearance.sunken, sunken},
        {appearance.focused, focused},
        {appearance.disabled, disabled},
    };
    for (const auto& state : states) {
        if (state.bitmap != nullptr && state.name != nullptr && state.name[0] != '\0') {
            ComposeOnBackground(state.name, *state.bitmap, background, x, y, dpi);
        }
    }
}

void PrepareShadowBitmap(lumen::Bitmap& bitmap, const std::string& name, int dpi) {
    bitmap.SetPixelFormat(lumen::PixelFormat::Bgra32);
    (void)LoadPngFile(ResourceFolder() + name, bitmap, dpi);
    lumen::BlackenVisiblePixels(bitmap);
}

}  // namespace surgepad
