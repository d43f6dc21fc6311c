#include "TestLocale.h"

// Windows has every national locale built in: nothing to make.
bool MakeDecimalCommaLocaleAvailable() { return false; }
