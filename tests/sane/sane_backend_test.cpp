// The backend as a SANE frontend sees it, linked directly: the device list,
// every option descriptor and value rule, calls in odd orders, batches of
// sides with SANE's pixel conventions, the scan area, and the scanner's
// faults as statuses. Each test runs in a Windows directory of its own with
// one of the virtual scanner's scenarios.
#include <gtest/gtest.h>
#include <sane/saneopts.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "sane/sane_korvex.h"
#include "vscanner/scenario_catalog.h"
#include "vscanner/scenario_file.h"

namespace {

struct Frame {
    SANE_Parameters parameters;
    std::vector<uint8_t> bytes;
};

class SaneBackendTest : public testing::Test {
protected:
    void SetUp() override { UseScenario("duplex-a4"); }

    void TearDown() override {
        sane_korvex_exit();
        unsetenv("KORVEX_WINDIR");
        std::error_code error;
        if (!windowsDirectory_.empty()) std::filesystem::remove_all(windowsDirectory_, error);
    }

    // A fresh backend over a fresh Windows directory holding `scenario`.
    void UseScenario(const char* scenario) {
        sane_korvex_exit();
        std::error_code error;
        if (!windowsDirectory_.empty()) std::filesystem::remove_all(windowsDirectory_, error);
        std::string pattern = (std::filesystem::temp_directory_path() / "korvex-sane-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        windowsDirectory_ = pattern;
        ASSERT_EQ(setenv("KORVEX_WINDIR", pattern.c_str(), 1), 0);
        ASSERT_EQ(setenv("SANE_CONFIG_DIR", KORVEX_SANE_TEST_CONFIG, 1), 0);
        const vscan::NamedScenario* named = vscan::FindNamedScenario(scenario);
        ASSERT_NE(named, nullptr);
        ASSERT_TRUE(vscan::WriteScenarioFile(vscan::DefaultScenarioPath(), named->build()));
        SANE_Int version = 0;
        ASSERT_EQ(sane_korvex_init(&version, nullptr), SANE_STATUS_GOOD);
        EXPECT_EQ(SANE_VERSION_MAJOR(version), SANE_CURRENT_MAJOR);
    }

    SANE_Handle Open() {
        SANE_Handle handle = nullptr;
        EXPECT_EQ(sane_korvex_open("", &handle), SANE_STATUS_GOOD);
        return handle;
    }

    static SANE_Int Option(SANE_Handle handle, const char* name) {
        for (SANE_Int i = 1;; ++i) {
            const SANE_Option_Descriptor* d = sane_korvex_get_option_descriptor(handle, i);
            if (d == nullptr) return -1;
            if (d->name != nullptr && std::strcmp(d->name, name) == 0) return i;
        }
    }

    static SANE_Status SetWord(SANE_Handle handle, const char* name, SANE_Word value, SANE_Int* info = nullptr) {
        return sane_korvex_control_option(handle, Option(handle, name), SANE_ACTION_SET_VALUE, &value, info);
    }

    static SANE_Status SetText(SANE_Handle handle, const char* name, const char* text, SANE_Int* info = nullptr) {
        std::vector<char> value(text, text + std::strlen(text) + 1);
        return sane_korvex_control_option(handle, Option(handle, name), SANE_ACTION_SET_VALUE, value.data(), info);
    }

    static SANE_Word Word(SANE_Handle handle, const char* name) {
        SANE_Word value = -12345;
        EXPECT_EQ(sane_korvex_control_option(handle, Option(handle, name), SANE_ACTION_GET_VALUE, &value, nullptr),
                  SANE_STATUS_GOOD)
            << name;
        return value;
    }

    // sane_start and every byte of the side, in reads of an odd size.
    static SANE_Status ScanSide(SANE_Handle handle, Frame& frame) {
        const SANE_Status started = sane_korvex_start(handle);
        if (started != SANE_STATUS_GOOD) return started;
        EXPECT_EQ(sane_korvex_get_parameters(handle, &frame.parameters), SANE_STATUS_GOOD);
        frame.bytes.clear();
        SANE_Byte buffer[4099];
        for (;;) {
            SANE_Int length = -1;
            const SANE_Status status = sane_korvex_read(handle, buffer, sizeof buffer, &length);
            if (status == SANE_STATUS_EOF) break;
            if (status != SANE_STATUS_GOOD) return status;
            frame.bytes.insert(frame.bytes.end(), buffer, buffer + length);
        }
        EXPECT_EQ(frame.bytes.size(), size_t(frame.parameters.bytes_per_line) * size_t(frame.parameters.lines));
        return SANE_STATUS_GOOD;
    }

    // Sides until sane_start answers anything but GOOD; that status.
    static SANE_Status ScanBatch(SANE_Handle handle, std::vector<Frame>& frames) {
        for (;;) {
            Frame frame;
            const SANE_Status status = ScanSide(handle, frame);
            if (status != SANE_STATUS_GOOD) return status;
            frames.push_back(std::move(frame));
        }
    }

    std::string windowsDirectory_;
};

// One pixel of a SANE gray frame (depth 1 or 8).
int Pixel(const Frame& frame, int x, int y) {
    const uint8_t* row = frame.bytes.data() + size_t(y) * size_t(frame.parameters.bytes_per_line);
    if (frame.parameters.depth == 8) return row[x];
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

TEST_F(SaneBackendTest, ListsTheScannerTheSourceDrivesAndNothingWithoutOne) {
    const SANE_Device** devices = nullptr;
    ASSERT_EQ(sane_korvex_get_devices(&devices, SANE_FALSE), SANE_STATUS_GOOD);
    ASSERT_NE(devices[0], nullptr);
    EXPECT_STREQ(devices[0]->name, "aspi:1:5");
    EXPECT_STREQ(devices[0]->vendor, "T.S.E.");
    EXPECT_STREQ(devices[0]->model, "ZR-DX961");
    EXPECT_STREQ(devices[0]->type, "sheetfed scanner");
    EXPECT_EQ(devices[1], nullptr);
    SANE_Handle handle = nullptr;
    EXPECT_EQ(sane_korvex_open("aspi:0:0", &handle), SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_open("aspi:1:5", &handle), SANE_STATUS_GOOD);
    sane_korvex_close(handle);

    UseScenario("no-scanner");
    ASSERT_EQ(sane_korvex_get_devices(&devices, SANE_FALSE), SANE_STATUS_GOOD);
    EXPECT_EQ(devices[0], nullptr);
    EXPECT_EQ(sane_korvex_open("", &handle), SANE_STATUS_INVAL);
}

TEST_F(SaneBackendTest, EveryOptionDescriptorIsValidAndHoldsAValueItAllows) {
    SANE_Handle handle = Open();
    ASSERT_NE(handle, nullptr);
    SANE_Int count = 0;
    ASSERT_EQ(sane_korvex_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr), SANE_STATUS_GOOD);
    EXPECT_EQ(sane_korvex_get_option_descriptor(handle, count), nullptr);
    EXPECT_EQ(sane_korvex_get_option_descriptor(handle, -1), nullptr);
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_korvex_get_option_descriptor(handle, i);
        ASSERT_NE(d, nullptr);
        ASSERT_NE(d->title, nullptr);
        if (d->type == SANE_TYPE_GROUP) {
            EXPECT_EQ(d->size, 0);
            continue;
        }
        ASSERT_NE(d->name, nullptr);
        EXPECT_TRUE(SANE_OPTION_IS_SETTABLE(d->cap)) << d->name;
        if (!SANE_OPTION_IS_ACTIVE(d->cap)) continue;
        std::vector<SANE_Word> value(size_t(d->size) / sizeof(SANE_Word) + 1);
        ASSERT_EQ(sane_korvex_control_option(handle, i, SANE_ACTION_GET_VALUE, value.data(), nullptr),
                  SANE_STATUS_GOOD)
            << d->name;
        switch (d->constraint_type) {
            case SANE_CONSTRAINT_RANGE:
                EXPECT_LE(d->constraint.range->min, d->constraint.range->max) << d->name;
                EXPECT_GE(value[0], d->constraint.range->min) << d->name;
                EXPECT_LE(value[0], d->constraint.range->max) << d->name;
                break;
            case SANE_CONSTRAINT_WORD_LIST: {
                const SANE_Word* list = d->constraint.word_list;
                ASSERT_GT(list[0], 0) << d->name;
                EXPECT_NE(std::find(list + 1, list + 1 + list[0], value[0]), list + 1 + list[0]) << d->name;
                break;
            }
            case SANE_CONSTRAINT_STRING_LIST: {
                ASSERT_EQ(d->type, SANE_TYPE_STRING);
                bool listed = false;
                for (const SANE_String_Const* s = d->constraint.string_list; *s != nullptr; ++s) {
                    EXPECT_LT(std::strlen(*s), size_t(d->size)) << d->name;
                    listed = listed || std::strcmp(*s, reinterpret_cast<const char*>(value.data())) == 0;
                }
                EXPECT_TRUE(listed) << d->name;
                break;
            }
            case SANE_CONSTRAINT_NONE: ADD_FAILURE() << d->name << " has no constraint";
        }
    }
    // The well-known names with their units.
    const struct {
        const char* name;
        SANE_Value_Type type;
        SANE_Unit unit;
    } kKnown[] = {
        {SANE_NAME_SCAN_MODE, SANE_TYPE_STRING, SANE_UNIT_NONE},
        {SANE_NAME_BIT_DEPTH, SANE_TYPE_INT, SANE_UNIT_BIT},
        {SANE_NAME_SCAN_RESOLUTION, SANE_TYPE_INT, SANE_UNIT_DPI},
        {SANE_NAME_SCAN_SOURCE, SANE_TYPE_STRING, SANE_UNIT_NONE},
        {SANE_NAME_BRIGHTNESS, SANE_TYPE_INT, SANE_UNIT_PERCENT},
        {SANE_NAME_CONTRAST, SANE_TYPE_INT, SANE_UNIT_PERCENT},
        {SANE_NAME_PAGE_WIDTH, SANE_TYPE_FIXED, SANE_UNIT_MM},
        {SANE_NAME_PAGE_HEIGHT, SANE_TYPE_FIXED, SANE_UNIT_MM},
        {SANE_NAME_SCAN_TL_X, SANE_TYPE_FIXED, SANE_UNIT_MM},
        {SANE_NAME_SCAN_TL_Y, SANE_TYPE_FIXED, SANE_UNIT_MM},
        {SANE_NAME_SCAN_BR_X, SANE_TYPE_FIXED, SANE_UNIT_MM},
        {SANE_NAME_SCAN_BR_Y, SANE_TYPE_FIXED, SANE_UNIT_MM},
    };
    for (const auto& known : kKnown) {
        const SANE_Option_Descriptor* d = sane_korvex_get_option_descriptor(handle, Option(handle, known.name));
        ASSERT_NE(d, nullptr) << known.name;
        EXPECT_EQ(d->type, known.type) << known.name;
        EXPECT_EQ(d->unit, known.unit) << known.name;
    }
    // The model's resolutions and page bounds, as the source reports them.
    const SANE_Word* resolutions =
        sane_korvex_get_option_descriptor(handle, Option(handle, SANE_NAME_SCAN_RESOLUTION))->constraint.word_list;
    EXPECT_EQ(std::vector<SANE_Word>(resolutions, resolutions + resolutions[0] + 1),
              (std::vector<SANE_Word>{7, 100, 150, 200, 240, 300, 360, 400}));
    const SANE_Range* width = sane_korvex_get_option_descriptor(handle, Option(handle, SANE_NAME_PAGE_WIDTH))->constraint.range;
    EXPECT_EQ(SANE_UNFIX(width->max), 297.0);
    EXPECT_GT(SANE_UNFIX(width->min), 55.0);
    sane_korvex_close(handle);
}

TEST_F(SaneBackendTest, OptionValuesAreConstrainedAndReportWhatTheyChange) {
    SANE_Handle handle = Open();
    ASSERT_NE(handle, nullptr);
    SANE_Int info = 0;
    // Word lists snap to the nearest item, ranges clamp: both inexact.
    const struct {
        const char* name;
        SANE_Word set;
        SANE_Word got;
        SANE_Int info;
    } kWords[] = {
        {SANE_NAME_SCAN_RESOLUTION, 200, 200, SANE_INFO_RELOAD_PARAMS},
        {SANE_NAME_SCAN_RESOLUTION, 250, 240, SANE_INFO_RELOAD_PARAMS | SANE_INFO_INEXACT},
        {SANE_NAME_SCAN_RESOLUTION, 9000, 400, SANE_INFO_RELOAD_PARAMS | SANE_INFO_INEXACT},
        {SANE_NAME_BRIGHTNESS, -40, -40, SANE_INFO_RELOAD_PARAMS},
        {SANE_NAME_CONTRAST, 101, 100, SANE_INFO_RELOAD_PARAMS | SANE_INFO_INEXACT},
        {SANE_NAME_BIT_DEPTH, 4, 4, SANE_INFO_RELOAD_PARAMS},
        {SANE_NAME_BIT_DEPTH, 5, 4, SANE_INFO_INEXACT},
        {SANE_NAME_SCAN_TL_X, SANE_FIX(-3), 0, SANE_INFO_INEXACT},
        {SANE_NAME_SCAN_BR_Y, SANE_FIX(5000), Word(handle, SANE_NAME_PAGE_HEIGHT), SANE_INFO_INEXACT},
    };
    for (const auto& row : kWords) {
        EXPECT_EQ(SetWord(handle, row.name, row.set, &info), SANE_STATUS_GOOD) << row.name << " " << row.set;
        EXPECT_EQ(Word(handle, row.name), row.got) << row.name << " " << row.set;
        EXPECT_EQ(info, row.info) << row.name << " " << row.set;
    }
    // A narrower sheet cuts the area that covered the page and asks for a reload.
    ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_BR_X, Word(handle, SANE_NAME_PAGE_WIDTH)), SANE_STATUS_GOOD);
    EXPECT_EQ(SetWord(handle, SANE_NAME_PAGE_WIDTH, SANE_FIX(148), &info), SANE_STATUS_GOOD);
    EXPECT_EQ(info, SANE_INFO_RELOAD_OPTIONS | SANE_INFO_RELOAD_PARAMS);
    EXPECT_EQ(Word(handle, SANE_NAME_SCAN_BR_X), SANE_FIX(148));
    EXPECT_EQ(sane_korvex_get_option_descriptor(handle, Option(handle, SANE_NAME_SCAN_TL_X))->constraint.range->max,
              SANE_FIX(148));

    // Lineart leaves the depth inactive, which then takes and gives nothing.
    EXPECT_EQ(SetText(handle, SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_LINEART, &info), SANE_STATUS_GOOD);
    EXPECT_EQ(info, SANE_INFO_RELOAD_OPTIONS | SANE_INFO_RELOAD_PARAMS);
    const SANE_Int depth = Option(handle, SANE_NAME_BIT_DEPTH);
    EXPECT_FALSE(SANE_OPTION_IS_ACTIVE(sane_korvex_get_option_descriptor(handle, depth)->cap));
    SANE_Word value = 8;
    EXPECT_EQ(sane_korvex_control_option(handle, depth, SANE_ACTION_SET_VALUE, &value, nullptr), SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_control_option(handle, depth, SANE_ACTION_GET_VALUE, &value, nullptr), SANE_STATUS_INVAL);

    // Refused outright: texts off the list, groups, automatic values, other indices.
    EXPECT_EQ(SetText(handle, SANE_NAME_SCAN_MODE, "Color"), SANE_STATUS_INVAL);
    EXPECT_EQ(SetText(handle, SANE_NAME_SCAN_SOURCE, "adf front"), SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_control_option(handle, 1, SANE_ACTION_GET_VALUE, &value, nullptr), SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_control_option(handle, Option(handle, SANE_NAME_SCAN_RESOLUTION), SANE_ACTION_SET_AUTO,
                                         nullptr, nullptr),
              SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_control_option(handle, 0, SANE_ACTION_SET_VALUE, &value, nullptr), SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_control_option(handle, 999, SANE_ACTION_GET_VALUE, &value, nullptr), SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_control_option(handle, Option(handle, SANE_NAME_SCAN_RESOLUTION), SANE_ACTION_GET_VALUE,
                                         nullptr, nullptr),
              SANE_STATUS_INVAL);
    char mode[32] = "";
    EXPECT_EQ(sane_korvex_control_option(handle, Option(handle, SANE_NAME_SCAN_MODE), SANE_ACTION_GET_VALUE, mode,
                                         nullptr),
              SANE_STATUS_GOOD);
    EXPECT_STREQ(mode, SANE_VALUE_SCAN_MODE_LINEART);
    sane_korvex_close(handle);
}

