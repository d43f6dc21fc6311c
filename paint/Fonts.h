#pragma once
// The program's fonts. The fixed pixel layout of the windows is made for
// Tahoma's metrics; where the system has no Tahoma, the metric-compatible
// files of the fonts-wine package are registered, and failing that the
// closest bold sans-serif is used.

#include <QFont>

// Registers the Tahoma files when the system lacks the family. Idempotent.
void SetUpFonts();
// Tahoma bold with the given character height in pixels (11 for the windows).
QFont TahomaBold(int pixelHeight);
// The windows' font: Tahoma bold, character height 11 pixels.
QFont WindowFont();
// The font of the element-of sign and the arrow of the main window: the
// Symbol font when present, else a plain sans-serif that has the Unicode
// signs.
QFont SignFont(int pixelHeight);
// Whether the Symbol font is installed; without it the signs are written
// as U+2208 and U+2192.
bool HasSymbolFont();
// The two signs in the encoding that SignFont expects.
QString ElementOfSign();
QString RightArrowSign();
