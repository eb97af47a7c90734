// korvex-scan's page files: one TIFF, PNG or BMP file per page, or the pages
// of a batch in one multi-page TIFF. Every file is written under a temporary
// name beside its final one and renamed only when complete, so a failure
// leaves no file that looks complete. TIFF and PNG need libtiff and libpng
// (the Linux build); BMP, the DIB with a file header, is always there.
#pragma once

#include <cstdio>
#include <string>

#include "apps/twain_app/page_transfer.h"

enum class PageFormat { Bmp, Png, Tiff };

const char* FileExtension(PageFormat format);
// Whether this build can write the format.
bool FormatAvailable(PageFormat format);

// Writes `page` to `path`; false with `error` naming the file and the reason.
// A CCITT-coded page can only go into a TIFF, as it came.
bool WritePageFile(const ScannedPage& page, PageFormat format, const std::string& path,
                   std::string& error);

// The pages of a batch in one TIFF, each appended when it arrives. When a page
// cannot be written the file keeps the pages before it.
class MultiPageTiff {
public:
    MultiPageTiff() = default;
    MultiPageTiff(const MultiPageTiff&) = delete;
    MultiPageTiff& operator=(const MultiPageTiff&) = delete;
    ~MultiPageTiff();

    bool Append(const ScannedPage& page, const std::string& path, std::string& error);
    // Renames the file into place when it holds a page; answers the pages kept.
    uint32_t Finish(std::string& error);

private:
    void Close();

    std::string path_;
    void* tiff_ = nullptr;
    void* stream_ = nullptr;
    uint32_t pages_ = 0;
    bool failed_ = false;
};
