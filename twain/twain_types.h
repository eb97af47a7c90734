// TWAIN 1.x types, constants and records (and the few TWAIN 2 additions the
// Linux build speaks: DAT_ENTRYPOINT, DAT_CALLBACK, the DF_ flags) used by the
// data source, the source manager and the applications around them, written
// from the public TWAIN standard. Records use 2-byte packing; integers are
// fixed-width on every build; handles and memory references are
// pointer-sized. On the 32-bit Windows build every record matches the
// standard layout byte for byte. Depends on nothing but <cstdint>.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Basic types -----------------------------------------------------------
typedef char TW_STR32[34];
typedef char TW_STR64[66];
typedef char TW_STR128[130];
typedef char TW_STR255[256];

typedef int8_t TW_INT8;
typedef int16_t TW_INT16;
typedef int32_t TW_INT32;
typedef uint8_t TW_UINT8;
typedef uint16_t TW_UINT16;
typedef uint32_t TW_UINT32;
typedef uint16_t TW_BOOL;
typedef void* TW_HANDLE;
typedef void* TW_MEMREF;
typedef uint8_t* TW_PTR;

#if defined(_WIN32)
#define TW_CALLINGSTYLE __stdcall
#else
#define TW_CALLINGSTYLE
#endif

#pragma pack(push, 2)

struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
};

struct TW_FRAME {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
};

struct TW_VERSION {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
};

struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
};

struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
};

struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
};

struct TW_RANGE {
    TW_UINT16 ItemType;
    TW_UINT32 MinValue;
    TW_UINT32 MaxValue;
    TW_UINT32 StepSize;
    TW_UINT32 DefaultValue;
    TW_UINT32 CurrentValue;
};

struct TW_ENUMERATION {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
    TW_UINT8 ItemList[1];
};

struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
};

struct TW_STATUS {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
};

struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 Reserved;
};

struct TW_SETUPMEMXFER {
    TW_UINT32 MinBufSize;
    TW_UINT32 MaxBufSize;
    TW_UINT32 Preferred;
};

struct TW_EVENT {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
};

struct TW_IMAGEINFO {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
};

struct TW_IMAGELAYOUT {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber;
    TW_UINT32 PageNumber;
    TW_UINT32 FrameNumber;
};

struct TW_MEMORY {
    TW_UINT32 Flags;
    TW_UINT32 Length;
    TW_MEMREF TheMem;
};

struct TW_IMAGEMEMXFER {
    TW_UINT16 Compression;
    TW_UINT32 BytesPerRow;
    TW_UINT32 Columns;
    TW_UINT32 Rows;
    TW_UINT32 XOffset;
    TW_UINT32 YOffset;
    TW_UINT32 BytesWritten;
    TW_MEMORY Memory;
};

struct TW_ELEMENT8 {
    TW_UINT8 Index;
    TW_UINT8 Channel1;
    TW_UINT8 Channel2;
    TW_UINT8 Channel3;
};

struct TW_GRAYRESPONSE {
    TW_ELEMENT8 Response[1];
};

struct TW_RGBRESPONSE {
    TW_ELEMENT8 Response[1];
};

struct TW_DECODEFUNCTION {
    TW_FIX32 StartIn;
    TW_FIX32 BreakIn;
    TW_FIX32 EndIn;
    TW_FIX32 StartOut;
    TW_FIX32 BreakOut;
    TW_FIX32 EndOut;
    TW_FIX32 Gamma;
    TW_FIX32 SampleCount;
};

struct TW_TRANSFORMSTAGE {
    TW_DECODEFUNCTION Decode[3];
    TW_FIX32 Mix[3][3];
};

struct TW_CIEPOINT {
    TW_FIX32 X;
    TW_FIX32 Y;
    TW_FIX32 Z;
};

struct TW_CIECOLOR {
    TW_UINT16 ColorSpace;
    TW_INT16 LowEndian;
    TW_INT16 DeviceDependent;
    TW_INT32 VersionNumber;
    TW_TRANSFORMSTAGE StageABC;
    TW_TRANSFORMSTAGE StageLMN;
    TW_CIEPOINT WhitePoint;
    TW_CIEPOINT BlackPoint;
    TW_CIEPOINT WhitePaper;
    TW_CIEPOINT BlackInk;
    TW_FIX32 Samples[1];
};

