// The CCITT coder of builds without libtiff (the Win32 module): there is
// none, so scanners refuse compressed windows.
#include "vscanner/ccitt_coder.h"

namespace vscan {

bool CcittCoderAvailable() { return false; }

bool EncodeCcittPage(uint8_t, uint8_t, uint32_t, uint32_t, const BilevelLineSource&,
                     std::vector<uint8_t>& coded, std::string& error) {
    coded.clear();
    error = "this build has no CCITT coder";
    return false;
}

}  // namespace vscan
