#include "paint/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>

namespace {

const char* const TahomaFiles[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                   "/usr/share/wine/fonts/tahomabd.ttf"};

// The pixel height of the bold bitmap strike in the registered Tahoma files.
constexpr int TahomaBoldStrike = 11;

bool HasFamily(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

// Whether Tahoma comes from the files registered above rather than from the
// system's own fonts.
bool& UsingRegisteredTahoma() {
  static bool registered = false;
  return registered;
}

}  // namespace

void SetUpFonts() {
  static bool done = false;
  if (done) return;
  done = true;
  if (HasFamily(QStringLiteral("Tahoma"))) return;
  for (const char* file : TahomaFiles)
    if (QFile::exists(QString::fromLatin1(file)) &&
        QFontDatabase::addApplicationFont(QString::fromLatin1(file)) >= 0)
      UsingRegisteredTahoma() = true;
}

qreal ScreenPixelRatio() {
  const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  return app ? app->devicePixelRatio() : 1.0;
}

QFont TahomaBold(int pixelHeight, qreal deviceRatio) {
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  // The strike serves only text drawn with exactly its number of pixels.
  const bool onStrike = pixelHeight == TahomaBoldStrike && qFuzzyCompare(deviceRatio, 1.0);
  if (UsingRegisteredTahoma() && !onStrike) {
    // Liberation Sans Bold comes closest to Tahoma Bold's widths among the
    // free faces (the axis letters must fit their 10- and 11-pixel boxes).
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  } else {
    // Without Tahoma, Liberation Sans keeps the 3-pixel blank the formula
    // labels are measured in; DejaVu Sans's 4-pixel one would not.
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    // Only unantialiased text is drawn from the embedded bitmaps.
    if (UsingRegisteredTahoma()) font.setStyleStrategy(QFont::NoAntialias);
  }
  font.setPixelSize(pixelHeight);
  font.setBold(true);
  // Whole-pixel glyph advances, as the layout was measured with: the blank
  // stretches of the formula labels must end where the fields do.
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

QFont AxisLetterFont() { return TahomaBold(16); }

QString HelpPageFamily() {
  // A system Tahoma has its own bold; otherwise DejaVu Sans, a broad sans
  // like the page's second face, Verdana.
  const bool ownBold = !UsingRegisteredTahoma() && HasFamily(QStringLiteral("Tahoma"));
  return ownBold ? QStringLiteral("Tahoma") : QStringLiteral("DejaVu Sans");
}

QFont WindowFont(qreal deviceRatio) { return TahomaBold(11, deviceRatio); }

namespace {

QFont SymbolFont() {
  QFont symbol(QStringLiteral("Symbol"));
  symbol.setPixelSize(13);
  return symbol;
}

// The code at which the Symbol font has a sign: its Unicode character, or
// the symbol code in the private use area (U+F000 plus the code).
char32_t SymbolCode(char32_t unicode, char32_t symbolCode) {
  const QFontMetrics metrics(SymbolFont());
  if (metrics.inFontUcs4(unicode)) return unicode;
  if (metrics.inFontUcs4(0xF000 + symbolCode)) return 0xF000 + symbolCode;
  return 0;
}

QString Sign(char32_t unicode, char32_t symbolCode) {
  const char32_t code = HasSymbolFont() ? SymbolCode(unicode, symbolCode) : unicode;
  return QString::fromUcs4(&code, 1);
}

}  // namespace

// The Symbol font counts only when it really has both signs.
bool HasSymbolFont() {
  static const bool has = [] {
    if (!HasFamily(QStringLiteral("Symbol"))) return false;
    if (QFontInfo(SymbolFont()).family().compare(QStringLiteral("Symbol"), Qt::CaseInsensitive) != 0)
      return false;
    return SymbolCode(0x2208, 206) != 0 && SymbolCode(0x2192, 174) != 0;
  }();
  return has;
}

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

QString ElementOfSign() { return Sign(0x2208, 206); }

QString RightArrowSign() { return Sign(0x2192, 174); }
