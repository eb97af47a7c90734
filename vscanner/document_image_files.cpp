// Image documents decoded by libpng (PNG) and libtiff (TIFF, every page).
// Colour and alpha become intensity over white paper.
#include "vscanner/document_image.h"

#include <png.h>
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace vscan {

namespace {

// Larger images are refused rather than risk sizes that overflow.
constexpr uint64_t kMaxImagePixels = uint64_t{1} << 28;
constexpr double kMinImageResolution = 10;
constexpr double kMaxImageResolution = 100000;

std::string Named(const std::string& path, const std::string& what) {
    return "image file \"" + path + "\": " + what;
}

bool SizeAcceptable(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width * height <= kMaxImagePixels;
}

// libpng's messages are not printed: a file that fails is reported by the
// simplified reader's message.
void QuietPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietPngWarning(png_structp, png_const_charp) {}

// The pixel density PNG's pHYs chunk records, in dots per inch; 0 when none.
void PngResolution(FILE* file, double& xResolution, double& yResolution) {
    xResolution = yResolution = 0;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietPngError, QuietPngWarning);
    if (png == nullptr) return;
    png_infop info = png_create_info_struct(png);
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_uint_32 x = 0, y = 0;
        int unit = 0;
        if (png_get_pHYs(png, info, &x, &y, &unit) != 0 && unit == PNG_RESOLUTION_METER) {
            xResolution = x * 0.0254;
            yResolution = y * 0.0254;
        }
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
}

bool LoadPng(const std::string& path, std::vector<std::shared_ptr<DocumentImage>>& pages, std::string& error) {
    auto image = std::make_shared<DocumentImage>();
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        PngResolution(file, image->xResolution, image->yResolution);
        std::fclose(file);
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        error = Named(path, png.message);
        return false;
    }
    if (!SizeAcceptable(png.width, png.height)) {
        png_image_free(&png);
        error = Named(path, "the image is empty or too large");
        return false;
    }
    png.format = PNG_FORMAT_GRAY;
    image->width = png.width;
    image->height = png.height;
    image->intensity.resize(static_cast<size_t>(png.width) * png.height);
    png_color white{255, 255, 255};
    if (png_image_finish_read(&png, &white, image->intensity.data(), 0, nullptr) == 0) {
        error = Named(path, png.message);
        png_image_free(&png);
        return false;
    }
    pages.push_back(image);
    return true;
}

int CollectTiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    *static_cast<std::string*>(user) = text;
    return 1;
}

int IgnoreTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

double TiffResolution(TIFF* tiff, ttag_t tag, uint16_t unit) {
    float value = 0;
    if (TIFFGetField(tiff, tag, &value) != 1 || value <= 0) return 0;
    if (unit == RESUNIT_CENTIMETER) return value * 2.54;
    return unit == RESUNIT_INCH ? value : 0;
}

bool LoadTiffPage(TIFF* tiff, DocumentImage& image, std::string& message) {
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    if (!SizeAcceptable(width, height)) {
        message = "a page is empty or too large";
        return false;
    }
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    image.xResolution = TiffResolution(tiff, TIFFTAG_XRESOLUTION, unit);
    image.yResolution = TiffResolution(tiff, TIFFTAG_YRESOLUTION, unit);
    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    if (TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0) != 1) {
        if (message.empty()) message = "a page cannot be decoded";
        return false;
    }
    image.width = width;
    image.height = height;
    image.intensity.resize(raster.size());
    for (size_t i = 0; i < raster.size(); ++i) {
        const uint32_t pixel = raster[i];
        const uint32_t gray = (TIFFGetR(pixel) * 299 + TIFFGetG(pixel) * 587 + TIFFGetB(pixel) * 114) / 1000;
        const uint32_t alpha = TIFFGetA(pixel);
        image.intensity[i] = static_cast<uint8_t>((gray * alpha + 255 * (255 - alpha) + 127) / 255);
    }
    return true;
}

bool LoadTiff(const std::string& path, std::vector<std::shared_ptr<DocumentImage>>& pages, std::string& error) {
    std::string message;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        error = Named(path, "out of memory");
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, CollectTiffError, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreTiffWarning, nullptr);
    TIFF* tiff = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    if (tiff == nullptr) {
        error = Named(path, message.empty() ? "cannot be opened as TIFF" : message);
        return false;
    }
    bool ok = true;
    do {
        auto image = std::make_shared<DocumentImage>();
        ok = LoadTiffPage(tiff, *image, message);
        if (ok) pages.push_back(image);
    } while (ok && TIFFReadDirectory(tiff) == 1);
    TIFFClose(tiff);
    if (!ok) error = Named(path, "page " + std::to_string(pages.size() + 1) + ": " + message);
    return ok;
}

}  // namespace

bool ImageFilesSupported() { return true; }

bool LoadDocumentPages(const std::string& path, std::vector<DocumentPage>& pages,
                       std::string& error) {
    pages.clear();
    // Only regular files: a device or pipe named by mistake could block.
    std::error_code status;
    if (std::filesystem::exists(path, status) && !std::filesystem::is_regular_file(path, status)) {
        error = Named(path, "is not a regular file");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = Named(path, "cannot be opened");
        return false;
    }
    unsigned char signature[4] = {};
    in.read(reinterpret_cast<char*>(signature), sizeof signature);
    in.close();
    std::vector<std::shared_ptr<DocumentImage>> images;
    bool ok = false;
    if (signature[0] == 0x89 && signature[1] == 'P' && signature[2] == 'N' && signature[3] == 'G') {
        ok = LoadPng(path, images, error);
    } else if ((signature[0] == 'I' && signature[1] == 'I') || (signature[0] == 'M' && signature[1] == 'M')) {
        ok = LoadTiff(path, images, error);
    } else {
        error = Named(path, "is neither a PNG nor a TIFF file");
    }
    if (!ok) return false;
    for (const std::shared_ptr<DocumentImage>& image : images) {
        // A resolution no document has counts as none recorded.
        for (double* resolution : {&image->xResolution, &image->yResolution})
            if (*resolution < kMinImageResolution || *resolution > kMaxImageResolution) *resolution = 0;
        if (image->xResolution <= 0)
            image->xResolution = image->yResolution > 0 ? image->yResolution : kDefaultImageResolution;
        if (image->yResolution <= 0) image->yResolution = image->xResolution;
        pages.push_back(image);
    }
    return true;
}

}  // namespace vscan