#pragma pack(pop)

// The 32-bit layouts of the standard; other builds differ only where a
// pointer-sized field widens.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(TW_FIX32) == 4);
static_assert(sizeof(TW_IDENTITY) == 156);
static_assert(offsetof(TW_IDENTITY, ProtocolMajor) == 46);
static_assert(offsetof(TW_IDENTITY, Manufacturer) == 54);
static_assert(sizeof(TW_ONEVALUE) == 6);
static_assert(sizeof(TW_RANGE) == 22);
static_assert(offsetof(TW_ENUMERATION, ItemList) == 14);
static_assert(sizeof(TW_CAPABILITY) == 8);
static_assert(sizeof(TW_USERINTERFACE) == 8);
static_assert(sizeof(TW_IMAGEINFO) == 42);
static_assert(sizeof(TW_IMAGELAYOUT) == 28);
static_assert(sizeof(TW_IMAGEMEMXFER) == 38);
static_assert(sizeof(TW_STATUS) == 4);
static_assert(sizeof(TW_PENDINGXFERS) == 6);
static_assert(sizeof(TW_SETUPMEMXFER) == 12);
static_assert(sizeof(TW_EVENT) == 6);
static_assert(sizeof(TW_CIECOLOR) == 326);
#endif

typedef TW_UINT16(TW_CALLINGSTYLE* DSENTRYPROC)(TW_IDENTITY* pOrigin, TW_UINT32 DG, TW_UINT16 DAT,
                                                 TW_UINT16 MSG, TW_MEMREF pData);
typedef TW_UINT16(TW_CALLINGSTYLE* DSMENTRYPROC)(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest,
                                                  TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                                  TW_MEMREF pData);

// ---- TWAIN 2 entry points ------------------------------------------------------
// The memory functions of a TWAIN 2 source manager, and DAT_ENTRYPOINT's record
// that hands them to a source together with the manager's DSM_Entry.
typedef TW_HANDLE(TW_CALLINGSTYLE* DSM_MEMALLOCATE)(TW_UINT32 size);
typedef void(TW_CALLINGSTYLE* DSM_MEMFREE)(TW_HANDLE handle);
typedef TW_MEMREF(TW_CALLINGSTYLE* DSM_MEMLOCK)(TW_HANDLE handle);
typedef void(TW_CALLINGSTYLE* DSM_MEMUNLOCK)(TW_HANDLE handle);

#pragma pack(push, 2)
struct TW_ENTRYPOINT {
    TW_UINT32 Size;  // sizeof(TW_ENTRYPOINT), set by whoever fills the record
    DSMENTRYPROC DSM_Entry;
    DSM_MEMALLOCATE DSM_MemAllocate;
    DSM_MEMFREE DSM_MemFree;
    DSM_MEMLOCK DSM_MemLock;
    DSM_MEMUNLOCK DSM_MemUnlock;
};

// DAT_CALLBACK / MSG_REGISTER_CALLBACK: the function a TWAIN 2 manager calls
// (with DSMENTRYPROC's arguments and RefCon as data) for each notification.
struct TW_CALLBACK {
    TW_MEMREF CallBackProc;
    TW_UINT32 RefCon;
    TW_INT16 Message;
};
#pragma pack(pop)

// 2-byte packing puts the pointers right after Size on every build: 24 bytes
// with 32-bit pointers, 44 with 64-bit ones (the layout of the Linux x86-64
// managers).
static_assert(offsetof(TW_ENTRYPOINT, DSM_Entry) == 4);
static_assert(sizeof(TW_ENTRYPOINT) == 4 + 5 * sizeof(void*));

// ---- Container types -------------------------------------------------------
constexpr TW_UINT16 TWON_ARRAY = 3;
constexpr TW_UINT16 TWON_ENUMERATION = 4;
constexpr TW_UINT16 TWON_ONEVALUE = 5;
constexpr TW_UINT16 TWON_RANGE = 6;
constexpr TW_UINT16 TWON_DONTCARE16 = 0xFFFF;
constexpr TW_UINT32 TWON_DONTCARE32 = 0xFFFFFFFF;

