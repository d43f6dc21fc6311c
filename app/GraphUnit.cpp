#include "app/GraphUnit.h"

#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include "app/Fonts.h"
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

QLabel* AxisLetter(QWidget* parent, const char* name, const QString& text, int left, int top,
                   int width, int height) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setFont(AxisLetterFont());
  label->setGeometry(left, top, width, height);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setAutoFillBackground(true);  // opaque: its box shows the window's black
  return label;
}

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
  ZLabel = AxisLetter(this, "ZLabel", QStringLiteral("Z"), 163, 430, 10, 19);
  YLabel = AxisLetter(this, "YLabel", QStringLiteral("Y"), 279, 4, 11, 19);
  XLabel = AxisLetter(this, "XLabel", QStringLiteral("X"), 584, 250, 11, 19);

  ZoomLabel = new QLabel(QStringLiteral("Zoom  :"), this);
  ZoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
  ZoomLabel->setGeometry(480, 436, 113, 13);
  ZoomLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);

  LengthLabel = new QLabel(QStringLiteral("Length :"), this);
  LengthLabel->setObjectName(QStringLiteral("LengthLabel"));
  LengthLabel->move(10, 436);
  LengthLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LengthLabel->adjustSize();
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
  LengthLabel->adjustSize();  // the box grows with the text from its left edge
}

void TGraphForm::closeEvent(QCloseEvent* event) {
  if (OnCloseBox) OnCloseBox();
  event->accept();
}
