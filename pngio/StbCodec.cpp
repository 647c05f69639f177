#include "pngio/StbCodec.h"

#include <cstdlib>

#include "pngio/PngCodec.h"

// Only the PNG decoder, no file access and no failure strings: the strings of
// stb_image live in a shared static buffer, which several threads decoding at once
// would race on.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS (1 << 24)
#define STBI_MALLOC(size) pngio::detail::LimitedMalloc(size)
#define STBI_REALLOC(p, size) pngio::detail::LimitedRealloc(p, size)
#define STBI_FREE(p) std::free(p)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"

#define STBI_WRITE_NO_STDIO
#define STBIW_MALLOC(size) pngio::detail::LimitedMalloc(size)
#define STBIW_REALLOC(p, size) pngio::detail::LimitedRealloc(p, size)
#define STBIW_FREE(p) std::free(p)
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

namespace pngio::detail {

void* LimitedMalloc(size_t size) {
    return size > kMaxAllocation ? nullptr : std::malloc(size == 0 ? 1 : size);
}

void* LimitedRealloc(void* p, size_t size) {
    return size > kMaxAllocation ? nullptr : std::realloc(p, size == 0 ? 1 : size);
}

uint8_t* StbDecode(const uint8_t* data, int size, int components, int* width, int* height) {
    int channelsInFile = 0;
    return stbi_load_from_memory(data, size, width, height, &channelsInFile, components);
}

void StbFree(void* pixels) {
    stbi_image_free(pixels);
}

namespace {
struct SinkState {
    StbSink sink;
    void* context;
    bool ok;
};

void WriteThrough(void* context, void* data, int size) {
    auto* state = static_cast<SinkState*>(context);
    if (state->ok && size > 0) {
        state->ok = state->sink(state->context, data, static_cast<size_t>(size));
    }
}
}  // namespace

bool StbEncode(const uint8_t* pixels, int width, int height, int components, StbSink sink, void* context) {
    SinkState state{sink, context, true};
    const int ok = stbi_write_png_to_func(WriteThrough, &state, width, height, components, pixels, width * components);
    return ok != 0 && state.ok;
}

}  // namespace pngio::detail
