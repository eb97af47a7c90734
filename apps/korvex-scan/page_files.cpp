// Writing pages as TIFF (libtiff), PNG (libpng) and BMP files, each through a
// temporary file that is renamed when complete.
#include "apps/korvex-scan/page_files.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#if defined(KORVEX_SCAN_HAVE_TIFF)
#include <tiffio.h>
#endif
#if defined(KORVEX_SCAN_HAVE_PNG)
#include <png.h>
#endif

namespace {

constexpr double kMetresPerInch = 0.0254;

std::string TemporaryName(const std::string& path) { return path + ".part"; }

std::string SystemError(int code) { return code != 0 ? std::strerror(code) : "write failed"; }

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

// Renames the finished temporary file into place.
bool Publish(const std::string& temporary, const std::string& path, std::string& error) {
    std::error_code code;
    std::filesystem::rename(temporary, path, code);
    if (!code) return true;
    error = path + ": " + code.message();
    RemoveQuietly(temporary);
    return false;
}

// Closes a stdio file and tells whether every byte reached it.
bool CloseChecked(std::FILE* file, int& code) {
    errno = 0;
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    if (!flushed) code = errno;
    const bool closed = std::fclose(file) == 0;
    if (flushed && !closed) code = errno;
    return flushed && closed;
}

void PutLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t PixelsPerMetre(double dpi) { return static_cast<uint32_t>(std::lround(dpi / kMetresPerInch)); }

// BITMAPFILEHEADER, BITMAPINFOHEADER and a gray palette that gives the samples
// their meaning, then bottom-up rows padded to 4 bytes.
bool WriteBmp(const ScannedPage& page, std::FILE* file, int& code, std::string& reason) {
    const uint32_t colors = 1u << page.bitsPerPixel;
    const uint64_t stride = (uint64_t{page.width} * page.bitsPerPixel + 31) / 32 * 4;
    const uint64_t pixelsAt = 14 + 40 + 4 * uint64_t{colors};
    const uint64_t fileSize = pixelsAt + stride * page.length;
    if (fileSize > UINT32_MAX || page.width > INT32_MAX || page.length > INT32_MAX) {
        reason = "the page is too large for a BMP file";
        return false;
    }
    std::vector<uint8_t> head;
    head.push_back('B');
    head.push_back('M');
    PutLittle(head, static_cast<uint32_t>(fileSize), 4);
    PutLittle(head, 0, 4);
    PutLittle(head, static_cast<uint32_t>(pixelsAt), 4);
    PutLittle(head, 40, 4);
    PutLittle(head, page.width, 4);
    PutLittle(head, page.length, 4);
    PutLittle(head, 1, 2);
    PutLittle(head, page.bitsPerPixel, 2);
    PutLittle(head, 0, 4);  // BI_RGB
    PutLittle(head, static_cast<uint32_t>(stride * page.length), 4);
    PutLittle(head, PixelsPerMetre(page.xResolution), 4);
    PutLittle(head, PixelsPerMetre(page.yResolution), 4);
    PutLittle(head, colors, 4);
    PutLittle(head, 0, 4);
    for (uint32_t i = 0; i < colors; ++i) {
        const uint32_t rising = i * 255 / (colors - 1);
        const auto level = static_cast<uint8_t>(page.minIsWhite ? 255 - rising : rising);
        head.insert(head.end(), {level, level, level, 0});
    }
    bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size();
    std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
    const uint32_t rowBytes = page.BytesPerRow();
    for (uint32_t line = page.length; ok && line-- > 0;) {
        std::memcpy(row.data(), page.data.data() + size_t{line} * rowBytes, rowBytes);
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    if (!ok) code = errno;
    return ok;
}

#if defined(KORVEX_SCAN_HAVE_PNG)
struct PngErrorState {
    std::string message;
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    static_cast<PngErrorState*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Everything libpng may leave by longjmp, so no object with a destructor
// lives here: gray of 1, 4 or 8 bits with the physical resolution. PNG's gray
// is 0 black, so white-is-zero samples are inverted on the way.
bool WritePngRows(png_structp png, png_infop info, std::FILE* file, const ScannedPage& page, uint8_t* row) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, page.width, page.length, page.bitsPerPixel, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, PixelsPerMetre(page.xResolution), PixelsPerMetre(page.yResolution),
                 PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (page.minIsWhite) png_set_invert_mono(png);
    const uint32_t rowBytes = page.BytesPerRow();
    for (uint32_t line = 0; line < page.length; ++line) {
        // libpng may transform the row in place.
        std::memcpy(row, page.data.data() + size_t{line} * rowBytes, rowBytes);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

bool WritePng(const ScannedPage& page, std::FILE* file, int& code, std::string& reason) {
    PngErrorState state;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        reason = "no memory for the PNG writer";
        return false;
    }
    std::vector<uint8_t> row(page.BytesPerRow());
    errno = 0;
    const bool ok = WritePngRows(png, info, file, page, row.data());
    if (!ok) {
        // A failed write says more than libpng's "Write Error".
        code = errno;
        reason = code != 0 ? SystemError(code) : state.message;
    }
    png_destroy_write_struct(&png, &info);
    return ok;
}
#endif

#if defined(KORVEX_SCAN_HAVE_TIFF)
// libtiff's messages go into the error of the page being written.
std::string TiffMessage;

void OnTiffError(const char* module, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    TiffMessage = module != nullptr ? std::string(module) + ": " + text : text;
}

// A stdio file under libtiff that refuses every write and seek once one write
// has failed: after a full disk nothing is patched into the pages already in
// the file, whose directory chain stays intact.
struct TiffStream {
    std::FILE* file;
    bool failed;
    int code;
};

tmsize_t TiffRead(thandle_t handle, void* buffer, tmsize_t size) {
    auto* stream = static_cast<TiffStream*>(handle);
    return static_cast<tmsize_t>(std::fread(buffer, 1, static_cast<size_t>(size), stream->file));
}

tmsize_t TiffWrite(thandle_t handle, void* buffer, tmsize_t size) {
    auto* stream = static_cast<TiffStream*>(handle);
    if (stream->failed) return -1;
    errno = 0;
    const size_t written = std::fwrite(buffer, 1, static_cast<size_t>(size), stream->file);
    if (written != static_cast<size_t>(size)) {
        stream->failed = true;
        stream->code = errno;
        return -1;
    }
    return size;
}

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<TiffStream*>(handle);
    if (stream->failed || offset > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
    if (std::fseek(stream->file, static_cast<long>(offset), whence) != 0) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(std::ftell(stream->file));
}

int TiffClose(thandle_t) { return 0; }

toff_t TiffSize(thandle_t handle) {
    auto* stream = static_cast<TiffStream*>(handle);
    const long at = std::ftell(stream->file);
    std::fseek(stream->file, 0, SEEK_END);
    const long size = std::ftell(stream->file);
    std::fseek(stream->file, at, SEEK_SET);
    return static_cast<toff_t>(size);
}

int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

TIFF* OpenTiff(const std::string& name, TiffStream& stream) {
    TIFFSetErrorHandler(OnTiffError);
    TIFFSetWarningHandler(nullptr);
    return TIFFClientOpen(name.c_str(), "w", &stream, TiffRead, TiffWrite, TiffSeek, TiffClose,
                          TiffSize, TiffMap, TiffUnmap);
}

// One directory: the page's tags, then its rows or its coded bytes as they
// came (T.4 options as the coder used them, FillOrder 1).
bool WriteTiffPage(TIFF* tiff, const ScannedPage& page, bool multiPage) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.length);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, page.bitsPerPixel);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(page.xResolution));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(page.yResolution));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_SOFTWARE, "korvex-scan");
    if (multiPage) {
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tiff, TIFFTAG_PAGENUMBER, page.number - 1, 0);
    }
    if (page.compression != TWCP_NONE) {
        if (page.compression == TWCP_GROUP4) {
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
            TIFFSetField(tiff, TIFFTAG_GROUP4OPTIONS, 0);
        } else {
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
            TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS,
                         page.compression == TWCP_GROUP32D ? GROUP3OPT_2DENCODING : 0);
        }
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, page.length);
        auto* coded = const_cast<uint8_t*>(page.data.data());
        if (TIFFWriteRawStrip(tiff, 0, coded, static_cast<tmsize_t>(page.data.size())) < 0) return false;
    } else {
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
        const uint32_t rowBytes = page.BytesPerRow();
        std::vector<uint8_t> row(rowBytes);
        for (uint32_t line = 0; line < page.length; ++line) {
            std::memcpy(row.data(), page.data.data() + size_t{line} * rowBytes, rowBytes);
            if (TIFFWriteScanline(tiff, row.data(), line, 0) < 0) return false;
        }
    }
    return TIFFWriteDirectory(tiff) != 0;
}

