// The dialog templates of korvex32.rc as the host parser reads them: each of
// the ten dialogs with its caption, size, font and frame, every control the
// dialog procedures rely on with its id, class, style and caption, and the
// arrangement of the main and free-size dialogs. Also the parser's refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/dialog_templates.h"
#include "resources/resource_ids.h"

namespace {

using plat::host::ControlTemplate;
using plat::host::DialogTemplate;
using plat::host::FindDialogTemplate;

constexpr uint32_t kPopup = 0x80000000, kVisible = 0x10000000, kCaption = 0x00C00000,
                   kSysMenu = 0x00080000, kModalFrame = 0x80, kSysModal = 0x2, kSetFont = 0x40,
                   kBorder = 0x00800000, kVScroll = 0x00200000, kChild = 0x40000000;

enum class Frame { Modeless, ModalNoClose, ModalWithClose, SystemModal, Status };

// template, caption, width, height (0: free), frame
struct DialogRow {
    const char* name;
    const char* caption;
    int cx, cy;
    Frame frame;
};
constexpr DialogRow kDialogs[] = {
    {"DC_SCANDLG", "Orvantica TWAIN Driver", 323, 167, Frame::Modeless},
    {"OPTIONBOX", "More Settings", 301, 140, Frame::ModalNoClose},
    {"OPTIONBOX961", "More Settings", 305, 181, Frame::ModalNoClose},
    {"FREESIZEBOX", "Free Paper Size", 179, 188, Frame::ModalNoClose},
    {"NUMBERINGBOX", "Endorser Parameters", 307, 109, Frame::ModalNoClose},
    {"AREABOX", "Sub Area", 213, 195, Frame::ModalNoClose},
    {"ABOUTBOX", "About", 166, 190, Frame::ModalWithClose},
    {"RYOUMENDLG", "Select scanning mode", 115, 91, Frame::SystemModal},
    {"SCANTYUDLG", "SCANNING", 0, 0, Frame::Status},
    {"WAITTYUDLG", "WAITING", 0, 0, Frame::Status},
};

enum class Kind { DefPush, Push, AutoRadio, AutoCheck, Group, Text, Edit, DropList, SortedList, HScroll, Icon, Bar };

// template, control id, kind, caption (null: not checked)
struct ControlRow {
    const char* dialog;
    int id;
    Kind kind;
    const char* caption;
};
constexpr ControlRow kControls[] = {
    {"DC_SCANDLG", 1, Kind::DefPush, "Scan"},
    {"DC_SCANDLG", 114, Kind::Push, "Free Size..."},
    {"DC_SCANDLG", 115, Kind::Push, "More..."},
    {"DC_SCANDLG", 116, Kind::Push, "About..."},
    {"DC_SCANDLG", 117, Kind::Push, "Default"},
    {"DC_SCANDLG", 2, Kind::Push, "Cancel"},
    {"DC_SCANDLG", 1020, Kind::DropList, nullptr},
    {"DC_SCANDLG", 1050, Kind::Text, "Image Type"},
    {"DC_SCANDLG", 1021, Kind::DropList, nullptr},
    {"DC_SCANDLG", 1051, Kind::Text, "Resolution"},
    {"DC_SCANDLG", 1030, Kind::DropList, nullptr},
    {"DC_SCANDLG", 1052, Kind::Text, "Paper Size"},
    {"DC_SCANDLG", IDC_PAGE_GROUP, Kind::Group, "Page"},
    {"DC_SCANDLG", 1000, Kind::AutoRadio, "1 Page"},
    {"DC_SCANDLG", 1001, Kind::AutoRadio, "All Pages"},
    {"DC_SCANDLG", IDC_SIDE_GROUP, Kind::Group, "Side"},
    {"DC_SCANDLG", 1002, Kind::AutoRadio, "Simplex"},
    {"DC_SCANDLG", 1003, Kind::AutoRadio, "Duplex"},
    {"DC_SCANDLG", 1099, Kind::Group, "Front Side Settings"},
    {"DC_SCANDLG", 1100, Kind::Group, "Back Side Settings"},
    {"DC_SCANDLG", 1013, Kind::DropList, nullptr},
    {"DC_SCANDLG", 1058, Kind::Text, "Halftone"},
    {"DC_SCANDLG", 1022, Kind::HScroll, nullptr},
    {"DC_SCANDLG", 1060, Kind::Text, "Brightness"},
    {"DC_SCANDLG", 1064, Kind::Text, "1"},
    {"DC_SCANDLG", 1067, Kind::Text, "255"},
    {"DC_SCANDLG", 1065, Kind::Text, "Darkest"},
    {"DC_SCANDLG", 1066, Kind::Text, "Lightest"},
    {"DC_SCANDLG", 1026, Kind::Edit, nullptr},
    {"DC_SCANDLG", 1023, Kind::HScroll, nullptr},
    {"DC_SCANDLG", 1061, Kind::Text, "Contrast"},
    {"DC_SCANDLG", 1069, Kind::Text, "1"},
    {"DC_SCANDLG", 1071, Kind::Text, "255"},
    {"DC_SCANDLG", 1092, Kind::Text, "Lowest"},
    {"DC_SCANDLG", 1075, Kind::Text, "Highest"},
    {"DC_SCANDLG", 1027, Kind::Edit, nullptr},
    {"DC_SCANDLG", 110, Kind::Push, "Sub Area..."},
    {"DC_SCANDLG", 1014, Kind::DropList, nullptr},
    {"DC_SCANDLG", 1059, Kind::Text, "Halftone"},
    {"DC_SCANDLG", 1024, Kind::HScroll, nullptr},
    {"DC_SCANDLG", 1028, Kind::Edit, nullptr},
    {"DC_SCANDLG", 1062, Kind::Text, "Brightness"},
    {"DC_SCANDLG", 1077, Kind::Text, "1"},
    {"DC_SCANDLG", 1079, Kind::Text, "255"},
    {"DC_SCANDLG", 1081, Kind::Text, "Darkest"},
    {"DC_SCANDLG", 1083, Kind::Text, "Lightest"},
    {"DC_SCANDLG", 1025, Kind::HScroll, nullptr},
    {"DC_SCANDLG", 1029, Kind::Edit, nullptr},
    {"DC_SCANDLG", 1063, Kind::Text, "Contrast"},
    {"DC_SCANDLG", 1085, Kind::Text, "1"},
    {"DC_SCANDLG", 1087, Kind::Text, "255"},
    {"DC_SCANDLG", 1073, Kind::Text, "Lowest"},
    {"DC_SCANDLG", 1089, Kind::Text, "Highest"},
    {"DC_SCANDLG", 111, Kind::Push, "Sub Area..."},
    {"OPTIONBOX", 1, Kind::DefPush, "OK"},
    {"OPTIONBOX", 1015, Kind::DropList, nullptr},
    {"OPTIONBOX", 1091, Kind::Text, "Automatic Threshold"},
    {"OPTIONBOX", 1016, Kind::DropList, nullptr},
    {"OPTIONBOX", 1096, Kind::Text, "White Level"},
    {"OPTIONBOX", 1017, Kind::DropList, nullptr},
    {"OPTIONBOX", 1094, Kind::Text, "Gamma"},
    {"OPTIONBOX", 1031, Kind::DropList, nullptr},
    {"OPTIONBOX", 1098, Kind::Text, "Noise Reduction"},
    {"OPTIONBOX", 1101, Kind::Group, "Front Side Settings"},
    {"OPTIONBOX", 1032, Kind::DropList, nullptr},
    {"OPTIONBOX", 1056, Kind::Text, "Image Emphasis"},
    {"OPTIONBOX", 1102, Kind::Group, "Back Side Settings"},
    {"OPTIONBOX", 1033, Kind::DropList, nullptr},
    {"OPTIONBOX", 1057, Kind::Text, "Image Emphasis"},
    {"OPTIONBOX", 1005, Kind::AutoCheck, "Detect Paper Size"},
    {"OPTIONBOX", 1006, Kind::AutoCheck, "Mirror Image"},
    {"OPTIONBOX", 1007, Kind::AutoCheck, "Reverse Image"},
    {"OPTIONBOX", 1008, Kind::AutoCheck, "Automatic Separation"},
    {"OPTIONBOX961", 1, Kind::DefPush, "OK"},
    {"OPTIONBOX961", 1015, Kind::DropList, nullptr},
    {"OPTIONBOX961", 1091, Kind::Text, "Automatic Threshold:"},
    {"OPTIONBOX961", 1016, Kind::DropList, nullptr},
    {"OPTIONBOX961", 1096, Kind::Text, "White Level:"},
    {"OPTIONBOX961", 1017, Kind::DropList, nullptr},
    {"OPTIONBOX961", 1094, Kind::Text, "Gamma:"},
    {"OPTIONBOX961", 1031, Kind::DropList, nullptr},
    {"OPTIONBOX961", 1098, Kind::Text, "Noise Reduction:"},
    {"OPTIONBOX961", 1101, Kind::Group, "Front Side Settings"},
    {"OPTIONBOX961", 1032, Kind::DropList, nullptr},
    {"OPTIONBOX961", 1056, Kind::Text, "Image Emphasis:"},
    {"OPTIONBOX961", 1102, Kind::Group, "Back Side Settings"},
    {"OPTIONBOX961", 1033, Kind::DropList, nullptr},
    {"OPTIONBOX961", 1057, Kind::Text, "Image Emphasis:"},
    {"OPTIONBOX961", 1005, Kind::AutoCheck, "Detect Paper Size"},
    {"OPTIONBOX961", 1006, Kind::AutoCheck, "Mirror Image"},
    {"OPTIONBOX961", 1007, Kind::AutoCheck, "Reverse Image"},
    {"OPTIONBOX961", 1008, Kind::AutoCheck, "Automatic Separation"},
    {"OPTIONBOX961", 1110, Kind::AutoCheck, "Detect Double Feed"},
    {"OPTIONBOX961", 1111, Kind::AutoCheck, "Manual Feed"},
    {"OPTIONBOX961", 1129, Kind::AutoCheck, "Wait till user pushes key"},
    {"OPTIONBOX961", 1115, Kind::Edit, nullptr},
    {"OPTIONBOX961", 1127, Kind::Text, "Manual Timeout:"},
    {"OPTIONBOX961", 1128, Kind::Text, "sec."},
    {"OPTIONBOX961", 1113, Kind::Push, "Endorser"},
    {"FREESIZEBOX", IDC_FREESIZE_GROUP, Kind::Group, "Free Paper Name/Size"},
    {"FREESIZEBOX", 1009, Kind::Edit, nullptr},
    {"FREESIZEBOX", 1010, Kind::Edit, nullptr},
    {"FREESIZEBOX", 1011, Kind::Edit, nullptr},
    {"FREESIZEBOX", 1108, Kind::Text, "55"},
    {"FREESIZEBOX", 1109, Kind::Text, "70"},
    {"FREESIZEBOX", 1103, Kind::Text, "216"},
    {"FREESIZEBOX", 1104, Kind::Text, "431"},
    {"FREESIZEBOX", 1012, Kind::SortedList, nullptr},
    {"FREESIZEBOX", 112, Kind::DefPush, "Add"},
    {"FREESIZEBOX", 113, Kind::Push, "Delete"},
    {"FREESIZEBOX", 2, Kind::Push, "Close"},
    {"NUMBERINGBOX", 1114, Kind::AutoCheck, "Enable Endorser"},
    {"NUMBERINGBOX", 1115, Kind::Edit, nullptr},
    {"NUMBERINGBOX", 1123, Kind::Text, "Endorser String:"},
    {"NUMBERINGBOX", 1117, Kind::Edit, nullptr},
    {"NUMBERINGBOX", 1116, Kind::Text, "Starting Number:"},
    {"NUMBERINGBOX", 1119, Kind::Edit, nullptr},
    {"NUMBERINGBOX", 1124, Kind::Text, "Step Number:"},
    {"NUMBERINGBOX", 1120, Kind::Edit, nullptr},
    {"NUMBERINGBOX", 1122, Kind::Text, "Printing Offset:"},
    {"NUMBERINGBOX", 1, Kind::DefPush, "OK"},
    {"NUMBERINGBOX", 1126, Kind::Push, "Default"},
    {"AREABOX", 1019, Kind::Text, "Front Areas"},
    {"AREABOX", 1034, Kind::DropList, nullptr},
    {"AREABOX", 1053, Kind::Text, "Halftone"},
    {"AREABOX", 1068, Kind::Group, "Area1"},
    {"AREABOX", 1035, Kind::AutoCheck, "Enable"},
    {"AREABOX", 1038, Kind::Edit, nullptr},
    {"AREABOX", 1039, Kind::Edit, nullptr},
    {"AREABOX", 1040, Kind::Edit, nullptr},
    {"AREABOX", 1041, Kind::Edit, nullptr},
    {"AREABOX", 1070, Kind::Text, nullptr},
    {"AREABOX", 1072, Kind::Text, nullptr},
    {"AREABOX", 1074, Kind::Text, nullptr},
    {"AREABOX", 1076, Kind::Text, nullptr},
    {"AREABOX", 1078, Kind::Group, "Area2"},
    {"AREABOX", 1036, Kind::AutoCheck, "Enable"},
    {"AREABOX", 1042, Kind::Edit, nullptr},
    {"AREABOX", 1043, Kind::Edit, nullptr},
    {"AREABOX", 1044, Kind::Edit, nullptr},
    {"AREABOX", 1045, Kind::Edit, nullptr},
    {"AREABOX", 1080, Kind::Text, nullptr},
    {"AREABOX", 1082, Kind::Text, nullptr},
    {"AREABOX", 1084, Kind::Text, nullptr},
    {"AREABOX", 1086, Kind::Text, nullptr},
    {"AREABOX", 1088, Kind::Group, "Area3"},
    {"AREABOX", 1037, Kind::AutoCheck, "Enable"},
    {"AREABOX", 1046, Kind::Edit, nullptr},
    {"AREABOX", 1047, Kind::Edit, nullptr},
    {"AREABOX", 1048, Kind::Edit, nullptr},
    {"AREABOX", 1049, Kind::Edit, nullptr},
    {"AREABOX", 1090, Kind::Text, nullptr},
    {"AREABOX", 1093, Kind::Text, nullptr},
    {"AREABOX", 1095, Kind::Text, nullptr},
    {"AREABOX", 1097, Kind::Text, nullptr},
    {"AREABOX", 1, Kind::DefPush, "OK"},
    {"ABOUTBOX", 1019, Kind::Icon, "TW_DS_ICO"},
    {"ABOUTBOX", 1125, Kind::Icon, "TW_961_ICO"},
    {"ABOUTBOX", IDC_ABOUT_DRIVER_GROUP, Kind::Group, "About TWAIN Driver"},
    {"ABOUTBOX", 105, Kind::Text, "I don't know."},
    {"ABOUTBOX", 106, Kind::Text, "I don't know."},
    {"ABOUTBOX", IDC_ABOUT_SCANNER_GROUP, Kind::Group, "About Scanner"},
    {"ABOUTBOX", 104, Kind::Text, "I don't know."},
    {"ABOUTBOX", 107, Kind::Text, "I don't know."},
    {"ABOUTBOX", 108, Kind::Text, "I don't know."},
    {"ABOUTBOX", 109, Kind::Text, "I don't know."},
    {"ABOUTBOX", 1, Kind::DefPush, "OK"},
    {"RYOUMENDLG", IDC_SIDE_GROUP, Kind::Group, "Side"},
    {"RYOUMENDLG", 1000, Kind::AutoRadio, "Simplex"},
    {"RYOUMENDLG", 1001, Kind::AutoRadio, "Duplex"},
    {"RYOUMENDLG", 1, Kind::DefPush, "OK"},
    {"SCANTYUDLG", 1130, Kind::Text, "Now Scanning."},
    {"SCANTYUDLG", 1131, Kind::Text, "Please Wait!"},
    {"SCANTYUDLG", 118, Kind::Bar, ""},
    {"SCANTYUDLG", 2, Kind::Push, "Cancel"},
    {"WAITTYUDLG", IDC_STATUS_LINE1, Kind::Text, "Now Waiting."},
    {"WAITTYUDLG", IDC_STATUS_LINE2, Kind::Text, "Please set the paper."},
    {"WAITTYUDLG", 2, Kind::Push, "Cancel"},
};

// template, static texts that must stand in it
struct StaticRow {
    const char* dialog;
    std::vector<const char*> texts;
};
const StaticRow kStatics[] = {
    {"FREESIZEBOX", {"Name:", "Width:", "Length:", "( Minimum  Size     :", "( Maximum Size     :", "x", ")",
                     "(Units : mm)", "Added Paper Size List:"}},
    {"AREABOX", {"(mm)"}},
    {"ABOUTBOX", {"Tessaly Scanning Equipment Co.,Ltd.", "Orvantica High Speed Scanner", "Version Number :",
                  "Version Information :", "Vendor ID :", "Products ID :", "Version :", "Current SCSI ID :"}},
    {"SCANTYUDLG", {"Orvantica High Speed Scanner"}},
    {"WAITTYUDLG", {"Orvantica High Speed Scanner"}},
};

const ControlTemplate* Find(const DialogTemplate& dialog, int id) {
    for (const ControlTemplate& control : dialog.controls)
        if (control.id == (id & 0xFFFF)) return &control;
    return nullptr;
}

::testing::AssertionResult HasKind(const ControlTemplate& c, Kind kind) {
    auto is = [&](const char* cls, uint32_t mask, uint32_t value) {
        if (c.className != cls || (c.style & mask) != value)
            return ::testing::AssertionFailure() << c.className << " style 0x" << std::hex << c.style;
        return ::testing::AssertionSuccess();
    };
    if ((c.style & (kChild | kVisible)) != (kChild | kVisible)) return ::testing::AssertionFailure() << "not a visible child";
    switch (kind) {
        case Kind::DefPush: return is("Button", 0xF, 0x1);
        case Kind::Push: return is("Button", 0xF, 0x0);
        case Kind::AutoRadio: return is("Button", 0xF, 0x9);
        case Kind::AutoCheck: return is("Button", 0xF, 0x3);
        case Kind::Group: return is("Button", 0xF, 0x7);
        case Kind::Text: return is("Static", 0x1F, c.style & 0x3);
        case Kind::Edit: return is("Edit", 0, 0);
        case Kind::DropList: return is("ComboBox", 0x3, 0x3);
        case Kind::SortedList: return is("ListBox", kVScroll | 0x2, kVScroll | 0x2);
        case Kind::HScroll: return is("ScrollBar", 0x1, 0x0);
        case Kind::Icon: return is("Static", 0x1F, 0x3);
        case Kind::Bar: return is("Static", kBorder | 0x1F, kBorder);
    }
    return ::testing::AssertionFailure();
}

TEST(DialogTemplates, TheTenDialogsWithCaptionSizeFontAndFrame) {
    EXPECT_EQ(plat::host::ModuleDialogTemplates().size(), std::size(kDialogs));
    for (const DialogRow& row : kDialogs) {
        SCOPED_TRACE(row.name);
        const DialogTemplate* dialog = FindDialogTemplate(row.name);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->caption, row.caption);
        if (row.cx != 0) {
            EXPECT_EQ(dialog->cx, row.cx);
            EXPECT_EQ(dialog->cy, row.cy);
        }
        EXPECT_EQ(dialog->fontName, "Arial");
        EXPECT_EQ(dialog->fontSize, 9);
        EXPECT_EQ(dialog->style & (kPopup | kCaption | kSetFont), kPopup | kCaption | kSetFont);
        const bool closeBox = (dialog->style & kSysMenu) != 0;
        const bool modalFrame = (dialog->style & kModalFrame) != 0;
        switch (row.frame) {
            case Frame::Modeless: EXPECT_TRUE(closeBox && !modalFrame && !(dialog->style & kVisible)); break;
            case Frame::ModalNoClose: EXPECT_TRUE(!closeBox && modalFrame); break;
            case Frame::ModalWithClose: EXPECT_TRUE(closeBox && modalFrame); break;
            case Frame::SystemModal: EXPECT_TRUE(closeBox && (dialog->style & kSysModal)); break;
            case Frame::Status: EXPECT_TRUE(!closeBox && (dialog->style & kVisible)); break;
        }
    }
}

