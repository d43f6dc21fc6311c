#pragma once
// The program's fonts, chosen in this one place for every window (and for
// anything else that draws the windows' texts).
//
// The fixed pixel layout of the windows is made for Tahoma's metrics. Where
// the system has no Tahoma, the files of the fonts-wine package are
// registered. Their bold face carries Tahoma's advances but regular-weight
// outlines; its weight lives only in the embedded bitmap strike for 11 pixels,
// which the toolkit uses only when the text is not antialiased. So text that
// lands on 11 device pixels is drawn from that strike, and every other size
// (other bold sizes, and the 11-pixel font on a scaled screen, where it is
// drawn with more device pixels) takes an outline face whose bold is real.

#include <QFont>
#include <QString>

// Registers the Tahoma files when the system lacks the family. Idempotent.
void SetUpFonts();
// The device pixels per pixel of the screens the windows are on (1 unless
// the screen or QT_SCALE_FACTOR scales them); 1 without an application.
qreal ScreenPixelRatio();
// Bold text with the given character height in pixels, with Tahoma's
// metrics where they are to be had: 11 for the windows, 16 for the axis
// letters and the About window's name. The font is for a paint device of
// the given device pixel ratio: it stays bold at every ratio.
QFont TahomaBold(int pixelHeight, qreal deviceRatio = ScreenPixelRatio());
// The windows' font: Tahoma bold, character height 11 pixels.
QFont WindowFont(qreal deviceRatio = ScreenPixelRatio());
// The graph window's axis letters: bold, character height 16 pixels.
QFont AxisLetterFont();
// The family the help page's "Tahoma" stands for in the help view: a face
// whose bold is visibly bold at every size.
QString HelpPageFamily();
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
