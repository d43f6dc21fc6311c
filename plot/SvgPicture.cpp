#include "plot/SvgPicture.h"

#include "evaluator/DecimalText.h"
#include "plot/BackgroundShapes.h"

namespace {

// The shortest text that reads back to the same value.
void AppendNumber(std::string& out, double value) {
  char buffer[64];
  out.append(buffer, FormatShortest(buffer, value));
}
void AppendNumber(std::string& out, Extended value) {
  char buffer[64];
  out.append(buffer, FormatShortest(buffer, BitsOfExtended(value)));
}

std::string Hex(const TRGB& c) {
  static const char digits[] = "0123456789abcdef";
  std::string s = "#";
  for (std::uint8_t v : {c.Red, c.Green, c.Blue}) {
    s += digits[v >> 4];
    s += digits[v & 15];
  }
  return s;
}

void AppendEscaped(std::string& out, const std::string& text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

}  // namespace

TSvgWriter::TSvgWriter(TBackground background, bool labels, TSink sink) : sink_(std::move(sink)) {
  const TPalette& palette = GraphPalette();
  const int width = labels ? GraphClientWidth : TPicture::Width;
  const int height = labels ? GraphClientHeight : TPicture::Height;
  std::string& out = out_;
  out.reserve(1 << 17);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + std::to_string(width) +
         "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
         std::to_string(height) + "\">\n";
  if (labels) out += "<rect width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" fill=\"#000000\"/>\n";
  out += "<rect width=\"600\" height=\"451\" fill=\"" + Hex(palette[BackgroundEntry]) + "\"/>\n";

  // The axes: each shape of the background as a polygon.
  out += "<g fill=\"" + Hex(palette[BrightestGrey]) + "\" stroke=\"none\">\n";
  for (const TShape& shape : BackgroundShapes(background)) {
    out += "<polygon points=\"";
    for (std::size_t i = 0; i < shape.size(); ++i) {
      if (i) out += ' ';
      AppendNumber(out, shape[i].X);
      out += ',';
      AppendNumber(out, shape[i].Y);
    }
    out += "\"/>\n";
  }
  out += "</g>\n";
}

void TSvgWriter::Point(const TCurvePoint& point) {
  // The curve, clipped to the picture as the raster is.
  if (points_++ == 0) {
    out_ += "<clipPath id=\"picture\"><rect width=\"600\" height=\"451\"/></clipPath>\n";
    out_ += "<polyline clip-path=\"url(#picture)\" fill=\"none\" stroke=\"" + Hex(GraphPalette()[PureRedEntry]) +
            "\" stroke-width=\"1\" stroke-linejoin=\"round\" points=\"";
  } else {
    out_ += ' ';
  }
  AppendNumber(out_, point.X);
  out_ += ',';
  AppendNumber(out_, point.Y);
  Pass(false);
}

void TSvgWriter::Pass(bool all) {
  if (out_.empty() || (!all && out_.size() < (1 << 16))) return;
  sink_(out_);
  out_.clear();
}

void TSvgWriter::Finish(const std::vector<TPlacedLabel>* labels) {
  std::string& out = out_;
  if (points_) out += "\"/>\n";
  if (labels) {
    out += "<g font-family=\"Tahoma, Verdana, 'DejaVu Sans', 'Liberation Sans', sans-serif\" "
           "font-weight=\"bold\" fill=\"#ffffff\">\n";
    for (const TPlacedLabel& label : *labels) {
      const TLabelBox& box = label.Box;
      const std::string rect = "x=\"" + std::to_string(box.Left) + "\" y=\"" + std::to_string(box.Top) +
                               "\" width=\"" + std::to_string(box.Width) + "\" height=\"" +
                               std::to_string(box.Height) + "\"";
      if (LabelIsOpaque(label.Label)) out += "<rect " + rect + " fill=\"#000000\"/>\n";
      // A zoom text wider than its fixed box is cut at the box's left, as in
      // the window. The other boxes fit their texts in the window's font; a
      // viewer's substitute font may be wider, so they are not cut.
      const bool rightAligned = LabelIsRightAligned(label.Label);
      if (rightAligned) out += "<clipPath id=\"zoom\"><rect " + rect + "/></clipPath>\n";
      out += "<text xml:space=\"preserve\" x=\"";
      AppendNumber(out, label.AnchorX);
      out += "\" y=\"";
      AppendNumber(out, label.Baseline);
      out += "\" font-size=\"" + std::to_string(LabelPixelHeight(label.Label)) + "px\"";
      if (rightAligned) out += " text-anchor=\"end\" clip-path=\"url(#zoom)\"";
      out += ">";
      AppendEscaped(out, label.Text);
      out += "</text>\n";
    }
    out += "</g>\n";
  }
  out += "</svg>\n";
  Pass(true);
}

std::string SvgPicture(TBackground background, const std::vector<TCurvePoint>& curve,
                       const std::vector<TPlacedLabel>* labels) {
  std::string svg;
  TSvgWriter writer(background, labels != nullptr, [&svg](std::string_view bytes) { svg.append(bytes); });
  for (const TCurvePoint& point : curve) writer.Point(point);
  writer.Finish(labels);
  return svg;
}