std::string TiffFailure(const TiffStream& stream) {
    if (stream.failed) return SystemError(stream.code);
    return TiffMessage.empty() ? "libtiff could not write the page" : TiffMessage;
}
#endif

}  // namespace

const char* FileExtension(PageFormat format) {
    switch (format) {
        case PageFormat::Png: return "png";
        case PageFormat::Tiff: return "tif";
        case PageFormat::Bmp: break;
    }
    return "bmp";
}

bool FormatAvailable(PageFormat format) {
    switch (format) {
#if defined(KORVEX_SCAN_HAVE_TIFF)
        case PageFormat::Tiff: return true;
#endif
#if defined(KORVEX_SCAN_HAVE_PNG)
        case PageFormat::Png: return true;
#endif
        case PageFormat::Bmp: return true;
        default: return false;
    }
}

bool WritePageFile(const ScannedPage& page, PageFormat format, const std::string& path,
                   std::string& error) {
    if (page.compression != TWCP_NONE && format != PageFormat::Tiff) {
        error = path + ": a CCITT-coded page can only be written as TIFF";
        return false;
    }
    if (!FormatAvailable(format)) {
        error = path + ": this build cannot write ." + FileExtension(format) + " files";
        return false;
    }
    const std::string temporary = TemporaryName(path);
    int code = 0;
    std::string reason;
    bool ok = false;
#if defined(KORVEX_SCAN_HAVE_TIFF)
    if (format == PageFormat::Tiff) {
        std::FILE* file = std::fopen(temporary.c_str(), "w+b");
        if (file == nullptr) {
            error = path + ": " + SystemError(errno);
            return false;
        }
        std::setvbuf(file, nullptr, _IONBF, 0);
        TiffStream stream{file, false, 0};
        TiffMessage.clear();
        TIFF* tiff = OpenTiff(temporary, stream);
        ok = tiff != nullptr && WriteTiffPage(tiff, page, false);
        if (!ok) reason = TiffFailure(stream);
        if (tiff != nullptr) TIFFClose(tiff);
        ok = CloseChecked(file, code) && ok && !stream.failed;
        if (!ok && reason.empty()) reason = SystemError(code);
        if (ok) return Publish(temporary, path, error);
        RemoveQuietly(temporary);
        error = path + ": " + reason;
        return false;
    }
#endif
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = path + ": " + SystemError(errno);
        return false;
    }