TEST(DialogTemplates, EveryNamedControlHasItsIdClassStyleAndCaption) {
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(std::string(row.dialog) + " control " + std::to_string(row.id));
        const DialogTemplate* dialog = FindDialogTemplate(row.dialog);
        ASSERT_NE(dialog, nullptr);
        const ControlTemplate* control = Find(*dialog, row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(HasKind(*control, row.kind));
        if (row.caption != nullptr) {
            EXPECT_EQ(control->text, row.caption);
        }
        if (row.kind != Kind::Icon) {
            EXPECT_GT(control->cx, 0);
        }
        EXPECT_LE(control->x + control->cx, dialog->cx);
        // A drop-down list's height is that of its open list, which may leave the dialog.
        if (row.kind != Kind::DropList) {
            EXPECT_LE(control->y + control->cy, dialog->cy);
        }
    }
}

TEST(DialogTemplates, StaticTextsStandWhereTheyBelong) {
    for (const StaticRow& row : kStatics) {
        const DialogTemplate* dialog = FindDialogTemplate(row.dialog);
        ASSERT_NE(dialog, nullptr);
        for (const char* text : row.texts) {
            bool found = false;
            for (const ControlTemplate& control : dialog->controls)
                found = found || (control.className == "Static" && control.text == text);
            EXPECT_TRUE(found) << row.dialog << " lacks \"" << text << "\"";
        }
    }
}

