#include "controls/FlatUtilitys.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRawFont>
#include <cmath>
#include <new>
#include <vector>

TColor DeriveAdvColor(TColor BaseColor, TColor CurrentColor, TAdvColors Amount, bool Darker) {
  if (Amount == 0) return CurrentColor;
  int H, S, L;
  ColorToScaledHsl(ResolveColor(BaseColor), H, S, L);
  L = L + 10;
  if (!Darker) {
    // The limit of the lighter colour is 100 on the 0..240 scale: a light
    // base comes out at exactly 100, so even darker than itself.
    L = L + Amount > 100 ? 100 : L + Amount;
  } else {
    L = L - Amount < 0 ? 0 : L - Amount;
    // A very light base plus 10 minus a small amount lies above the scale,
    // where the channels would wrap round to dark values.
    if (L > HslScale) L = HslScale;
  }
  return ScaledHslToColor(H, S, L);
}

QImage MakeDisabledGlyph(const QImage& Source, TColor MaskColor, TColor FaceColor,
                         TColor HighlightColor, TColor ShadowColor, bool WithHighlight) {
  const int width = Source.width(), height = Source.height();
  QImage result(width, height, QImage::Format_RGB32);
  if (result.isNull() && width > 0 && height > 0) throw std::bad_alloc();

  // The two-colour mask: set where the source has the mask colour, or where a
  // one-bit source is dark.
  std::vector<bool> mask(std::size_t(width) * std::size_t(height));
  const bool twoColour =
      Source.format() == QImage::Format_Mono || Source.format() == QImage::Format_MonoLSB;
  const QImage work = Source.convertToFormat(QImage::Format_RGB32);
  const QRgb maskRgb = ColorToRGB(MaskColor).rgb() & 0xFFFFFF;
  for (int y = 0; y < height; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(work.constScanLine(y));
    for (int x = 0; x < width; ++x)
      mask[std::size_t(y) * width + x] =
          twoColour ? qGray(line[x]) < 128 : (line[x] & 0xFFFFFF) == maskRgb;
  }

  result.fill(ColorToRGB(FaceColor));
  if (WithHighlight) {
    const QRgb highlight = ColorToRGB(HighlightColor).rgb();
    for (int y = 0; y + 1 < height; ++y)
      for (int x = 0; x + 1 < width; ++x)
        if (mask[std::size_t(y) * width + x]) result.setPixel(x + 1, y + 1, highlight);
  }
  const QRgb shadow = ColorToRGB(ShadowColor).rgb();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (mask[std::size_t(y) * width + x]) result.setPixel(x, y, shadow);
  return result;
}

void TextAscentDescent(const QFont& font, int& ascent, int& descent) {
  const QRawFont raw = QRawFont::fromFont(font);
  if (raw.isValid()) {
    const QByteArray os2 = raw.fontTable("OS/2");
    const qreal unitsPerEm = raw.unitsPerEm();
    if (os2.size() >= 78 && unitsPerEm > 0) {
      const auto word = [&](int offset) {
        return (unsigned(static_cast<unsigned char>(os2[offset])) << 8) |
               unsigned(static_cast<unsigned char>(os2[offset + 1]));
      };
      // usWinAscent and usWinDescent, scaled from font units to pixels.
      const qreal scale = raw.pixelSize() / unitsPerEm;
      ascent = int(std::lround(word(74) * scale));
      descent = int(std::lround(word(76) * scale));
      if (ascent + descent > 0) return;
    }
  }
  const QFontMetrics metrics(font);
  ascent = metrics.ascent();
  descent = metrics.descent();
}

int TextHeight(const QFont& font) {
  int ascent, descent;
  TextAscentDescent(font, ascent, descent);
  return ascent + descent;
}

QSize MeasureCaption(const QFont& font, const QString& caption) {
  const QFontMetrics metrics(font);
  const int width =
      metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, caption).width();
  return QSize(width, TextHeight(font));
}

