// The message table and ShowScannerMessage.
#include "scanner/scanner_messages.h"

#include <cstdio>
#include <cstring>

// Columns: message code (key, ASC, ASCQ), string id of the text.
const MessageRow MessageTable[kMessageRowCount + 1] = {
    {0x000000, 3000},
    {0x020000, 3001},
    {0x020401, 3002},
    {0x020480, 3003},
    {0x020481, 3004},
    {0x020482, 3073},
    {0x020483, 3075},
    {0x033A00, 3005},
    {0x038001, 3006},
    {0x038002, 3007},
    {0x038003, 3008},
    {0x038004, 3009},
    {0x038006, 3076},
    {0x038007, 3077},
    {0x038008, 3078},
    {0x038009, 3079},
    {0x03800A, 3080},
    {0x03800B, 3081},
    {0x03800C, 3082},
    {0x03800D, 3083},
    {0x03800E, 3084},
    {0x040880, 3010},
    {0x040881, 3011},
    {0x040882, 3012},
    {0x040883, 3085},
    {0x044480, 3013},
    {0x044481, 3014},
    {0x044700, 3015},
    {0x048001, 3016},
    {0x048002, 3017},
    {0x048003, 3018},
    {0x048004, 3019},
    {0x048005, 3021},
    {0x048006, 3086},
    {0x051A00, 3022},
    {0x052000, 3023},
    {0x052400, 3024},
    {0x052500, 3025},
    {0x052600, 3026},
    {0x052C01, 3027},
    {0x052C02, 3028},
    {0x052C80, 3029},
    {0x052C81, 3030},
    {0x052C82, 3087},
    {0x052C83, 3088},
    {0x053D00, 3031},
    {0x062900, 3032},
    {0x0B1B00, 3033},
    {0x0B4300, 3034},
    {0x0B4900, 3035},
    {0x0B8001, 3037},
    {0x040C80, 3038},
    {0x048101, 3039},
    {0xFF0000, 3040},
    {0xFF0001, 3041},
    {0xFF0002, 3049},
    {0xFF0003, 3050},
    {0xFF0004, 3051},
    {0xFF0005, 3052},
    {0xFF0006, 3053},
    {0xFF0007, 3054},
    {0xFF0008, 3055},
    {0xFF0009, 3056},
    {0xFF000A, 3057},
    {0xFF0100, 3042},
    {0xFF0101, 3043},
    {0xFF0102, 3044},
    {0xFF0203, 3068},
    {0xFF0204, 3069},
    {0xFF0205, 3070},
    {0xFF0206, 3071},
    {0xFF0207, 3072},
    {0xFF0208, 3089},
    {0xFF0209, 3094},
    {0, 0},
};

namespace {

uint32_t FindMessageString(uint32_t code) {
    for (const MessageRow* row = MessageTable; row->stringId != 0; ++row) {
        if (row->code == code) return row->stringId;
    }
    return 0;
}

uint32_t CaptionFor(uint8_t key, uint8_t asc) {
    if (key != kSourceMessageKey) return kStrScannerCaption;
    if (asc == kSourceGroup) return kStrSourceCaption;
    if (asc == kSettingGroup) return kStrSettingCaption;
    return kStrFreeSizeCaption;
}

}  // namespace

void ComposeScannerMessage(uint8_t key, uint8_t asc, uint8_t ascq, char (&text)[kMessageTextSize],
                           char (&caption)[kMessageCaptionSize]) {
    text[0] = '\0';
    caption[0] = '\0';
    const uint32_t stringId = FindMessageString(MessageCode(key, asc, ascq));
    if (stringId != 0) {
        plat::LoadResString(stringId, text, kMessageTextSize);
    } else {
        plat::LoadResString(kStrGenericScannerError, text, kMessageTextSize);
        char codeText[24];
        std::snprintf(codeText, sizeof codeText, "%.1x, %.2x, %.2x H", static_cast<unsigned>(key),
                      static_cast<unsigned>(asc), static_cast<unsigned>(ascq));
        const size_t used = std::strlen(text);
        std::snprintf(text + used, sizeof text - used, "%s", codeText);
    }
    plat::LoadResString(CaptionFor(key, asc), caption, kMessageCaptionSize);
}

void ShowScannerMessage(plat::WindowHandle owner, uint8_t key, uint8_t asc, uint8_t ascq) {
    char text[kMessageTextSize];
    char caption[kMessageCaptionSize];
    ComposeScannerMessage(key, asc, ascq, text, caption);
    plat::ShowMessageBox(owner, text, caption, kMessageBoxStyle);
}
