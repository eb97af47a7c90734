// The model names in model table order.
#include "scanner/model_names.h"

// Column: model name, as the start of the scanner's INQUIRY product id.
const char* const ModelNames[kModelNameCount] = {
    "ZR-DX41",
    "ZR-DX40",
    "ZR-DX73PX",
    "ZR-DX72PX",
    "ZR-DX83PX",
    "ZR-DX82PX",
    "ZR-DX961",
    "ZR-DX960",
    "ZR-DX961s",
    "ZR-DX960s",
    "ZR-DX73",
    "ZR-DX72",
    "ZR-DX83",
    "ZR-DX82",
    "ZR-DXB700",
    "ZR-DXB600",
};
