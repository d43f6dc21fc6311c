#pragma once
// TAboutForm: the small borderless black panel with the maker, the version
// and the logo, shown without blocking over the graph or the main window.

#include <QWidget>

class QLabel;
class QPushButton;

class TAboutForm : public QWidget {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);

  // Centres the panel over the reference window's outer rectangle, shows
  // it and brings it to the front (also when it is already visible).
  void ShowOver(const QRect& reference);
  void OKButtonClick();

  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Logo;
  QPushButton* OkButton;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
