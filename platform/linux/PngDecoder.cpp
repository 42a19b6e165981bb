// PNG decoding through cairo's reader, into the toolkit's pixel layout.
#include "platform/Capacities.hpp"
#include "platform/Image.hpp"

#include <cairo.h>
#include <cstring>

namespace quovent::platform {
namespace {

struct Reader {
    std::span<const unsigned char> data;
    std::size_t pos = 0;
};

cairo_status_t readChunk(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<Reader*>(closure);
    if (r->data.size() - r->pos < length) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, r->data.data() + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

std::uint32_t bigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

std::shared_ptr<const Image> decodePng(std::span<const unsigned char> data) {
    // Signature and header chunk first: a header claiming a huge picture is refused before
    // the decoder allocates for it.
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() < 33 || std::memcmp(data.data(), kSignature, 8) != 0 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0) {
        return nullptr;
    }
    const std::uint32_t w = bigEndian32(data.data() + 16);
    const std::uint32_t h = bigEndian32(data.data() + 20);
    const auto limit = static_cast<std::uint32_t>(capacity::kImageSide);
    if (w == 0 || h == 0 || w > limit || h > limit) {
        return nullptr;
    }
    Reader reader{data};
    cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(readChunk, &reader);
    if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(decoded);
        return nullptr;
    }
    const int width = cairo_image_surface_get_width(decoded);
    const int height = cairo_image_surface_get_height(decoded);
    auto image = std::make_shared<Image>(width, height);
    if (image->empty()) {
        cairo_surface_destroy(decoded);
        return nullptr;
    }
    // Paint whatever format the reader chose onto our ARGB32 layout.
    cairo_surface_t* target =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(image->pixels()),
                                            CAIRO_FORMAT_ARGB32, width, height, image->stride());
    cairo_t* cr = cairo_create(target);
    cairo_set_source_surface(cr, decoded, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_finish(target);
    cairo_surface_destroy(target);
    cairo_surface_destroy(decoded);
    return image;
}

} // namespace quovent::platform
