#include "app/Fonts.h"

#include <QFile>
#include <QFontDatabase>

namespace {

const char* const TahomaFiles[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                   "/usr/share/wine/fonts/tahomabd.ttf"};

bool HasFamily(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace

void SetUpFonts() {
  static bool done = false;
  if (done) return;
  done = true;
  if (HasFamily(QStringLiteral("Tahoma"))) return;
  for (const char* file : TahomaFiles)
    if (QFile::exists(QString::fromLatin1(file)))
      QFontDatabase::addApplicationFont(QString::fromLatin1(file));
}

QFont TahomaBold(int pixelHeight) {
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Verdana"),
                    QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
  font.setPixelSize(pixelHeight);
  font.setBold(true);
  // Whole-pixel glyph advances, as the layout was measured with: the blank
  // stretches of the formula labels must end where the fields do.
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

QFont WindowFont() { return TahomaBold(11); }

bool HasSymbolFont() { return HasFamily(QStringLiteral("Symbol")); }

QFont SignFont(int pixelHeight) {
  QFont font;
  if (HasSymbolFont()) {
    font.setFamily(QStringLiteral("Symbol"));
  } else {
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Tahoma")});
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPixelSize(pixelHeight);
  font.setBold(false);
  return font;
}

// The Symbol font's codes 206 and 174 sit in the private use area at
// U+F000 plus the code in its Unicode character map.
QString ElementOfSign() {
  return HasSymbolFont() ? QString(QChar(0xF0CE)) : QString(QChar(0x2208));
}

QString RightArrowSign() {
  return HasSymbolFont() ? QString(QChar(0xF0AE)) : QString(QChar(0x2192));
}
