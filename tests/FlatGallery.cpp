// Gallery of the flat controls in each of their states, with the main
// window's colours and font. Each control is put into its state, grabbed,
// and drawn into one sheet, which is shown and, given a file name, saved
// as PNG (the program then quits).
//
//   flat_gallery [sheet.png]

#include "controls/PlatformFacts.h"
#include "controls/TFlatButtonUnit.h"
#include "controls/TFlatEditUnit.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <functional>

namespace {

QFont MainWindowFont() {
  QFontDatabase::addApplicationFont("/usr/share/wine/fonts/tahoma.ttf");
  QFontDatabase::addApplicationFont("/usr/share/wine/fonts/tahomabd.ttf");
  QFont font("Tahoma");
  font.setBold(true);
  font.setPixelSize(11);
  return font;
}

void StyleButton(TFlatButton& b) {
  b.SetColorFocused(clBtnShadow);
  b.SetColorDown(clBtnShadow);
  b.SetColorBorder(8404992);
  b.SetColorHighLight(8404992);
  b.SetColorShadow(clBlack);
  b.SetColor(clBtnFace);
}

void StyleEdit(TFlatEdit& e) {
  e.SetColorFocused(clBtnShadow);
  e.SetColorBorder(clRed);
  e.SetColorFlat(clBtnFace);
}

void Press(QWidget& w) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(w.mapToGlobal(QPoint(5, 5))),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &press);
}

void Enter(QWidget& w) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(w.mapToGlobal(QPoint(5, 5))));
  QApplication::sendEvent(&w, &enter);
}

