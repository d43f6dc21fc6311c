#include "app/GraphUnit.h"

#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include "app/Fonts.h"
#include "paint/GraphLabelPainter.h"
#include "app/Platform.h"

namespace {

constexpr int ClientWidth = 601;
constexpr int ClientHeight = 457;

// The image control: paints the picture at its top-left corner, unscaled,
// through an indexed image over the picture's own pixels.
class TPictureView : public QWidget {
 public:
  TPictureView(const TPicture& picture, QWidget* parent) : QWidget(parent), picture_(picture) {
    QVector<QRgb> table;
    table.reserve(256);
    for (const TRGB& c : picture.Palette()) table.push_back(qRgb(c.Red, c.Green, c.Blue));
    colourTable_ = table;
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage image(picture_.Pixels(), TPicture::Width, TPicture::Height, TPicture::Width,
                 QImage::Format_Indexed8);
    image.setColorTable(colourTable_);
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.drawImage(0, 0, image);
  }

 private:
  const TPicture& picture_;
  QVector<QRgb> colourTable_;
};

// A label of the window: a QLabel for its text and visibility, drawn by the
// graph labels' painter, which helixor-cli render --labels uses too.
class TGraphLabelView : public QLabel {
 public:
  TGraphLabelView(TGraphLabel label, const char* name, const QString& text, QWidget* parent)
      : QLabel(text, parent), label_(label) {
    setObjectName(QLatin1String(name));
    setFont(GraphLabelFont(label));
    setAlignment((LabelIsRightAligned(label) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    FitBox();
  }

  // The length text's box grows with the text from its left edge.
  void FitBox() { setGeometry(GraphLabelBox(label_, text())); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    PaintGraphLabel(painter, label_, text(), rect());
  }

 private:
  TGraphLabel label_;
};

}  // namespace

TGraphForm::TGraphForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("GraphForm"));
  setWindowTitle(QStringLiteral("Graph"));
  setFixedSize(ClientWidth, ClientHeight);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::WindowText, Qt::white);
  setPalette(palette);
  setFont(WindowFont());

  // Creation order is painting order: later controls cover earlier ones.
  Graph = new TPictureView(picture_, this);
  Graph->setObjectName(QStringLiteral("Graph"));
  Graph->setGeometry(0, 0, ClientWidth, ClientHeight);
  const TGraphLabelTexts initial;
  ZLabel = new TGraphLabelView(TGraphLabel::ZLabel, "ZLabel", QString::fromStdString(initial.ZLabel), this);
  YLabel = new TGraphLabelView(TGraphLabel::YLabel, "YLabel", QString::fromStdString(initial.YLabel), this);
  XLabel = new TGraphLabelView(TGraphLabel::XLabel, "XLabel", QString::fromStdString(initial.XLabel), this);
  ZoomLabel = new TGraphLabelView(TGraphLabel::ZoomLabel, "ZoomLabel", QString::fromStdString(initial.ZoomLabel), this);
  LengthLabel =
      new TGraphLabelView(TGraphLabel::LengthLabel, "LengthLabel", QString::fromStdString(initial.LengthLabel), this);
}

void TGraphForm::FormCreate(const TPlatform& platform, int mainWindowHeight) {
  Place(platform, mainWindowHeight);
  ResetPicture(TBackground::Coord3D);
}

void TGraphForm::Place(const TPlatform& platform, int mainWindowHeight) {
  platform.MoveOuterTo(*this, (platform.ScreenWidth() - platform.OuterSize(*this).width()) / 2,
                       mainWindowHeight + 10);
}

void TGraphForm::ResetPicture(TBackground background) {
  picture_.ResetPicture(background);
  PictureChanged();
}

void TGraphForm::PictureChanged() { Graph->update(); }

void TGraphForm::SetZoomText(const QString& text) { ZoomLabel->setText(text); }

void TGraphForm::SetLengthText(const QString& text) {
  LengthLabel->setText(text);
  static_cast<TGraphLabelView*>(LengthLabel)->FitBox();
}

void TGraphForm::ShowRestored() {
  showNormal();
  raise();
}

void TGraphForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool wasMinimised = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
  if (wasMinimised != isMinimized() && OnMinimisedChange) OnMinimisedChange();
}

void TGraphForm::closeEvent(QCloseEvent* event) {
  if (OnCloseBox) OnCloseBox();
  event->accept();
}