#if defined(KORVEX_SCAN_HAVE_PNG)
    if (format == PageFormat::Png) ok = WritePng(page, file, code, reason);
#endif
    if (format == PageFormat::Bmp) ok = WriteBmp(page, file, code, reason);
    ok = CloseChecked(file, code) && ok;
    if (ok) return Publish(temporary, path, error);
    RemoveQuietly(temporary);
    error = path + ": " + (reason.empty() ? SystemError(code) : reason);
    return false;
}

MultiPageTiff::~MultiPageTiff() {
    Close();
    if (!path_.empty()) RemoveQuietly(TemporaryName(path_));
}

void MultiPageTiff::Close() {
#if defined(KORVEX_SCAN_HAVE_TIFF)
    if (tiff_ != nullptr) TIFFClose(static_cast<TIFF*>(tiff_));
    tiff_ = nullptr;
    if (stream_ != nullptr) {
        auto* stream = static_cast<TiffStream*>(stream_);
        int code = 0;
        if (!CloseChecked(stream->file, code)) failed_ = true;
        delete stream;
    }
    stream_ = nullptr;
#endif
}

bool MultiPageTiff::Append(const ScannedPage& page, const std::string& path, std::string& error) {
#if defined(KORVEX_SCAN_HAVE_TIFF)
    if (failed_) {
        error = path + ": the file could not take an earlier page";
        return false;
    }
    if (tiff_ == nullptr) {
        path_ = path;
        std::FILE* file = std::fopen(TemporaryName(path).c_str(), "w+b");
        if (file == nullptr) {
            error = path + ": " + SystemError(errno);
            failed_ = true;
            return false;
        }
        std::setvbuf(file, nullptr, _IONBF, 0);
        stream_ = new TiffStream{file, false, 0};
        TiffMessage.clear();
        tiff_ = OpenTiff(TemporaryName(path), *static_cast<TiffStream*>(stream_));
        if (tiff_ == nullptr) {
            error = path + ": " + TiffFailure(*static_cast<TiffStream*>(stream_));
            failed_ = true;
            return false;
        }
    }
    auto* stream = static_cast<TiffStream*>(stream_);
    if (!WriteTiffPage(static_cast<TIFF*>(tiff_), page, true) || stream->failed) {
        error = path + ": page " + std::to_string(page.number) + ": " + TiffFailure(*stream);
        // Nothing more reaches the file: the pages before stay as they are.
        stream->failed = true;
        failed_ = true;
        return false;
    }
    ++pages_;
    return true;
#else
    (void)page;
    error = path + ": this build cannot write .tif files";
    return false;
#endif
}

uint32_t MultiPageTiff::Finish(std::string& error) {
    Close();
    if (path_.empty()) return 0;
    const std::string path = path_;
    path_.clear();
    if (pages_ == 0) {
        RemoveQuietly(TemporaryName(path));
        return 0;
    }
    return Publish(TemporaryName(path), path, error) ? pages_ : 0;
}
