// The entry points of the backend "korvex" under the names SANE's dll backend
// looks up (sane_korvex_ followed by the standard's function name). A program
// that links libsane-korvex directly calls them by these names.
#pragma once

#include <sane/sane.h>

#define KORVEX_SANE_EXPORT __attribute__((visibility("default")))

extern "C" {
KORVEX_SANE_EXPORT SANE_Status sane_korvex_init(SANE_Int* version_code, SANE_Auth_Callback authorize);
KORVEX_SANE_EXPORT void sane_korvex_exit();
KORVEX_SANE_EXPORT SANE_Status sane_korvex_get_devices(const SANE_Device*** device_list, SANE_Bool local_only);
KORVEX_SANE_EXPORT SANE_Status sane_korvex_open(SANE_String_Const name, SANE_Handle* handle);
KORVEX_SANE_EXPORT void sane_korvex_close(SANE_Handle handle);
KORVEX_SANE_EXPORT const SANE_Option_Descriptor* sane_korvex_get_option_descriptor(SANE_Handle handle,
                                                                                  SANE_Int option);
KORVEX_SANE_EXPORT SANE_Status sane_korvex_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action,
                                                          void* value, SANE_Int* info);
KORVEX_SANE_EXPORT SANE_Status sane_korvex_get_parameters(SANE_Handle handle, SANE_Parameters* parameters);
KORVEX_SANE_EXPORT SANE_Status sane_korvex_start(SANE_Handle handle);
KORVEX_SANE_EXPORT SANE_Status sane_korvex_read(SANE_Handle handle, SANE_Byte* data, SANE_Int max_length,
                                               SANE_Int* length);
KORVEX_SANE_EXPORT void sane_korvex_cancel(SANE_Handle handle);
KORVEX_SANE_EXPORT SANE_Status sane_korvex_set_io_mode(SANE_Handle handle, SANE_Bool non_blocking);
KORVEX_SANE_EXPORT SANE_Status sane_korvex_get_select_fd(SANE_Handle handle, SANE_Int* fd);
}