void LayoutGlyphAndCaption(const QFont& Font, const TRect& Client, int Offset,
                           TButtonLayout Layout, int Spacing, int Margin, const QImage& Glyph,
                           int NumGlyphs, const QString& Caption, TRect& CaptionRect,
                           QPoint& GlyphOrigin) {
  const QPoint areaSize(Client.Right - Client.Left, Client.Bottom - Client.Top);
  QPoint imageSize(0, 0);
  if (!Glyph.isNull() && NumGlyphs > 0) imageSize = QPoint(Glyph.width() / NumGlyphs, Glyph.height());

  QPoint captionSize(0, 0);
  if (!Caption.isEmpty()) {
    const QSize measured = MeasureCaption(Font, Caption);
    CaptionRect = TRect{0, 0, measured.width(), measured.height()};
    captionSize = QPoint(measured.width(), measured.height());
  } else {
    CaptionRect = TRect{0, 0, 0, 0};
  }

  const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
  QPoint captionPos(0, 0);
  GlyphOrigin = QPoint(0, 0);
  if (horizontal) {
    GlyphOrigin.setY((areaSize.y() - imageSize.y() + 1) / 2);
    captionPos.setY((areaSize.y() - captionSize.y() + 1) / 2);
  } else {
    GlyphOrigin.setX((areaSize.x() - imageSize.x() + 1) / 2);
    captionPos.setX((areaSize.x() - captionSize.x() + 1) / 2);
  }

  if (captionSize.x() == 0 || imageSize.x() == 0) Spacing = 0;

  const auto along = [horizontal](const QPoint& p) { return horizontal ? p.x() : p.y(); };
  if (Margin == -1) {
    if (Spacing == -1) {
      const int block = along(imageSize) + along(captionSize);
      Margin = (along(areaSize) - block) / 3;
      Spacing = Margin;
    } else {
      const int block = along(imageSize) + Spacing + along(captionSize);
      Margin = (along(areaSize) - block + 1) / 2;
    }
  } else if (Spacing == -1) {
    Spacing = (along(areaSize) - Margin - along(imageSize) - along(captionSize)) / 2;
  }

  switch (Layout) {
    case blGlyphLeft:
      GlyphOrigin.setX(Margin);
      captionPos.setX(GlyphOrigin.x() + imageSize.x() + Spacing);
      break;
    case blGlyphRight:
      GlyphOrigin.setX(areaSize.x() - Margin - imageSize.x());
      captionPos.setX(GlyphOrigin.x() - Spacing - captionSize.x());
      break;
    case blGlyphTop:
      GlyphOrigin.setY(Margin);
      captionPos.setY(GlyphOrigin.y() + imageSize.y() + Spacing);
      break;
    case blGlyphBottom:
      GlyphOrigin.setY(areaSize.y() - Margin - imageSize.y());
      captionPos.setY(GlyphOrigin.y() - Spacing - captionSize.y());
      break;
  }

  GlyphOrigin += QPoint(Client.Left + Offset, Client.Top + Offset);
  const int dx = captionPos.x() + Client.Left + Offset;
  const int dy = captionPos.y() + Client.Top + Offset;
  CaptionRect = TRect{CaptionRect.Left + dx, CaptionRect.Top + dy, CaptionRect.Right + dx,
                      CaptionRect.Bottom + dy};
}

void DrawBevelFrame(QPainter& Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  const QColor top = ColorToRGB(TopColor);
  const QColor bottom = ColorToRGB(BottomColor);
  for (int ring = 0; ring < Width; ++ring) {
    const int L = Rect.Left, T = Rect.Top, R = Rect.Right - 1, B = Rect.Bottom - 1;
    if (R >= L && B >= T) {
      // Left column from B - 1 up to T, top row from L to R - 1.
      if (B > T) Canvas.fillRect(L, T, 1, B - T, top);
      if (R > L) Canvas.fillRect(L, T, R - L, 1, top);
      // Right column from T to B, bottom row from R to L.
      Canvas.fillRect(R, T, 1, B - T + 1, bottom);
      Canvas.fillRect(L, B, R - L + 1, 1, bottom);
    }
    Rect = TRect{Rect.Left + 1, Rect.Top + 1, Rect.Right - 1, Rect.Bottom - 1};
  }
}

void DrawTransparent(QImage& Target, const QPoint& Origin, const QImage& Source, QRgb Key) {
  const QImage source = Source.convertToFormat(QImage::Format_RGB32);
  const QRgb key = Key & 0xFFFFFF;
  for (int y = 0; y < source.height(); ++y) {
    const int ty = Origin.y() + y;
    if (ty < 0 || ty >= Target.height()) continue;
    const QRgb* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    for (int x = 0; x < source.width(); ++x) {
      const int tx = Origin.x() + x;
      if (tx < 0 || tx >= Target.width()) continue;
      if ((line[x] & 0xFFFFFF) != key) Target.setPixel(tx, ty, line[x] | 0xFF000000u);
    }
  }
}
