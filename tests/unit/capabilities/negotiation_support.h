// Helpers of the capability negotiation tests: the application's side of
// DAT_CAPABILITY (containers handed over and received, byte by byte) and the
// choice of the connected model.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "twain/twain_types.h"

namespace captest {

using Bytes = std::vector<uint8_t>;

// The packed bytes of the containers an application sends or receives.
Bytes OneValue(TW_UINT16 itemType, TW_UINT32 item);
Bytes OneValueFix32(TW_INT16 whole, TW_UINT16 frac = 0);
Bytes Enum16(TW_UINT16 itemType, std::initializer_list<TW_UINT16> items, TW_UINT32 current,
             TW_UINT32 defaultIndex, TW_UINT32 numItems = 0xFFFFFFFF);
Bytes EnumFix32(std::initializer_list<TW_INT16> wholes, TW_UINT32 current,
                TW_UINT32 defaultIndex);
Bytes Range(TW_UINT16 itemType, TW_INT32 min, TW_INT32 max, TW_INT32 step, TW_INT32 def,
            TW_INT32 current);
// The spare byte the source allocates after an enumeration's items.
Bytes Spare(Bytes enumeration);

// What one DAT_CAPABILITY call answered.
struct Outcome {
    TW_UINT16 rc = 0;
    TW_UINT16 cc = 0;
    TW_UINT16 conType = 0;
    bool hasContainer = false;
    Bytes bytes;  // the returned container, when there is one
};

// MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT or MSG_RESET: the returned container
// is copied and freed.
Outcome Ask(TW_UINT16 msg, TW_UINT16 cap);
// MSG_SET with a container of these bytes; checks that the handler wrote
// nothing back and kept the application's handle.
Outcome Set(TW_UINT16 cap, TW_UINT16 conType, const Bytes& container);

// Sets the model name and applies its row of the model table.
void UseModel(const char* name);

class NegotiationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    int64_t liveBlocksAtStart_ = 0;
    uint32_t misusesAtStart_ = 0;
};

}  // namespace captest