TEST_F(SaneBackendTest, CallsOutOfOrderGetTheirStatusAndExitClosesWhatIsOpen) {
    SANE_Handle handle = Open();
    ASSERT_NE(handle, nullptr);
    SANE_Handle second = nullptr;
    EXPECT_EQ(sane_korvex_open("", &second), SANE_STATUS_DEVICE_BUSY);
    SANE_Byte byte = 0;
    SANE_Int length = -1;
    SANE_Int fd = -1;
    EXPECT_EQ(sane_korvex_read(handle, &byte, 1, &length), SANE_STATUS_INVAL);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(sane_korvex_set_io_mode(handle, SANE_FALSE), SANE_STATUS_INVAL);
    int stranger = 0;
    EXPECT_EQ(sane_korvex_start(&stranger), SANE_STATUS_INVAL);
    EXPECT_EQ(sane_korvex_get_option_descriptor(&stranger, 0), nullptr);
    sane_korvex_cancel(handle);  // nothing to cancel

    ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 100), SANE_STATUS_GOOD);
    ASSERT_EQ(sane_korvex_start(handle), SANE_STATUS_GOOD);
    EXPECT_EQ(sane_korvex_start(handle), SANE_STATUS_DEVICE_BUSY);
    EXPECT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 200), SANE_STATUS_DEVICE_BUSY);
    EXPECT_EQ(Word(handle, SANE_NAME_SCAN_RESOLUTION), 100);
    EXPECT_EQ(sane_korvex_set_io_mode(handle, SANE_FALSE), SANE_STATUS_GOOD);
    EXPECT_EQ(sane_korvex_set_io_mode(handle, SANE_TRUE), SANE_STATUS_UNSUPPORTED);
    EXPECT_EQ(sane_korvex_get_select_fd(handle, &fd), SANE_STATUS_UNSUPPORTED);
    EXPECT_EQ(sane_korvex_read(handle, &byte, 1, &length), SANE_STATUS_GOOD);
    EXPECT_EQ(length, 1);
    // Cancelled halfway through a side: reads say so, options are free again,
    // and the next start begins a batch.
    sane_korvex_cancel(handle);
    EXPECT_EQ(sane_korvex_read(handle, &byte, 1, &length), SANE_STATUS_CANCELLED);
    EXPECT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 150), SANE_STATUS_GOOD);
    Frame frame;
    EXPECT_EQ(ScanSide(handle, frame), SANE_STATUS_GOOD);
    EXPECT_EQ(frame.parameters.pixels_per_line % 32, 0);

    // Exit with the device open and a side half read; the backend starts anew.
    ASSERT_EQ(sane_korvex_start(handle), SANE_STATUS_GOOD);
    EXPECT_EQ(sane_korvex_read(handle, &byte, 1, &length), SANE_STATUS_GOOD);
    sane_korvex_exit();
    EXPECT_EQ(sane_korvex_start(handle), SANE_STATUS_INVAL);
    sane_korvex_close(handle);
    ASSERT_EQ(sane_korvex_init(nullptr, nullptr), SANE_STATUS_GOOD);
    handle = Open();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 100), SANE_STATUS_GOOD);
    EXPECT_EQ(ScanSide(handle, frame), SANE_STATUS_GOOD);
    sane_korvex_close(handle);
    sane_korvex_close(handle);  // a second close does nothing
}

