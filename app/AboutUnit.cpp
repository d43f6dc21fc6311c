#include "app/AboutUnit.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/Fonts.h"
#include "app/Resources.h"
#include "controls/FlatUtilitys.h"

namespace {

constexpr int PanelWidth = 228;
constexpr int PanelHeight = 170;

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  InitHelixorResources();
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(PanelWidth, PanelHeight);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::WindowText, Qt::white);
  setPalette(palette);
  setFont(WindowFont());

  Label2 = MakeLabel(this, "Label2", 12, 11, QStringLiteral("Quillon"));
  Label2->setFont(TahomaBold(16));
  Label2->adjustSize();
  Label6 = new QLabel(QStringLiteral("v 1.0 - 21.09.03"), this);
  Label6->setObjectName(QStringLiteral("Label6"));
  Label6->setAlignment(Qt::AlignRight | Qt::AlignTop);
  // Right-aligned in a box as wide as the line (86 pixels in Tahoma) at the
  // left edge 12 of every line: in any face the line starts at that edge,
  // and nothing is cut off.
  Label6->setGeometry(12, 32, Label6->sizeHint().width(), Label6->sizeHint().height());
  Label1 = MakeLabel(this, "Label1", 12, 51, QStringLiteral("Space curves for fun"));
  Label4 = MakeLabel(this, "Label4", 12, 72, QStringLiteral("Freeware"));
  Label3 = MakeLabel(this, "Label3", 12, 93, QStringLiteral("quillon@example.org"));
  Label5 = MakeLabel(this, "Label5", 12, 115, QStringLiteral("www.example.org/helixor"));

  Logo = new QLabel(this);
  Logo->setObjectName(QStringLiteral("Logo"));
  Logo->setGeometry(160, 16, 57, 65);
  Logo->setPixmap(QPixmap(QStringLiteral(":/logo.png")));

  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setGeometry(73, 139, 73, 19);
  QPalette buttonPalette = OkButton->palette();
  buttonPalette.setColor(QPalette::ButtonText, Qt::black);
  buttonPalette.setColor(QPalette::Button, ColorToRGB(clBtnFace));
  OkButton->setPalette(buttonPalette);
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  setFocusProxy(OkButton);
}

void TAboutForm::ShowOver(const QRect& reference) {
  const QRect own = frameGeometry();
  move(reference.left() + (reference.width() - own.width()) / 2,
       reference.top() + (reference.height() - own.height()) / 2);
  show();
  raise();
  activateWindow();
  OkButton->setFocus();
}

void TAboutForm::OKButtonClick() { close(); }

// An etched bevel round the whole panel: a shadow ring outside, a light
// ring inside it.
void TAboutForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter p(this);
  const QColor shadow = ColorToRGB(clBtnShadow);
  const QColor light = ColorToRGB(clBtnHighlight);
  const int w = width(), h = height();
  auto frame = [&](int x0, int y0, int x1, int y1, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(x0, y0, x1, y0);
    p.drawLine(x0, y0, x0, y1);
    p.setPen(bottomRight);
    p.drawLine(x1, y0, x1, y1);
    p.drawLine(x0, y1, x1, y1);
  };
  frame(0, 0, w - 2, h - 2, shadow, light);
  frame(1, 1, w - 1, h - 1, light, shadow);
  // The two corners that neither ring reaches close the outer one.
  p.setPen(shadow);
  p.drawPoint(0, h - 1);
  p.drawPoint(w - 1, 0);
}
