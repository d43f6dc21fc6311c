// The graph window's labels: the window and helixor-cli render --labels
// draw them through the same painter, so the exported picture is the
// window's client area pixel for pixel.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QXmlStreamReader>

#include "../plot/CliProcess.h"
#include "app/GraphUnit.h"
#include "paint/Fonts.h"
#include "paint/GraphLabelPainter.h"
#include "paint/LabelledPicture.h"
#include "plot/DrawCommand.h"
#include "plot/SvgPicture.h"

namespace {

// Draws into the graph window as the main window does.
class TWindowDraw : public TDrawInputs, public TDrawOutputs {
 public:
  explicit TWindowDraw(TGraphForm& form) : form_(form) {}
  std::string FieldText(TField f) const override { return texts[static_cast<int>(f)]; }
  TView View() const override { return view; }
  void SetZoomLabel(const std::string& t) override {
    form_.SetZoomText(QString::fromStdString(t));
    labels.ZoomLabel = t;
  }
  void SetLengthLabel(const std::string& t) override {
    form_.SetLengthText(QString::fromStdString(t));
    labels.LengthLabel = t;
  }
  void ShowErrorDialog(const std::string&) override {}
  void SetGraphDrawn(bool) override {}

  // Runs the command in the view, with the letters as the view command sets them.
  void Draw(TView v) {
    view = v;
    SetLettersOfView(labels, v);
    form_.ZLabel->setVisible(labels.ZLabelShown);
    form_.XLabel->setText(QString::fromStdString(labels.XLabel));
    form_.YLabel->setText(QString::fromStdString(labels.YLabel));
    form_.ZLabel->setText(QString::fromStdString(labels.ZLabel));
    TDrawCommand command(*this, *this, form_.Picture());
    try {
      command.DrawButtonClick();
    } catch (const std::exception&) {
    }
    form_.PictureChanged();
  }

  std::array<std::string, 6> texts{"0", "6*pi", "COS(t)", "SIN(t)", "t/3", "300"};
  TView view = TView::Isometric;
  TGraphLabelTexts labels;

 private:
  TGraphForm& form_;
};

// Pixels that differ between the two, inside the box.
int Differing(const QImage& a, const QImage& b, const QRect& box) {
  int n = 0;
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

int Lit(const QImage& image, const QRect& box) {
  int n = 0;
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x) n += qGreen(image.pixel(x, y)) > 128;
  return n;
}

// Mean length of the horizontal runs of lit pixels: the stroke width of
// white text on black.
double MeanStroke(const QImage& image) {
  long total = 0, runs = 0;
  for (int y = 0; y < image.height(); ++y) {
    int length = 0;
    for (int x = 0; x <= image.width(); ++x) {
      if (x < image.width() && qGreen(image.pixel(x, y)) > 128) {
        ++length;
      } else if (length > 0) {
        total += length;
        ++runs;
        length = 0;
      }
    }
  }
  return runs ? double(total) / runs : 0.0;
}

class GraphLabelsTest : public testing::Test {
 protected:
  // As the program starts.
  static void SetUpTestSuite() { SetUpFonts(); }

  QImage Grab() { return form.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  TGraphForm form;
  TWindowDraw draw{form};
};

TEST_F(GraphLabelsTest, CommandLinePictureIsTheWindowsGrab) {
  // The helix, as helixor-cli draws it in a process of its own, which starts
  // as the window does: stopped by n = 0 in the isometric view (a new zoom,
  // the first length text), then complete in the left view (no Z letter, Z
  // across).
  struct Case {
    TView view;
    const char* viewName;
    const char* precission;
    int status;
  } cases[] = {{TView::Isometric, "isometric", "0", 1}, {TView::Left, "left", "2000", 0}};
  draw.texts = {"0", "20*pi", "COS(t)", "SIN(t)", "t/10", ""};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.viewName);
    draw.texts[5] = c.precission;
    const TProcessResult r = RunProcess(
        HELIXOR_CLI, {"render", "--set=AEdit=0", "--set=BEdit=20*pi", "--set=xt=COS(t)", "--set=yt=SIN(t)",
                      "--set=zt=t/10", std::string("--set=Precission=") + c.precission,
                      std::string("--view=") + c.viewName, "--labels", "-o-", "--format=png"});
    ASSERT_EQ(r.Status, c.status) << r.Err;
    draw.Draw(c.view);
    const QImage exported =
        QImage::fromData(QByteArray::fromStdString(r.Out), "PNG").convertToFormat(QImage::Format_RGB32);
    const QImage window = Grab();
    ASSERT_EQ(window.size(), QSize(GraphClientWidth, GraphClientHeight));
    ASSERT_EQ(exported.size(), window.size());
    for (QLabel* label : {form.ZLabel, form.YLabel, form.XLabel, form.ZoomLabel, form.LengthLabel}) {
      SCOPED_TRACE(label->objectName().toStdString());
      EXPECT_EQ(Differing(window, exported, label->geometry()), 0);
      if (label->isVisible()) {
        EXPECT_GT(Lit(exported, label->geometry()), 5);
      }
    }
    EXPECT_EQ(Differing(window, exported, window.rect()), 0);
  }
}

