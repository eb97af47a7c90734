// Image documents in builds without libpng and libtiff (the Win32 module):
// none can be loaded, so a scenario naming an image file is refused.
#include "vscanner/document_image.h"

namespace vscan {

bool ImageFilesSupported() { return false; }

bool LoadDocumentPages(const std::string& path, std::vector<DocumentPage>& pages,
                       std::string& error) {
    pages.clear();
    error = "image file \"" + path + "\": this build reads no image files";
    return false;
}

}  // namespace vscan