TEST(DialogTemplates, ControlIdsAreUniqueWithinADialog) {
    for (const DialogTemplate& dialog : plat::host::ModuleDialogTemplates()) {
        std::vector<int> seen;
        for (const ControlTemplate& control : dialog.controls) {
            if (control.id == 0xFFFF) continue;
            for (int other : seen) EXPECT_NE(other, control.id) << dialog.name;
            seen.push_back(control.id);
        }
    }
}

TEST(DialogTemplates, SmallerMoreSettingsHasNoFeederControls) {
    const DialogTemplate* dialog = FindDialogTemplate("OPTIONBOX");
    ASSERT_NE(dialog, nullptr);
    for (int id : {1110, 1111, 1129, 1115, 1113, 1127, 1128}) EXPECT_EQ(Find(*dialog, id), nullptr) << id;
}

TEST(DialogTemplates, MainDialogArrangement) {
    const DialogTemplate& d = *FindDialogTemplate("DC_SCANDLG");
    const ControlTemplate& front = *Find(d, 1099);
    const ControlTemplate& back = *Find(d, 1100);
    EXPECT_LE(front.x + front.cx, back.x);  // front left, back right
    for (int id : {1020, 1021, 1030}) {    // general combo boxes above the front group
        EXPECT_LE(Find(d, id)->y + 12, front.y);
        EXPECT_LT(Find(d, id)->x, back.x);
    }
    for (int id : {IDC_PAGE_GROUP, IDC_SIDE_GROUP}) {  // page and side above the back group
        EXPECT_LE(Find(d, id)->y + Find(d, id)->cy, back.y);
        EXPECT_GE(Find(d, id)->x, back.x);
    }
    for (int id : {1, 2, 114, 115, 116, 117}) {  // the buttons in a column at the right edge
        EXPECT_EQ(Find(d, id)->x, Find(d, 1)->x);
        EXPECT_GE(Find(d, id)->x, back.x + back.cx);
    }
    for (int id : {1013, 1022, 1023, 1026, 1027, 110}) EXPECT_LT(Find(d, id)->x, front.x + front.cx);
    for (int id : {1014, 1024, 1025, 1028, 1029, 111}) EXPECT_GT(Find(d, id)->x, back.x);
}