TEST_F(GraphLabelsTest, LabelsStandInTheWindowsBoxes) {
  draw.Draw(TView::Isometric);
  const std::vector<TPlacedLabel> placed = PlaceGraphLabels(draw.labels);
  ASSERT_EQ(placed.size(), 5u);
  const QLabel* widgets[] = {form.ZLabel, form.YLabel, form.XLabel, form.ZoomLabel, form.LengthLabel};
  const QRect fixed[] = {{163, 430, 10, 19}, {279, 4, 11, 19}, {584, 250, 11, 19}, {480, 436, 113, 13}};
  for (std::size_t k = 0; k < placed.size(); ++k) {
    SCOPED_TRACE(k);
    const TLabelBox& b = placed[k].Box;
    const QRect box(b.Left, b.Top, b.Width, b.Height);
    EXPECT_EQ(box, widgets[k]->geometry());
    if (k < 4) {
      EXPECT_EQ(box, fixed[k]);
    }
    EXPECT_EQ(placed[k].Text, widgets[k]->text().toStdString());
    EXPECT_GT(placed[k].Baseline, b.Top);
    EXPECT_LE(placed[k].Baseline, b.Top + b.Height);
  }
  // The length text's box starts at (10, 436) and grows with the text.
  EXPECT_EQ(form.LengthLabel->pos(), QPoint(10, 436));
  const int shortWidth = GraphLabelBox(TGraphLabel::LengthLabel, QStringLiteral("Length :")).width();
  EXPECT_GT(form.LengthLabel->width(), shortWidth);
  EXPECT_EQ(placed[3].AnchorX, 593);  // right-aligned zoom text
  // A flat view leaves the Z letter out.
  draw.Draw(TView::Front);
  EXPECT_EQ(PlaceGraphLabels(draw.labels).size(), 4u);
}

TEST_F(GraphLabelsTest, TextsStayBoldOnAScaledDevice) {
  // The zoom text as the window paints it, on a device of 2 device pixels
  // per pixel. With its upright strokes (the ones) the regular face's runs
  // average about 1.6 pixels there, the bold one's 2.
  const QString text = QStringLiteral("Zoom : 1.1111");
  const QRect box = GraphLabelBox(TGraphLabel::ZoomLabel, text, 2.0).translated(-480, -436);
  QImage image(box.size() * 2, QImage::Format_RGB32);
  image.setDevicePixelRatio(2.0);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    PaintGraphLabel(painter, TGraphLabel::ZoomLabel, text, box);
  }
  EXPECT_GE(MeanStroke(image) / 2.0, 1.8);
  EXPECT_TRUE(GraphLabelFont(TGraphLabel::ZoomLabel, 2.0).bold());
}

TEST_F(GraphLabelsTest, LabelledSvgIsWellFormedXml) {
  draw.labels.ZoomLabel = "Zoom  : <&>";
  const std::vector<TPlacedLabel> placed = PlaceGraphLabels(draw.labels);
  const std::string svg = SvgPicture(TBackground::Coord3D, {{298, 241}, {300.25, 100.5}}, &placed);
  QXmlStreamReader xml(QByteArray::fromStdString(svg));
  QStringList texts;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
      texts << xml.readElementText();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(texts, (QStringList{"Z", "Y", "X", "Zoom  : <&>", "Length :"}));
}

TEST(ProgramOptionsTest, HelpAndVersionNeedNoWindow) {
  // A platform that cannot start: the answer must come before it is needed.
  const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb";
  for (const char* flag : {"--help", "-h"}) {
    const TProcessResult r = RunProcess(HELIXOR_APP, {flag}, noDisplay);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("usage: helixor [FILE.fnc]\n", 0), 0u);
    EXPECT_NE(r.Out.find("./--help"), std::string::npos);
  }
  for (const char* flag : {"--version", "-V"}) EXPECT_EQ(RunProcess(HELIXOR_APP, {flag}, noDisplay).Out, "helixor 1.0\n");
}

}  // namespace
