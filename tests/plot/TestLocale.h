#pragma once
// Switches LC_NUMERIC to a locale whose decimal separator is a comma,
// compiling one into a temporary folder when the system has none installed.
// Returns false when no such locale can be had.
bool UseDecimalCommaLocale();
void UseCLocale();

// Makes a decimal-comma locale available to setlocale when the system has
// none installed (one file per platform); false when it cannot.
bool MakeDecimalCommaLocaleAvailable();