TEST(DialogTemplates, RadioGroupsEndWhereTheyShould) {
    // An auto radio button unchecks the others of its group, which runs to the
    // next control with WS_GROUP: each pair must start a group and be followed by one.
    constexpr uint32_t kGroup = 0x00020000;
    for (const auto& [name, first] : std::vector<std::pair<const char*, int>>{
             {"DC_SCANDLG", 1000}, {"DC_SCANDLG", 1002}, {"RYOUMENDLG", 1000}}) {
        const DialogTemplate& d = *FindDialogTemplate(name);
        size_t i = 0;
        while (d.controls[i].id != first) ++i;
        EXPECT_TRUE(d.controls[i].style & kGroup) << name << " " << first;
        EXPECT_FALSE(d.controls[i + 1].style & kGroup) << name << " " << first;
        ASSERT_LT(i + 2, d.controls.size());
        EXPECT_TRUE(d.controls[i + 2].style & kGroup) << name << " " << first;
    }
}

// script, line of the refusal, words the message names
struct RefusalRow {
    const char* script;
    int line;
    const char* mentions;
};
const RefusalRow kRefusals[] = {
    {"X DIALOG 0, 0, 10, 10\nBEGIN\n  SLIDER 5, 1, 1, 1, 1\nEND\n", 3, "SLIDER"},
    {"X DIALOG 0, 0, 10, 10\nMENU M\nBEGIN\nEND\n", 2, "MENU"},
    {"X DIALOGEX 0, 0, 10, 10\nBEGIN\nEND\n", 1, "DIALOGEX"},
    {"\n\nM MENU\nBEGIN\nEND\n", 3, "MENU"},
    {"X DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", UNKNOWN_ID, 1, 1, 1, 1\nEND\n", 3, "UNKNOWN_ID"},
    {"X DIALOG 0, 0, 10, 10\nCAPTION \"open\nBEGIN\nEND\n", 2, "unterminated"},
    {"#include \"missing.h\"\n", 1, "missing.h"},
    {"#define A 1\n#ifdef A\n#endif\n", 2, "#ifdef"},
    {"X DIALOG 0, 0, 10, 10\nBEGIN\n  EDITTEXT 5, 1, 1, 1, 1, 0, 0x200\nEND\n", 3, "extended"},
    {"X DIALOG 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"a\", 1, 1, 1, 1, 1\n", 4, "END"},
    {"X DIALOG 0, 0, 10, 10\nBEGIN\nEND\nX DIALOG 0, 0, 10, 10\nBEGIN\nEND\n", 4, "twice"},
    {"STRINGTABLE\nBEGIN\n  1 \"a\\q\"\nEND\n", 3, "escape"},
    {"X DIALOG 0, 0, 10, 10\nCAPTION \"a\\?\"\nBEGIN\nEND\n", 2, "escape"},
    {"#define A B\n#define B A\nX DIALOG 0, 0, A, 10\nBEGIN\nEND\n", 3, "nests too deep"},
};

TEST(DialogTemplates, ParserRefusesWhatItDoesNotKnowWithTheLine) {
    for (const RefusalRow& row : kRefusals) {
        SCOPED_TRACE(row.script);
        const plat::host::TemplateParseResult result = plat::host::ParseResourceScript(row.script, "t.rc", {});
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorLine, row.line) << result.error;
        EXPECT_NE(result.error.find(row.mentions), std::string::npos) << result.error;
        EXPECT_NE(result.error.find("t.rc:" + std::to_string(row.line) + ": error"), std::string::npos);
    }
}