QImage GlyphStrip() {
  // Four 16 x 16 images on a magenta key colour: a black diamond, then the
  // same in grey, dark blue and dark green.
  const QColor colours[] = {Qt::black, Qt::gray, QColor(0, 0, 128), QColor(0, 100, 0)};
  QImage strip(64, 16, QImage::Format_RGB32);
  strip.fill(QColor(255, 0, 255));
  for (int i = 0; i < 4; ++i)
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        if (std::abs(x - 7) + std::abs(y - 7) <= 5) strip.setPixelColor(16 * i + x, y, colours[i]);
  return strip;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The sheet shows the hover looks whether or not the window manager
  // activates the window.
  PlatformFacts::Pins pins;
  pins.Active = [] { return true; };
  PlatformFacts::SetPins(pins);

  QWidget form;
  form.setWindowTitle("Flat controls");
  form.setFont(MainWindowFont());
  QPalette palette = form.palette();
  palette.setColor(QPalette::Window, ColorToRGB(clBtnFace));
  form.setPalette(palette);
  form.resize(520, 420);
  form.show();
  form.activateWindow();
  QApplication::processEvents();

  struct Cell {
    QString Label;
    QImage Picture;
  };
  QList<Cell> edits, buttons;

  auto grabEdit = [&](const QString& label, const std::function<void(TFlatEdit&, TFlatEdit&, TFlatButton&)>& setup) {
    TFlatEdit subject(&form), other(&form);
    TFlatButton button(&form);
    for (TFlatEdit* e : {&subject, &other}) StyleEdit(*e);
    subject.setGeometry(10, 10, 65, 19);
    other.setGeometry(10, 40, 65, 19);
    button.setGeometry(10, 70, 73, 19);
    subject.setText("      x(t)");
    subject.show(), other.show(), button.show();
    setup(subject, other, button);
    QApplication::processEvents();
    edits.append({label, subject.grab().toImage()});
  };
  grabEdit("flat", [](TFlatEdit&, TFlatEdit&, TFlatButton& b) { b.setFocus(); });
  grabEdit("focused", [](TFlatEdit& s, TFlatEdit&, TFlatButton&) { s.setFocus(); });
  grabEdit("hovered", [](TFlatEdit& s, TFlatEdit&, TFlatButton& b) { b.setFocus(); Enter(s); });
  grabEdit("hovered, other field focused",
           [](TFlatEdit& s, TFlatEdit& o, TFlatButton&) { o.setFocus(); Enter(s); });
  grabEdit("disabled", [](TFlatEdit& s, TFlatEdit&, TFlatButton& b) { b.setFocus(); s.setEnabled(false); });

  auto grabButton = [&](const QString& label, const QString& caption,
                        const std::function<void(TFlatButton&, TFlatButton&)>& setup, int height = 19) {
    TFlatButton subject(&form), member(&form);
    StyleButton(subject);
    StyleButton(member);
    subject.setGeometry(200, 10, 73, height);
    member.setGeometry(200, 40, 73, 19);
    subject.SetCaption(caption);
    subject.show(), member.show();
    setup(subject, member);
    QApplication::processEvents();
    buttons.append({label, subject.grab().toImage()});
  };
  auto none = [](TFlatButton&, TFlatButton&) {};
  grabButton("up", "Front", none);
  grabButton("under the mouse", "Front", [](TFlatButton& b, TFlatButton&) { b.MouseEnterButton(); });
  grabButton("pressed", "Draw !", [](TFlatButton& b, TFlatButton&) { Press(b); }, 27);
  grabButton("down member", "Isometric", [](TFlatButton& b, TFlatButton& m) {
    b.SetGroupIndex(1);
    m.SetGroupIndex(1);
    b.SetDown(true);
  });
  grabButton("down member, mouse over", "Isometric", [](TFlatButton& b, TFlatButton&) {
    b.SetGroupIndex(1);
    b.SetDown(true);
    b.MouseEnterButton();
  });
  grabButton("disabled", "Save BMP", [](TFlatButton& b, TFlatButton&) { b.setEnabled(false); });
  grabButton("accelerator", "&Load FNC", none);
  grabButton("glyph strip, up", "", [](TFlatButton& b, TFlatButton&) { b.SetGlyph(GlyphStrip()); }, 27);
  grabButton("glyph strip, pressed", "", [](TFlatButton& b, TFlatButton&) {
    b.SetGlyph(GlyphStrip());
    Press(b);
  }, 27);
  grabButton("glyph left of caption", "Help", [](TFlatButton& b, TFlatButton&) {
    b.SetGlyph(GlyphStrip().copy(0, 0, 16, 16));
    b.SetLayout(blGlyphLeft);
    b.resize(73, 27);
  }, 27);
  grabButton("one glyph, disabled", "Help", [](TFlatButton& b, TFlatButton&) {
    b.SetGlyph(GlyphStrip().copy(0, 0, 16, 16));
    b.SetLayout(blGlyphLeft);
    b.setEnabled(false);
  }, 27);

  // The sheet: one row per state, label left, control right.
  const int rowHeight = 34, labelWidth = 230;
  QImage sheet(labelWidth + 110, 30 + rowHeight * int(edits.size() + buttons.size()) + 30,
               QImage::Format_RGB32);
  sheet.fill(ColorToRGB(clBtnFace));
  {
    QPainter painter(&sheet);
    painter.setFont(MainWindowFont());
    int y = 8;
    auto heading = [&](const QString& text) {
      painter.drawText(QRect(8, y, labelWidth, 16), Qt::AlignLeft | Qt::AlignVCenter, text);
      y += 20;
    };
    auto row = [&](const Cell& cell) {
      painter.drawText(QRect(16, y, labelWidth - 16, 27), Qt::AlignLeft | Qt::AlignVCenter, cell.Label);
      painter.drawImage(labelWidth, y, cell.Picture);
      y += rowHeight;
    };
    heading("TFlatEdit");
    for (const Cell& c : edits) row(c);
    heading("TFlatButton");
    for (const Cell& c : buttons) row(c);
  }

  form.hide();
  QLabel view;
  view.setWindowTitle("Flat controls");
  view.setPixmap(QPixmap::fromImage(sheet));
  view.setFixedSize(sheet.size());
  view.move(0, 0);
  view.show();

  if (argc > 1) {
    const QString path = QString::fromLocal8Bit(argv[1]);
    QTimer::singleShot(500, [&sheet, &app, path] {
      sheet.save(path);
      // Keep the window up a little longer for an outside screenshot.
      QTimer::singleShot(qEnvironmentVariableIntValue("GALLERY_HOLD_MS"), &app, &QApplication::quit);
    });
  }
  return app.exec();
}