TEST_F(SaneBackendTest, DuplexBatchDeliversEverySideInSanePixelConventionsThenNoDocs) {
    SANE_Handle handle = Open();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(SetText(handle, SANE_NAME_SCAN_SOURCE, "ADF Duplex"), SANE_STATUS_GOOD);
    ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 100), SANE_STATUS_GOOD);
    ASSERT_EQ(SetWord(handle, SANE_NAME_PAGE_WIDTH, SANE_FIX(210)), SANE_STATUS_GOOD);
    ASSERT_EQ(SetWord(handle, SANE_NAME_PAGE_HEIGHT, SANE_FIX(297)), SANE_STATUS_GOOD);
    std::vector<Frame> gray;
    EXPECT_EQ(ScanBatch(handle, gray), SANE_STATUS_NO_DOCS);
    ASSERT_EQ(gray.size(), 10u);  // five sheets, both sides
    // The batch has ended: a new one finds the feeder empty.
    std::vector<Frame> none;
    EXPECT_EQ(ScanBatch(handle, none), SANE_STATUS_NO_DOCS);
    EXPECT_TRUE(none.empty());
    sane_korvex_close(handle);

    UseScenario("duplex-a4");
    handle = Open();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(SetText(handle, SANE_NAME_SCAN_SOURCE, "ADF Duplex"), SANE_STATUS_GOOD);
    ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 100), SANE_STATUS_GOOD);
    ASSERT_EQ(SetText(handle, SANE_NAME_SCAN_MODE, SANE_VALUE_SCAN_MODE_LINEART), SANE_STATUS_GOOD);
    std::vector<Frame> lineart;
    EXPECT_EQ(ScanBatch(handle, lineart), SANE_STATUS_NO_DOCS);
    ASSERT_EQ(lineart.size(), 10u);
    for (size_t i = 0; i < gray.size(); ++i) {
        const Frame& g = gray[i];
        const Frame& l = lineart[i];
        EXPECT_EQ(g.parameters.format, SANE_FRAME_GRAY);
        EXPECT_EQ(g.parameters.depth, 8);
        EXPECT_EQ(l.parameters.depth, 1);
        EXPECT_TRUE(g.parameters.last_frame);
        // Paper white is 255 in gray and 0 in lineart; the darkest gray
        // (the page's text) is black in lineart.
        EXPECT_EQ(Pixel(g, 0, 0), 255) << "side " << i;
        EXPECT_EQ(Pixel(l, 0, 0), 0) << "side " << i;
        size_t darkest = 0;
        for (size_t p = 1; p < g.bytes.size(); ++p) {
            if (g.bytes[p] < g.bytes[darkest]) darkest = p;
        }
        const int x = int(darkest % size_t(g.parameters.bytes_per_line));
        const int y = int(darkest / size_t(g.parameters.bytes_per_line));
        ASSERT_LT(g.bytes[darkest], 64) << "side " << i;
        if (x < l.parameters.pixels_per_line && y < l.parameters.lines) {
            EXPECT_EQ(Pixel(l, x, y), 1) << "side " << i;
        }
    }
    sane_korvex_close(handle);
}

