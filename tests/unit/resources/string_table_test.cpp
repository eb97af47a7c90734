// The module's string table against the texts the data source shows: every
// id below is one the source loads, with the exact text (misspellings, line
// breaks and trailing blanks included). The table is kept apart from
// korvex32.rc on purpose, so that an edit of either shows up here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/platform.h"

namespace {

struct QuotedString {
    uint32_t id;
    const char* text;
};

// id, text
constexpr QuotedString kQuotedStrings[] = {
    {0, "Tessaly Scanning Equipment"},
    {1, "Orvantica High Speed Scanner"},
    {3, "July.23.1998"},
    {4, "3"},
    {5, "30"},
    {2000, "Business Card"},
    {2001, "Letter"},
    {2002, "Legal"},
    {2003, "A4"},
    {2004, "A5"},
    {2005, "A6"},
    {2006, "B4"},
    {2007, "B5"},
    {2008, "B6"},
    {2068, "Black & White"},
    {2069, "Gray Scale 8 bit"},
    {2070, "Gray Scale 4 bit"},
    {2071, "100 DPI"},
    {2072, "150 DPI"},
    {2073, "200 DPI"},
    {2074, "240 DPI"},
    {2075, "300 DPI"},
    {2076, "None (Binary)"},
    {2077, "Bayer Dither 64"},
    {2078, "Bayer Dither 16"},
    {2079, "Halftone Dot 32"},
    {2080, "Halftone Dot 64"},
    {2081, "Error Diffusion"},
    {2087, "None"},
    {2088, "Smooth"},
    {2089, "Low"},
    {2090, "Medium"},
    {2091, "High"},
    {2092, "From White Stick"},
    {2093, "From Paper"},
    {2094, "Automatic"},
    {2095, "None"},
    {2096, "Mode 1"},
    {2097, "Mode 2"},
    {2098, "Mode 3"},
    {2099, "Normal"},
    {2100, "For CRT"},
    {2102, "None"},
    {2103, "1x1"},
    {2104, "2x2"},
    {2105, "3x3"},
    {2106, "4x4"},
    {2107, "5x5"},
    {2108, "Front Areas"},
    {2109, "Back Areas"},
    {3000, "No sense !"},
    {3001, "Scanner is not ready."},
    {3002, "Scanner is becoming ready."},
    {3003, "Scanner Door is open! Please close the door."},
    {3004, "Scanner Door is open! Please close the door."},
    {3005, "No Paper !"},
    {3006, "Jam ocuured. Please open the door and remove the paper."},
    {3007, "Jam ocuured. Please open the door and remove the paper."},
    {3008, "Jam ocuured. Please open the door and remove the paper."},
    {3009, "Paper exists in Scanner yet.\nPlease open the door and remove the paper."},
    {3010, "Parameter error occured in Scanner."},
    {3011, "DMA error ocuured in Scanner."},
    {3012, "Command error ocuured in Scanner."},
    {3013, "RAM error occured in Scanner."},
    {3014, "EEPROM error occured in Scanner."},
    {3015, "SCSI parity error occured."},
    {3016, "Short of light within regular temperature. Lamp may be broken."},
    {3017, "Paper Detect error occured."},
    {3018, "Short of light out of regular temperature."},
    {3019, "Hopper error occured."},
    {3021, "Paper detect sensor error occured."},
    {3022, "Parameter List Length error occured."},
    {3023, "Scanner received invalid command operation code."},
    {3024, "Scanner detected invalid field in command descriptor block."},
    {3025, "Logical unit is not supported."},
    {3026, "Scanner detected invalid field in parameter list."},
    {3027, "Too many windows was specified."},
    {3028, "Invalid Combination of windows was specified."},
    {3029, "Short of memory to read the current area."},
    {3030, "No Back Unit !"},
    {3031, "Scanner detected invalid bits in identifiy massage."},
    {3032, "Unit attention !"},
    {3033, "Synchronous Data Transfer error occured."},
    {3034, "Message error occuerd."},
    {3035, "Invalid message error occured."},
    {3037, "Image transfer error occured."},
    {3038, "Microcode downloading and saveing was failed. \nPlease call service man."},
    {3039, "EEPROM write error occured in Scanner."},
    {3040, "No Paper !"},
    {3041, "Short of Memory !"},
    {3042, "The same \"Name\" has already existed ! "},
    {3043, "Name, Width, or Length is invalid !"},
    {3044, "Click the Paper Size you want to delete !"},
    {3045, "Scanner Message"},
    {3046, "Source Message"},
    {3047, "Free Size Setting Message"},
    {3048, "Scanner Error ocurred ! \nError Code(SenseKey,ASC,ASCQ) ="},
    {3049, "Load Library error !!"},
    {3050, "GetSupportInfo Adress error !!"},
    {3051, "GetASPICommand Adress error !!"},
    {3052, "No ASPI managers were found !!"},
    {3053, "ASPI for Windows does not support this mode !!"},
    {3054, "An ASPI manager which does not support Windows is resident !!"},
    {3055, "ASPI for Windows is not initialized !!"},
    {3056, "No Target Device !!"},
    {3057, "Scanner is busy."},
    {3058, "Letter"},
    {3059, "Orvantica DX Series (32 bit)"},
    {3060, "Set"},
    {3062, "Orvantica TWAIN Driver (32bit)"},
    {3063, "A3"},
    {3064, "360 DPI"},
    {3065, "400 DPI"},
    {3068, "Starting Number is over the limit or it is used besides a number.\n(Range 0 - 9999999)"},
    {3069, "Step Number is over the limit or it is used besides a number.\n(Range 0 - 9)"},
    {3070, "Printing Offset is over the limit or it is used besides a number."},
    {3071, "Endorser String include invalid charcter or invalid escape sequence."},
    {3072, "Endorser String is over 72 charcters. "},
    {3073, "Scanner Door is open! Please close the door."},
    {3075, "Scanner Door is open! Please close the door."},
    {3076, "Jam ocuured. Please open the door and remove the paper."},
    {3077, "Jam ocuured. Please open the door and remove the paper."},
    {3078, "Jam ocuured. Please open the door and remove the paper."},
    {3079, "Jam ocuured. Please open the door and remove the paper."},
    {3080, "Skew error occured!!"},
    {3081, "Minimum Media error!!"},
    {3082, "Media Length error!!"},
    {3083, "Double Feed error!!"},
    {3084, "Barcode error!!"},
    {3085, "Internal Communication error."},
    {3086, "Deskew error."},
    {3087, "No numbering unit."},
    {3088, "Pointer position error."},
    {3089, "Invalid Wait time values.\n(Range: 1 - 300)"},
    {3090, "Now Waiting."},
    {3091, "Please set the paper."},
    {3092, "Now Scanning."},
    {3093, "Please Wait!"},
    {3094, "Invalid Image data Transfer mode error."},
    {3095, "Ledger"},
    {3096, "Setting Error Message"},
};

std::string Load(uint32_t id) {
    char buffer[1024];
    const int length = plat::LoadResString(id, buffer, static_cast<int>(sizeof buffer));
    return std::string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

TEST(StringTable, TableIsOrderedAndUnique) {
    for (size_t i = 1; i < std::size(kQuotedStrings); ++i)
        EXPECT_LT(kQuotedStrings[i - 1].id, kQuotedStrings[i].id) << "row " << i;
    EXPECT_EQ(std::size(kQuotedStrings), 141u);
}

TEST(StringTable, EveryQuotedTextLoadsExactly) {
    for (const QuotedString& row : kQuotedStrings)
        EXPECT_EQ(Load(row.id), row.text) << "string " << row.id;
}

TEST(StringTable, HoldsNothingBeyondTheQuotedTexts) {
    std::set<uint32_t> quoted;
    for (const QuotedString& row : kQuotedStrings) quoted.insert(row.id);
    for (uint32_t id = 0; id < 5000; ++id) {
        if (quoted.count(id) != 0) continue;
        EXPECT_EQ(Load(id), "") << "string " << id << " is not one the source uses";
    }
}

}  // namespace