// ---- Item types -------------------------------------------------------------
constexpr TW_UINT16 TWTY_INT8 = 0x0000;
constexpr TW_UINT16 TWTY_INT16 = 0x0001;
constexpr TW_UINT16 TWTY_INT32 = 0x0002;
constexpr TW_UINT16 TWTY_UINT8 = 0x0003;
constexpr TW_UINT16 TWTY_UINT16 = 0x0004;
constexpr TW_UINT16 TWTY_UINT32 = 0x0005;
constexpr TW_UINT16 TWTY_BOOL = 0x0006;
constexpr TW_UINT16 TWTY_FIX32 = 0x0007;
constexpr TW_UINT16 TWTY_FRAME = 0x0008;
constexpr TW_UINT16 TWTY_STR32 = 0x0009;
constexpr TW_UINT16 TWTY_STR64 = 0x000a;
constexpr TW_UINT16 TWTY_STR128 = 0x000b;
constexpr TW_UINT16 TWTY_STR255 = 0x000c;

// ---- Data groups -----------------------------------------------------------
constexpr TW_UINT32 DG_CONTROL = 0x0001;
constexpr TW_UINT32 DG_IMAGE = 0x0002;
constexpr TW_UINT32 DG_AUDIO = 0x0004;
// TWAIN 2 functionality flags of SupportedGroups: manager, application, source.
constexpr TW_UINT32 DF_DSM2 = 0x10000000;
constexpr TW_UINT32 DF_APP2 = 0x20000000;
constexpr TW_UINT32 DF_DS2 = 0x40000000;

// ---- Data argument types ---------------------------------------------------
constexpr TW_UINT16 DAT_NULL = 0x0000;
constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
constexpr TW_UINT16 DAT_EVENT = 0x0002;
constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
constexpr TW_UINT16 DAT_PARENT = 0x0004;
constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
constexpr TW_UINT16 DAT_SETUPMEMXFER = 0x0006;
constexpr TW_UINT16 DAT_SETUPFILEXFER = 0x0007;
constexpr TW_UINT16 DAT_STATUS = 0x0008;
constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
constexpr TW_UINT16 DAT_XFERGROUP = 0x000a;
constexpr TW_UINT16 DAT_CALLBACK = 0x0010;
constexpr TW_UINT16 DAT_ENTRYPOINT = 0x0403;
constexpr TW_UINT16 DAT_IMAGEINFO = 0x0101;
constexpr TW_UINT16 DAT_IMAGELAYOUT = 0x0102;
constexpr TW_UINT16 DAT_IMAGEMEMXFER = 0x0103;
constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;
constexpr TW_UINT16 DAT_IMAGEFILEXFER = 0x0105;
constexpr TW_UINT16 DAT_CIECOLOR = 0x0106;
constexpr TW_UINT16 DAT_GRAYRESPONSE = 0x0107;
constexpr TW_UINT16 DAT_RGBRESPONSE = 0x0108;
constexpr TW_UINT16 DAT_JPEGCOMPRESSION = 0x0109;
constexpr TW_UINT16 DAT_PALETTE8 = 0x010a;

// ---- Messages --------------------------------------------------------------
constexpr TW_UINT16 MSG_NULL = 0x0000;
constexpr TW_UINT16 MSG_GET = 0x0001;
constexpr TW_UINT16 MSG_GETCURRENT = 0x0002;
constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
constexpr TW_UINT16 MSG_GETFIRST = 0x0004;
constexpr TW_UINT16 MSG_GETNEXT = 0x0005;
constexpr TW_UINT16 MSG_SET = 0x0006;
constexpr TW_UINT16 MSG_RESET = 0x0007;
constexpr TW_UINT16 MSG_QUERYSUPPORT = 0x0008;
constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
constexpr TW_UINT16 MSG_CLOSEDSOK = 0x0103;
constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
constexpr TW_UINT16 MSG_OPENDS = 0x0401;
constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
constexpr TW_UINT16 MSG_USERSELECT = 0x0403;
constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
constexpr TW_UINT16 MSG_ENABLEDSUIONLY = 0x0503;
constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
constexpr TW_UINT16 MSG_ENDXFER = 0x0701;
constexpr TW_UINT16 MSG_REGISTER_CALLBACK = 0x0902;