TEST_F(SaneBackendTest, ScanAreaIsCutFromThePageInEveryMode) {
    UseScenario("repeat-pages");  // every sheet alike
    SANE_Handle handle = Open();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 100), SANE_STATUS_GOOD);
    const struct {
        const char* mode;
        SANE_Word depth;
    } kModes[] = {{SANE_VALUE_SCAN_MODE_LINEART, 0}, {SANE_VALUE_SCAN_MODE_GRAY, 4}, {SANE_VALUE_SCAN_MODE_GRAY, 8}};
    for (const auto& mode : kModes) {
        ASSERT_EQ(SetText(handle, SANE_NAME_SCAN_MODE, mode.mode), SANE_STATUS_GOOD);
        if (mode.depth != 0) {
            ASSERT_EQ(SetWord(handle, SANE_NAME_BIT_DEPTH, mode.depth), SANE_STATUS_GOOD);
        }
        const SANE_Word pageWidth = Word(handle, SANE_NAME_PAGE_WIDTH);
        const SANE_Word pageHeight = Word(handle, SANE_NAME_PAGE_HEIGHT);
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_TL_X, 0), SANE_STATUS_GOOD);
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_TL_Y, 0), SANE_STATUS_GOOD);
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_BR_X, pageWidth), SANE_STATUS_GOOD);
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_BR_Y, pageHeight), SANE_STATUS_GOOD);
        Frame page;
        ASSERT_EQ(ScanSide(handle, page), SANE_STATUS_GOOD) << mode.mode;
        sane_korvex_cancel(handle);
        // 25.4 mm is 100 pixels at 100 dpi; the corners in either order.
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_TL_X, SANE_FIX(101.6)), SANE_STATUS_GOOD);
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_TL_Y, SANE_FIX(12.7)), SANE_STATUS_GOOD);
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_BR_X, SANE_FIX(25.654)), SANE_STATUS_GOOD);
        ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_BR_Y, SANE_FIX(76.2)), SANE_STATUS_GOOD);
        SANE_Parameters expected{};
        ASSERT_EQ(sane_korvex_get_parameters(handle, &expected), SANE_STATUS_GOOD);
        Frame area;
        ASSERT_EQ(ScanSide(handle, area), SANE_STATUS_GOOD) << mode.mode;
        sane_korvex_cancel(handle);
        EXPECT_EQ(area.parameters.pixels_per_line, 299) << mode.mode;
        EXPECT_EQ(area.parameters.lines, 250) << mode.mode;
        EXPECT_EQ(area.parameters.pixels_per_line, expected.pixels_per_line) << mode.mode;
        EXPECT_EQ(area.parameters.lines, expected.lines) << mode.mode;
        EXPECT_EQ(area.parameters.bytes_per_line, expected.bytes_per_line) << mode.mode;
        int wrong = 0;
        for (int y = 0; y < area.parameters.lines; ++y) {
            for (int x = 0; x < area.parameters.pixels_per_line; ++x) {
                wrong += Pixel(area, x, y) != Pixel(page, 101 + x, 50 + y);
            }
        }
        EXPECT_EQ(wrong, 0) << mode.mode;
        if (mode.depth == 4) {
            for (uint8_t sample : area.bytes) EXPECT_EQ(sample % 17, 0) << "4-bit gray widened to 8 bits";
        }
    }
    sane_korvex_close(handle);
}

