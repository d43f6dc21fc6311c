#pragma once
// Drawing and colour helpers shared by the flat controls: derived colours,
// the embossed image of a disabled glyph, the placement of glyph and caption
// on a button face, the bevel ring, and drawing with a key colour.

#include "controls/HSLUtils.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <cstdint>

class QPainter;

// Amount by which a derived colour differs from its base, 0..100.
using TAdvColors = std::uint8_t;
// Number of equally wide images side by side in a glyph strip, 1..4.
using TNumGlyphs = std::uint8_t;

enum TButtonLayout { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };

// A rectangle with exclusive Right and Bottom, as the layout and frame
// routines compute with it.
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

TColor DeriveAdvColor(TColor BaseColor, TColor CurrentColor, TAdvColors Amount, bool Darker);

// A new image of Source's size: FaceColor everywhere, ShadowColor where Source
// has MaskColor, and (WithHighlight) HighlightColor one pixel to the lower right
// of those pixels, under the shadow. A one-bit Source counts its dark pixels.
QImage MakeDisabledGlyph(const QImage& Source, TColor MaskColor, TColor FaceColor,
                         TColor HighlightColor, TColor ShadowColor, bool WithHighlight);

// The height of one line of text in `font` as the button and edit lay it out:
// ascent plus descent from the font's OS/2 usWinAscent and usWinDescent,
// falling back to QFontMetrics when the font has no such table.
int TextHeight(const QFont& font);
void TextAscentDescent(const QFont& font, int& ascent, int& descent);
// Width and height of a one-line caption; '&' marks an accelerator and is not drawn.
QSize MeasureCaption(const QFont& font, const QString& caption);

void LayoutGlyphAndCaption(const QFont& Font, const TRect& Client, int Offset,
                           TButtonLayout Layout, int Spacing, int Margin, const QImage& Glyph,
                           int NumGlyphs, const QString& Caption, TRect& CaptionRect,
                           QPoint& GlyphOrigin);

// Width nested one-pixel rings; the top-right and bottom-left corners take
// BottomColor. Rect becomes the area inside the rings.
void DrawBevelFrame(QPainter& Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

// Copies Source onto Target with its top-left at Origin, leaving out every
// pixel of the colour Key.
void DrawTransparent(QImage& Target, const QPoint& Origin, const QImage& Source, QRgb Key);
