// The name tables of TWAIN return and condition codes.
#include "apps/twain_app/twain_names.h"

#include <cstdio>

namespace {

// Columns: code, name.
struct CodeName {
    TW_UINT16 code;
    const char* name;
};

constexpr CodeName kReturnCodeNames[] = {
    {TWRC_SUCCESS, "TWRC_SUCCESS"},
    {TWRC_FAILURE, "TWRC_FAILURE"},
    {TWRC_CHECKSTATUS, "TWRC_CHECKSTATUS"},
    {TWRC_CANCEL, "TWRC_CANCEL"},
    {TWRC_DSEVENT, "TWRC_DSEVENT"},
    {TWRC_NOTDSEVENT, "TWRC_NOTDSEVENT"},
    {TWRC_XFERDONE, "TWRC_XFERDONE"},
    {TWRC_ENDOFLIST, "TWRC_ENDOFLIST"},
};

// Columns: code, name.
constexpr CodeName kConditionCodeNames[] = {
    {TWCC_SUCCESS, "TWCC_SUCCESS"},
    {TWCC_BUMMER, "TWCC_BUMMER"},
    {TWCC_LOWMEMORY, "TWCC_LOWMEMORY"},
    {TWCC_NODS, "TWCC_NODS"},
    {TWCC_MAXCONNECTIONS, "TWCC_MAXCONNECTIONS"},
    {TWCC_OPERATIONERROR, "TWCC_OPERATIONERROR"},
    {TWCC_BADCAP, "TWCC_BADCAP"},
    {TWCC_BADPROTOCOL, "TWCC_BADPROTOCOL"},
    {TWCC_BADVALUE, "TWCC_BADVALUE"},
    {TWCC_SEQERROR, "TWCC_SEQERROR"},
    {TWCC_BADDEST, "TWCC_BADDEST"},
};

template <size_t N>
const char* NameOf(const CodeName (&table)[N], TW_UINT16 code, const char* prefix) {
    for (const CodeName& row : table) {
        if (row.code == code) return row.name;
    }
    static char unknown[16];
    std::snprintf(unknown, sizeof unknown, "%s%u", prefix, static_cast<unsigned>(code));
    return unknown;
}

}  // namespace

const char* ReturnCodeName(TW_UINT16 code) { return NameOf(kReturnCodeNames, code, "TWRC_"); }

const char* ConditionCodeName(TW_UINT16 code) {
    return NameOf(kConditionCodeNames, code, "TWCC_");
}