// A scenario, the sides it delivers before the batch ends, and the status then.
struct FaultCase {
    const char* scenario;
    size_t sidesBefore;
    SANE_Status status;
    const char* logged;
};

// Names the case in test listings.
void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.scenario; }

class SaneFaultTest : public SaneBackendTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(SaneFaultTest, ScannerFaultEndsTheBatchWithItsStatusAndALogLine) {
    const FaultCase& fault = GetParam();
    UseScenario(fault.scenario);
    SANE_Handle handle = Open();
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(SetText(handle, SANE_NAME_SCAN_SOURCE, "ADF Duplex"), SANE_STATUS_GOOD);
    ASSERT_EQ(SetWord(handle, SANE_NAME_SCAN_RESOLUTION, 100), SANE_STATUS_GOOD);
    std::vector<Frame> frames;
    testing::internal::CaptureStderr();
    const SANE_Status status = ScanBatch(handle, frames);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, fault.status);
    EXPECT_EQ(frames.size(), fault.sidesBefore);
    EXPECT_NE(log.find(fault.logged), std::string::npos) << log;
    sane_korvex_cancel(handle);
    sane_korvex_close(handle);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, SaneFaultTest,
    testing::Values(
        FaultCase{"jam", 2, SANE_STATUS_JAMMED, "korvex: Scanner Message: Jam ocuured. Please open the door"},
        FaultCase{"double-feed", 2, SANE_STATUS_JAMMED, "korvex: Scanner Message: Double Feed error!!"},
        FaultCase{"door-open", 0, SANE_STATUS_COVER_OPEN, "korvex: Scanner Message: Scanner Door is open!"},
        FaultCase{"never-ready", 0, SANE_STATUS_DEVICE_BUSY, "korvex: Scanner Message: Scanner is not ready."},
        FaultCase{"transfer-error", 0, SANE_STATUS_IO_ERROR, "korvex: Scanner Message: Image transfer error"},
        FaultCase{"manual-feed", 0, SANE_STATUS_NO_DOCS, "korvex: Scanner Message: No Paper !"}),
    [](const testing::TestParamInfo<FaultCase>& param) {
        std::string name = param.param.scenario;
        for (char& c : name) {
            if (c == '-') c = '_';
        }
        return name;
    });

}  // namespace