TEST(DialogTemplates, DeeplyNestedExpressionsAreRefusedWithoutExhaustingTheStack) {
    for (const std::string& open : {std::string(100000, '('), std::string(100000, '-')}) {
        const std::string script = "X DIALOG 0, 0, " + open + "1, 10\nBEGIN\nEND\n";
        const plat::host::TemplateParseResult result = plat::host::ParseResourceScript(script, "t.rc", {});
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("nests too deep"), std::string::npos) << result.error;
    }
    const plat::host::TemplateParseResult shallow =
        plat::host::ParseResourceScript("X DIALOG 0, 0, ((-(-(7)))), 10\nBEGIN\nEND\n", "t.rc", {});
    ASSERT_TRUE(shallow.ok) << shallow.error;
    EXPECT_EQ(shallow.dialogs[0].cx, 7);
}

TEST(DialogTemplates, ParserFollowsTheStyleRulesOfWindres) {
    const char* script =
        "#define G 0x20000\n#define T 0x10000\n#define B 0x800000\n"
        "X DIALOG 1, 2, 30, 40\nSTYLE 0x80000000\nCAPTION \"c\"\nFONT 8, \"F\"\nBEGIN\n"
        "  LTEXT \"a\", 5, 1, 2, 3, 4\n"                     // default WS_GROUP
        "  LTEXT \"b\", 6, 1, 2, 3, 4, B\n"                  // a given style replaces it
        "  AUTORADIOBUTTON \"r\", 7, 1, 2, 3, 4, G\n"        // tab stop only by default
        "  AUTOCHECKBOX \"k\", 8, 1, 2, 3, 4, G\n"           // tab stop always
        "  EDITTEXT 9, 1, 2, 3, 4, NOT B | NOT T\n"          // NOT clears the fixed bits
        "  ICON \"I\", 10, 5, 6, 32, 32\n"                   // no size for icons
        "  CONTROL \"t\", 11, \"button\", 7 | NOT 0x10000000, 1, 2, 3, 4\n"
        "  COMBOBOX -1, 1, 2, 3, 4\n"
        "END\n"
        "Y DIALOG 0, 0, 10, 10\nCAPTION \"\\a\\x414\"\nBEGIN\nEND\n";  // no STYLE
    const plat::host::TemplateParseResult result = plat::host::ParseResourceScript(script, "t.rc", {});
    ASSERT_TRUE(result.ok) << result.error;
    const DialogTemplate& d = result.dialogs.at(0);
    EXPECT_EQ(d.style, 0x80C00040u);
    struct Expected { int id; uint32_t style; } expected[] = {
        {5, 0x50020000}, {6, 0x50800000}, {7, 0x50020009}, {8, 0x50030003},
        {9, 0x50000000}, {10, 0x50000003}, {11, 0x40000007}, {0xFFFF, 0x50010001}};
    ASSERT_EQ(d.controls.size(), std::size(expected));
    for (size_t i = 0; i < d.controls.size(); ++i) {
        EXPECT_EQ(d.controls[i].id, expected[i].id);
        EXPECT_EQ(d.controls[i].style, expected[i].style) << "control " << expected[i].id;
    }
    EXPECT_EQ(d.controls[5].cx, 0);
    EXPECT_EQ(d.controls[6].className, "Button");
    const DialogTemplate& y = result.dialogs.at(1);
    EXPECT_EQ(y.style, 0x80C80000u);  // WS_POPUP | WS_BORDER | WS_SYSMENU, and WS_CAPTION
    EXPECT_EQ(y.caption, "\bA4");     // \a is a backspace and \x takes two digits, as in windres
}

}  // namespace
