#include "paint/GraphLabelPainter.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

#include "paint/Fonts.h"
#include "paint/LabelledPicture.h"

namespace {

Qt::Alignment AlignmentOf(TGraphLabel label) {
  return (LabelIsRightAligned(label) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
}

QString TextOf(const std::string& utf8) { return QString::fromStdString(utf8); }

// The labels that are shown, with their texts, in painting order.
std::vector<std::pair<TGraphLabel, QString>> ShownLabels(const TGraphLabelTexts& texts) {
  std::vector<std::pair<TGraphLabel, QString>> shown;
  for (TGraphLabel label : AllGraphLabels) {
    switch (label) {
      case TGraphLabel::ZLabel:
        if (texts.ZLabelShown) shown.emplace_back(label, TextOf(texts.ZLabel));
        break;
      case TGraphLabel::YLabel: shown.emplace_back(label, TextOf(texts.YLabel)); break;
      case TGraphLabel::XLabel: shown.emplace_back(label, TextOf(texts.XLabel)); break;
      case TGraphLabel::ZoomLabel: shown.emplace_back(label, TextOf(texts.ZoomLabel)); break;
      case TGraphLabel::LengthLabel: shown.emplace_back(label, TextOf(texts.LengthLabel)); break;
    }
  }
  return shown;
}

// The toolkit's own warnings (such as an unset runtime folder) are no
// concern of a command-line user; its critical messages still show.
void QuietToolkit(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

// helixor-cli has no application object of its own: the labels need one
// for the fonts, on the platform that needs no display.
void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  qInstallMessageHandler(QuietToolkit);
  static int argc = 3;
  static char name[] = "helixor-cli", option[] = "-platform", platform[] = "offscreen";
  static char* argv[] = {name, option, platform, nullptr};
  // Kept to the end of the process, past every static that uses fonts.
  new QGuiApplication(argc, argv);
  SetUpFonts();
}

}  // namespace

QFont GraphLabelFont(TGraphLabel label, qreal deviceRatio) {
  return LabelIsOpaque(label) ? TahomaBold(LabelPixelHeight(label), deviceRatio)
                              : WindowFont(deviceRatio);
}

QRect GraphLabelBox(TGraphLabel label, const QString& text, qreal deviceRatio) {
  const TLabelBox box = FixedLabelBox(label);
  QRect rect(box.Left, box.Top, box.Width, box.Height);
  if (label == TGraphLabel::LengthLabel)
    rect.setWidth(QFontMetrics(GraphLabelFont(label, deviceRatio)).horizontalAdvance(text));
  return rect;
}

void PaintGraphLabel(QPainter& painter, TGraphLabel label, const QString& text, const QRect& box) {
  painter.save();
  painter.setClipRect(box);
  if (LabelIsOpaque(label)) painter.fillRect(box, Qt::black);
  const QPaintDevice* device = painter.device();
  painter.setFont(GraphLabelFont(label, device ? device->devicePixelRatio() : 1.0));
  painter.setPen(Qt::white);
  painter.drawText(box, static_cast<int>(AlignmentOf(label)), text);
  painter.restore();
}

TRgbImage GraphWindowImageOf(const std::uint8_t* pixels, const TPalette& palette,
                             const TGraphLabelTexts& texts) {
  EnsureGuiApplication();
  QImage window(GraphClientWidth, GraphClientHeight, QImage::Format_RGB32);
  window.fill(Qt::black);
  {
    QImage indexed(pixels, TPicture::Width, TPicture::Height, TPicture::Width, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const TRGB& c : palette) table.push_back(qRgb(c.Red, c.Green, c.Blue));
    indexed.setColorTable(table);
    QPainter painter(&window);
    painter.drawImage(0, 0, indexed);
    for (const auto& [label, text] : ShownLabels(texts))
      PaintGraphLabel(painter, label, text, GraphLabelBox(label, text, window.devicePixelRatio()));
  }
  TRgbImage image;
  image.Width = GraphClientWidth;
  image.Height = GraphClientHeight;
  image.Rgb.reserve(static_cast<std::size_t>(image.Width) * image.Height * 3);
  for (int y = 0; y < image.Height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(window.constScanLine(y));
    for (int x = 0; x < image.Width; ++x) {
      image.Rgb.push_back(static_cast<std::uint8_t>(qRed(row[x])));
      image.Rgb.push_back(static_cast<std::uint8_t>(qGreen(row[x])));
      image.Rgb.push_back(static_cast<std::uint8_t>(qBlue(row[x])));
    }
  }
  return image;
}

std::vector<TPlacedLabel> PlaceGraphLabels(const TGraphLabelTexts& texts) {
  EnsureGuiApplication();
  std::vector<TPlacedLabel> placed;
  for (const auto& [label, text] : ShownLabels(texts)) {
    // Placed as in the window's picture, which is drawn one pixel per pixel.
    const QRect box = GraphLabelBox(label, text, 1.0);
    // drawText puts the first line's ascent below the box's top.
    const QFontMetricsF metrics(GraphLabelFont(label, 1.0));
    TPlacedLabel p;
    p.Label = label;
    p.Box = {box.left(), box.top(), box.width(), box.height()};
    p.Text = text.toStdString();
    p.AnchorX = LabelIsRightAligned(label) ? box.left() + box.width() : box.left();
    p.Baseline = box.top() + metrics.ascent();
    placed.push_back(p);
  }
  return placed;
}
