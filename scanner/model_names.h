// The names of the sixteen scanner models in the order of the model table.
// Device discovery searches them; the model table holds its rows in the same
// order.
#pragma once

constexpr int kModelNameCount = 16;
extern const char* const ModelNames[kModelNameCount];