// ---- Return codes ----------------------------------------------------------
constexpr TW_UINT16 TWRC_SUCCESS = 0;
constexpr TW_UINT16 TWRC_FAILURE = 1;
constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
constexpr TW_UINT16 TWRC_CANCEL = 3;
constexpr TW_UINT16 TWRC_DSEVENT = 4;
constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
constexpr TW_UINT16 TWRC_XFERDONE = 6;
constexpr TW_UINT16 TWRC_ENDOFLIST = 7;

// ---- Condition codes -------------------------------------------------------
constexpr TW_UINT16 TWCC_SUCCESS = 0;
constexpr TW_UINT16 TWCC_BUMMER = 1;
constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
constexpr TW_UINT16 TWCC_NODS = 3;
constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 4;
constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
constexpr TW_UINT16 TWCC_BADCAP = 6;
constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
constexpr TW_UINT16 TWCC_BADVALUE = 10;
constexpr TW_UINT16 TWCC_SEQERROR = 11;
constexpr TW_UINT16 TWCC_BADDEST = 12;

// ---- Capabilities ------------------------------------------------------------
constexpr TW_UINT16 CAP_XFERCOUNT = 0x0001;
constexpr TW_UINT16 ICAP_COMPRESSION = 0x0100;
constexpr TW_UINT16 ICAP_PIXELTYPE = 0x0101;
constexpr TW_UINT16 ICAP_UNITS = 0x0102;
constexpr TW_UINT16 ICAP_XFERMECH = 0x0103;
constexpr TW_UINT16 CAP_FEEDERENABLED = 0x1002;
constexpr TW_UINT16 CAP_FEEDERLOADED = 0x1003;
constexpr TW_UINT16 CAP_AUTOFEED = 0x1007;
constexpr TW_UINT16 CAP_INDICATORS = 0x100b;
constexpr TW_UINT16 CAP_UICONTROLLABLE = 0x100e;
constexpr TW_UINT16 ICAP_BRIGHTNESS = 0x1101;
constexpr TW_UINT16 ICAP_CONTRAST = 0x1103;
constexpr TW_UINT16 ICAP_PHYSICALWIDTH = 0x1111;
constexpr TW_UINT16 ICAP_PHYSICALHEIGHT = 0x1112;
constexpr TW_UINT16 ICAP_XRESOLUTION = 0x1118;
constexpr TW_UINT16 ICAP_YRESOLUTION = 0x1119;
constexpr TW_UINT16 ICAP_BITDEPTH = 0x112b;
constexpr TW_UINT16 ICAP_PIXELFLAVOR = 0x111f;
constexpr TW_UINT16 ICAP_CCITTKFACTOR = 0x111d;

// ---- Capability values ---------------------------------------------------------
constexpr TW_UINT16 TWCP_NONE = 0;
constexpr TW_UINT16 TWCP_PACKBITS = 1;
constexpr TW_UINT16 TWCP_GROUP31D = 2;
constexpr TW_UINT16 TWCP_GROUP31DEOL = 3;
constexpr TW_UINT16 TWCP_GROUP32D = 4;
constexpr TW_UINT16 TWCP_GROUP4 = 5;
constexpr TW_UINT16 TWPT_BW = 0;
constexpr TW_UINT16 TWPT_GRAY = 1;
constexpr TW_UINT16 TWPT_RGB = 2;
constexpr TW_UINT16 TWUN_INCHES = 0;
constexpr TW_UINT16 TWSX_NATIVE = 0;
constexpr TW_UINT16 TWSX_FILE = 1;
constexpr TW_UINT16 TWSX_MEMORY = 2;
constexpr TW_UINT16 TWPF_CHOCOLATE = 0;
constexpr TW_UINT16 TWPF_VANILLA = 1;
constexpr TW_UINT16 TWLG_USA = 13;
constexpr TW_UINT16 TWCY_USA = 1;
constexpr TW_UINT32 TWMF_APPOWNS = 0x0001;
constexpr TW_UINT32 TWMF_DSMOWNS = 0x0002;
constexpr TW_UINT32 TWMF_DSOWNS = 0x0004;
constexpr TW_UINT32 TWMF_POINTER = 0x0008;
constexpr TW_UINT32 TWMF_HANDLE = 0x0010;
