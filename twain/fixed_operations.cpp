// The operations with fixed answers: DAT_SETUPMEMXFER, DAT_SETUPFILEXFER,
// DAT_XFERGROUP, DAT_PALETTE8, DAT_GRAYRESPONSE, DAT_RGBRESPONSE,
// DAT_CIECOLOR and DAT_JPEGCOMPRESSION.
#include <cstdio>

#include "settings/capability_container.h"
#include "settings/capability_state.h"
#include "twain/handlers.h"
#include "twain/source_state.h"

namespace {

constexpr const char* kSetupMemContext =
    "General failure in response to DAT_SETUPMEMXFER, not supported.  ";
constexpr const char* kSetupFileContext =
    "General failure in response to DAT_SETUPFILEXFER, not supported.  ";
constexpr const char* kXferGroupContext =
    "General failure in response to DAT_XFERGROUP, not supported.  ";
constexpr const char* kPaletteContext = "General failure in response to DAT_PALETTE8.  ";

// The strip sizes of a memory transfer.
constexpr TW_UINT32 kMinStripBuffer = 16384;
constexpr TW_UINT32 kMaxStripBuffer = 32768;

// At most this many entries of a response table are traced.
constexpr TW_UINT32 kTracedResponseEntries = 16;

bool SessionStateAllowsSetup() {
    return SourceState == kStateOpen || SourceState == kStateEnabled ||
           SourceState == kStateXferReady;
}

// Entries of a response table: 2 to the power of the current bit depth.
TW_UINT32 ResponseEntries() {
    const CapabilityEnum16& depths = CapabilityState.bitDepth.current;
    if (depths.currentIndex >= depths.ItemCount()) return 0;
    const TW_UINT16 depth = depths.items[depths.currentIndex];
    return depth >= 31 ? UINT32_MAX : TW_UINT32{1} << depth;
}

// Traces the first entries of the application's table to the diagnostic sink;
// nothing is kept.
TW_UINT16 TraceResponse(const char* section, const TW_ELEMENT8* entries) {
    if (entries == nullptr) return TWRC_SUCCESS;
    const TW_UINT32 count = ResponseEntries();
    for (TW_UINT32 i = 0; i < count && i < kTracedResponseEntries; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "[%s] Response[%ld]={%ld,%ld,%ld}\r\n", section,
                      static_cast<long>(i), static_cast<long>(entries[i].Channel1),
                      static_cast<long>(entries[i].Channel2), static_cast<long>(entries[i].Channel3));
        DebugTrace(line);
    }
    return TWRC_SUCCESS;
}

TW_FIX32 Fix(float value) { return FloatToFix32(value); }

// The mix matrix of both transform stages, row by row.
constexpr float kCieMix[3][3] = {
    {0.0f, 0.1f, 0.2f},
    {1.0f, 1.1f, 1.2f},
    {2.0f, 2.1f, 2.2f},
};

void FillStage(TW_TRANSFORMSTAGE& stage, float startIn) {
    stage.Decode[0].StartIn = Fix(startIn);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) stage.Mix[row][column] = Fix(kCieMix[row][column]);
    }
}

void FillPoint(TW_CIEPOINT& point, float x, float y, float z) {
    point.X = Fix(x);
    point.Y = Fix(y);
    point.Z = Fix(z);
}

}  // namespace

TW_UINT16 HandleSetupMemXfer(TripletCall* call) {
    if (!SessionStateAllowsSetup()) return FailOperation(TWCC_SEQERROR, kSetupMemContext);
    if (call->msg != MSG_GET) return FailOperation(TWCC_BADPROTOCOL, kSetupMemContext);
    auto* setup = static_cast<TW_SETUPMEMXFER*>(call->data);
    if (setup == nullptr) return FailOperation(TWCC_BADVALUE, kSetupMemContext);
    setup->MinBufSize = kMinStripBuffer;
    setup->MaxBufSize = kMaxStripBuffer;
    setup->Preferred = kMaxStripBuffer;
    return TWRC_SUCCESS;
}

TW_UINT16 HandleSetupFileXfer(TripletCall*) {
    if (!SessionStateAllowsSetup()) return FailOperation(TWCC_SEQERROR, kSetupFileContext);
    return FailOperation(TWCC_BADPROTOCOL, kSetupFileContext);
}

TW_UINT16 HandleXferGroup(TripletCall* call) {
    if (!SessionStateAllowsSetup()) return FailOperation(TWCC_SEQERROR, kXferGroupContext);
    switch (call->msg) {
        case MSG_GET:
        case MSG_GETCURRENT:
        case MSG_GETDEFAULT:
        case MSG_RESET:
            if (call->data == nullptr) return FailOperation(TWCC_BADVALUE, kXferGroupContext);
            *static_cast<TW_UINT32*>(call->data) = DG_IMAGE;
            return TWRC_SUCCESS;
        case MSG_SET:
            return TWRC_SUCCESS;
        default:
            return FailOperation(TWCC_BADPROTOCOL, kXferGroupContext);
    }
}

TW_UINT16 HandlePalette8(TripletCall* call) {
    if (!SessionStateAllowsSetup()) return FailOperation(TWCC_SEQERROR, kPaletteContext);
    switch (call->msg) {
        case MSG_GETDEFAULT:
        case MSG_SET:
        case MSG_RESET:
            return TWRC_SUCCESS;
        default:
            return FailOperation(TWCC_BADPROTOCOL, kPaletteContext);
    }
}

TW_UINT16 HandleGrayResponse(TripletCall* call) {
    return TraceResponse("GrayResponse", static_cast<const TW_ELEMENT8*>(call->data));
}

TW_UINT16 HandleRgbResponse(TripletCall* call) {
    return TraceResponse("RGBResponse", static_cast<const TW_ELEMENT8*>(call->data));
}

TW_UINT16 HandleCieColor(TripletCall* call) {
    auto* cie = static_cast<TW_CIECOLOR*>(call->data);
    if (cie == nullptr) return TWRC_SUCCESS;
    cie->ColorSpace = 2;
    cie->LowEndian = 0;
    cie->DeviceDependent = 1;
    cie->VersionNumber = 0;
    FillStage(cie->StageABC, 0.1f);
    FillStage(cie->StageLMN, 1.1f);
    FillPoint(cie->WhitePoint, 4.4f, 5.5f, 6.6f);
    FillPoint(cie->BlackPoint, 1.1f, 5.5f, 6.6f);
    FillPoint(cie->WhitePaper, 1.1f, 5.5f, 6.6f);
    FillPoint(cie->BlackInk, 1.1f, 5.5f, 6.6f);
    cie->Samples[0] = Fix(99.99f);
    return TWRC_SUCCESS;
}

TW_UINT16 HandleJpegCompression(TripletCall*) { return TWRC_SUCCESS; }
