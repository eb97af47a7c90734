// The three coders. libpng and libjpeg report errors by longjmp: every object
// with a destructor is made before the jump point.
#include "escl/page_documents.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>

namespace escl {

namespace {

constexpr int kJpegQuality = 85;
constexpr double kMetresPerInch = 0.0254;
constexpr double kPointsPerInch = 72.0;
// Bounds a page must keep for its document to be made at all.
constexpr uint32_t kMaxSide = 100000;

// The page's rows as the documents carry them: 8 bits per gray sample, or
// 1 bit per pixel with 0 black, most significant bit first; top-down.
struct DocumentRows {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bits = 8;
    uint32_t bytesPerRow = 0;
    std::vector<uint8_t> data;
};

bool EncodePng(const DocumentRows& rows, const ScannedPage& page, std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(
        png, &out,
        [](png_structp writer, png_bytep bytes, png_size_t size) {
            auto* sink = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(writer));
            sink->insert(sink->end(), bytes, bytes + size);
        },
        nullptr);
    png_set_IHDR(png, info, rows.width, rows.height, rows.bits, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, static_cast<png_uint_32>(page.xResolution / kMetresPerInch + 0.5),
                 static_cast<png_uint_32>(page.yResolution / kMetresPerInch + 0.5), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (uint32_t row = 0; row < rows.height; ++row) {
        png_write_row(png, rows.data.data() + size_t{row} * rows.bytesPerRow);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

bool EncodeJpeg(const DocumentRows& rows, const ScannedPage& page, std::vector<uint8_t>& out) {
    // Black and white pages become 8-bit samples first.
    std::vector<uint8_t> line(rows.width);
    jpeg_compress_struct jpeg{};
    JpegError error{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = [](j_common_ptr common) {
        std::longjmp(reinterpret_cast<JpegError*>(common->err)->jump, 1);
    };
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&jpeg);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&jpeg);
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = rows.width;
    jpeg.image_height = rows.height;
    jpeg.input_components = 1;
    jpeg.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, kJpegQuality, TRUE);
    jpeg.density_unit = 1;  // dots per inch
    jpeg.X_density = static_cast<UINT16>(page.xResolution + 0.5);
    jpeg.Y_density = static_cast<UINT16>(page.yResolution + 0.5);
    jpeg.write_JFIF_header = TRUE;
    jpeg_start_compress(&jpeg, TRUE);
    while (jpeg.next_scanline < jpeg.image_height) {
        const uint8_t* source = rows.data.data() + size_t{jpeg.next_scanline} * rows.bytesPerRow;
        if (rows.bits == 1) {
            for (uint32_t x = 0; x < rows.width; ++x) {
                line[x] = (source[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
            }
            source = line.data();
        }
        JSAMPROW row = const_cast<JSAMPROW>(source);
        jpeg_write_scanlines(&jpeg, &row, 1);
    }
    jpeg_finish_compress(&jpeg);
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&jpeg);
    std::free(buffer);
    return true;
}

cairo_status_t AppendPdf(void* closure, const unsigned char* bytes, unsigned int size) {
    auto* sink = static_cast<std::vector<uint8_t>*>(closure);
    sink->insert(sink->end(), bytes, bytes + size);
    return CAIRO_STATUS_SUCCESS;
}

uint8_t ReversedBits(uint8_t byte) {
    byte = static_cast<uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = static_cast<uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    return static_cast<uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
}

// One page of the size the scan covers: gray samples as an image, black and
// white pixels as a mask painted black on white.
bool EncodePdf(const DocumentRows& rows, const ScannedPage& page, std::vector<uint8_t>& out) {
    const bool bilevel = rows.bits == 1;
    cairo_surface_t* image = cairo_image_surface_create(bilevel ? CAIRO_FORMAT_A1 : CAIRO_FORMAT_RGB24,
                                                        static_cast<int>(rows.width), static_cast<int>(rows.height));
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return false;
    }
    cairo_surface_flush(image);
    unsigned char* pixels = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (uint32_t y = 0; y < rows.height; ++y) {
        const uint8_t* source = rows.data.data() + size_t{y} * rows.bytesPerRow;
        unsigned char* target = pixels + size_t{y} * static_cast<size_t>(stride);
        if (bilevel) {
            // A1 holds opaque (black) pixels as set bits in the machine's bit order.
            std::memset(target, 0, static_cast<size_t>(stride));
            for (uint32_t i = 0; i < rows.bytesPerRow; ++i) {
                uint8_t black = static_cast<uint8_t>(~source[i]);
                if (i == rows.bytesPerRow - 1 && rows.width % 8 != 0) {
                    black = static_cast<uint8_t>(black & (0xFF << (8 - rows.width % 8)));
                }
                target[i] = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ReversedBits(black) : black;
            }
        } else {
            auto* argb = reinterpret_cast<uint32_t*>(target);
            for (uint32_t x = 0; x < rows.width; ++x) {
                const uint32_t level = source[x];
                argb[x] = 0xFF000000u | level << 16 | level << 8 | level;
            }
        }
    }
    cairo_surface_mark_dirty(image);
    const double widthPoints = rows.width * kPointsPerInch / page.xResolution;
    const double heightPoints = rows.height * kPointsPerInch / page.yResolution;
    cairo_surface_t* pdf = cairo_pdf_surface_create_for_stream(AppendPdf, &out, widthPoints, heightPoints);
    cairo_t* cr = cairo_create(pdf);
    cairo_scale(cr, kPointsPerInch / page.xResolution, kPointsPerInch / page.yResolution);
    if (bilevel) {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_mask_surface(cr, image, 0, 0);
    } else {
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_paint(cr);
    }
    cairo_show_page(cr);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_finish(pdf);
    const bool finished = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(pdf);
    cairo_surface_destroy(image);
    return drawn && finished;
}

bool RowsOfPage(const ScannedPage& page, DocumentRows& rows, std::string& error) {
    if (page.compression != TWCP_NONE) {
        error = "the page is CCITT coded";
        return false;
    }
    if (page.width == 0 || page.length == 0 || page.width > kMaxSide || page.length > kMaxSide ||
        (page.bitsPerPixel != 1 && page.bitsPerPixel != 4 && page.bitsPerPixel != 8) ||
        page.data.size() != size_t{page.BytesPerRow()} * page.length || page.xResolution < 1 ||
        page.yResolution < 1) {
        error = "the page has no size, another depth or data of another length";
        return false;
    }
    rows.width = page.width;
    rows.height = page.length;
    rows.bits = page.bitsPerPixel == 1 ? 1 : 8;
    rows.bytesPerRow = rows.bits == 1 ? page.BytesPerRow() : page.width;
    rows.data.resize(size_t{rows.bytesPerRow} * rows.height);
    const uint32_t sourceRow = page.BytesPerRow();
    for (uint32_t y = 0; y < rows.height; ++y) {
        const uint8_t* source = page.data.data() + size_t{y} * sourceRow;
        uint8_t* target = rows.data.data() + size_t{y} * rows.bytesPerRow;
        if (page.bitsPerPixel == 1) {
            // The document's 1 is white; the page's is white unless minIsWhite.
            for (uint32_t i = 0; i < sourceRow; ++i) {
                target[i] = page.minIsWhite ? static_cast<uint8_t>(~source[i]) : source[i];
            }
        } else {
            for (uint32_t x = 0; x < rows.width; ++x) {
                uint32_t level = page.bitsPerPixel == 8 ? source[x] : ((source[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF) * 17u;
                if (page.minIsWhite) level = 255 - level;
                target[x] = static_cast<uint8_t>(level);
            }
        }
    }
    return true;
}

}  // namespace

bool EncodePage(const ScannedPage& page, DocumentFormat format, std::vector<uint8_t>& document,
                std::string& error) {
    DocumentRows rows;
    if (!RowsOfPage(page, rows, error)) return false;
    document.clear();
    bool ok = false;
    switch (format) {
        case DocumentFormat::Png: ok = EncodePng(rows, page, document); break;
        case DocumentFormat::Jpeg: ok = EncodeJpeg(rows, page, document); break;
        case DocumentFormat::Pdf: ok = EncodePdf(rows, page, document); break;
    }
    if (!ok) error = std::string("the ") + MimeTypeOf(format) + " coder failed";
    return ok;
}

}  // namespace escl
