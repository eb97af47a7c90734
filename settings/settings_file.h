// The settings file KORVEX32.INI.
#pragma once

// Reads the settings file into the setting records.
void LoadSettings();
