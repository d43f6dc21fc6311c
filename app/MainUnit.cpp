#include "app/MainUnit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <utility>
#include <QShowEvent>

#include "app/AboutUnit.h"
#include "app/Command.h"
#include "app/Dialogs.h"
#include "app/Fonts.h"
#include "app/GraphUnit.h"
#include "app/HelpUnit.h"
#include "app/Platform.h"
#include "controls/HSLUtils.h"
#include "controls/TFlatButtonUnit.h"
#include "controls/TFlatEditUnit.h"
#include "files/FunctionFile.h"
#include "plot/DrawCommand.h"

namespace {

constexpr int ClientWidth = 502;
constexpr int ClientHeight = 134;
// Border and highlight of the buttons: red 0, green 64, blue 128.
constexpr TColor ButtonFrameColor = 8404992;

const QString FunctionFilter = QStringLiteral("Function (*.fnc);;All Files (*.*)");
const QString BitmapFilter = QStringLiteral("Bitmaps (*.bmp)");

// Removes leading and trailing characters of code 32 and below.
QString TrimControls(const QString& text) {
  qsizetype first = 0, last = text.size();
  while (first < last && text[first].unicode() <= 32) ++first;
  while (last > first && text[last - 1].unicode() <= 32) --last;
  return text.mid(first, last - first);
}

QByteArray TrimControls(const QByteArray& bytes) {
  qsizetype first = 0, last = bytes.size();
  while (first < last && static_cast<unsigned char>(bytes[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(bytes[last - 1]) <= 32) --last;
  return bytes.mid(first, last - first);
}

// A label whose blank stretches are covered by fields: the formulas of the
// top row. Its words stand where the window font's own advances put them, so
// that they meet the fields also where the text is drawn in another face (on
// a scaled screen, whose font has other widths).
class TFormulaLabel : public QLabel {
 public:
  using QLabel::QLabel;

  // The words of the text with their left edges, by the window font's
  // advances at one device pixel per pixel.
  QList<std::pair<int, QString>> Words() const {
    const QFontMetrics layout(WindowFont(1.0));
    const QString caption = text();
    QList<std::pair<int, QString>> words;
    for (qsizetype i = 0; i < caption.size();) {
      if (caption[i] == QLatin1Char(' ')) {
        ++i;
        continue;
      }
      qsizetype end = i;
      while (end < caption.size() && caption[end] != QLatin1Char(' ')) ++end;
      words.append({layout.horizontalAdvance(caption.left(i)), caption.mid(i, end - i)});
      i = end;
    }
    return words;
  }

  QSize sizeHint() const override {
    const QFontMetrics metrics(font());
    int width = 0;
    for (const auto& [left, word] : Words())
      width = std::max(width, left + metrics.horizontalAdvance(word));
    return {std::max(width, QLabel::sizeHint().width()), QLabel::sizeHint().height()};
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (font() == WindowFont(1.0)) {
      QLabel::paintEvent(event);  // the window font's own layout already
      return;
    }
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int baseline = (height() - QFontMetrics(font()).height()) / 2 + QFontMetrics(font()).ascent();
    for (const auto& [left, word] : Words()) painter.drawText(left, baseline, word);
  }
};

}  // namespace

// The Draw command's view of the two windows: the six field texts and the
// view button that is down; the two labels, the error dialog and GraphDrawn.
class TMainForm::TDrawAdapter : public TDrawInputs, public TDrawOutputs {
 public:
  explicit TDrawAdapter(TMainForm& form) : form_(form) {}

  std::string FieldText(TField field) const override {
    return form_.Fields()[static_cast<int>(field)]->text().toStdString();
  }
  TView View() const override {
    if (form_.Isometric->Down()) return TView::Isometric;
    if (form_.FrontButton->Down()) return TView::Front;
    if (form_.LeftButton->Down()) return TView::Left;
    if (form_.BottomButton->Down()) return TView::Bottom;
    return TView::Isometric;
  }
  void SetZoomLabel(const std::string& text) override {
    form_.graph_->SetZoomText(QString::fromStdString(text));
  }
  void SetLengthLabel(const std::string& text) override {
    form_.graph_->SetLengthText(QString::fromStdString(text));
  }
  void ShowErrorDialog(const std::string& text) override {
    form_.graph_->PictureChanged();
    form_.dialogs_.ErrorDialog(QString::fromStdString(text));
  }
  void SetGraphDrawn(bool drawn) override { form_.GraphDrawn = drawn; }

 private:
  TMainForm& form_;
};

// The function-file reader's and writer's view of the six fields.
class TMainForm::TFieldsAdapter : public TFunctionFields {
 public:
  explicit TFieldsAdapter(const TMainForm& form) : form_(form) {}

  std::string FieldText(TField field) const override {
    return form_.Fields()[static_cast<int>(field)]->text().toStdString();
  }
  void SetFieldText(TField field, const std::string& text) override {
    TFlatEdit* edit = form_.Fields()[static_cast<int>(field)];
    edit->setText(QString::fromStdString(text));
    edit->setCursorPosition(0);  // a long text shows from its start
  }

 private:
  const TMainForm& form_;
};

TMainForm::TMainForm(TDialogs& dialogs, const TPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      platform_(platform) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Helixor 1.0"));
  setFixedSize(ClientWidth, ClientHeight);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, ColorToRGB(clBtnFace));
  palette.setColor(QPalette::WindowText, Qt::black);
  setPalette(palette);
  setFont(WindowFont());

  // Labels first: the fields are laid over the blank stretches of the two
  // formula labels.
  Label2 = MakeLabel("Label2", 16, 7, QStringLiteral("Segment :"));
  Label3 = MakeLabel("Label3", 222, 7, QStringLiteral("Function description :"));
  SegmentLabel = MakeLabel<TFormulaLabel>("SegmentLabel", 16, 27,
                           QStringLiteral("t") + QString(5, ' ') + QStringLiteral("[") +
                               QString(23, ' ') + QStringLiteral(",") + QString(23, ' ') +
                               QStringLiteral("]"));
  Label1 = MakeLabel("Label1", 23, 25, ElementOfSign());
  Label1->setFont(SignFont(13));
  Label1->adjustSize();
  FunctionLabel = MakeLabel<TFormulaLabel>("FunctionLabel", 222, 27,
                            QStringLiteral("r(t) = {") + QString(24, ' ') + QStringLiteral(",") +
                                QString(23, ' ') + QStringLiteral(",") + QString(24, ' ') +
                                QStringLiteral("}"));
  ArrowLabel = MakeLabel("ArrowLabel", 228, 20, RightArrowSign());
  ArrowLabel->setFont(SignFont(11));
  ArrowLabel->setAutoFillBackground(false);  // transparent: the r shows through
  ArrowLabel->adjustSize();
  // The vector arrow stands centred over the "r" of "r(t)". Where that is
  // depends on the ink of the two faces, so the label's left edge is worked
  // out from them; its top stays at 20.
  {
    const QRect r = QFontMetrics(FunctionLabel->font()).boundingRect(QLatin1Char('r'));
    const QRect arrow = QFontMetrics(ArrowLabel->font()).boundingRect(RightArrowSign());
    const int rCentre = FunctionLabel->x() + (2 * r.left() + r.width()) / 2;
    ArrowLabel->move(rCentre - (2 * arrow.left() + arrow.width()) / 2, 20);
  }
  Label4 = MakeLabel("Label4", 16, 47, QStringLiteral("Graph view mode :"));
  Label5 = MakeLabel("Label5", 336, 47, QStringLiteral("Precission :"));
  Label6 = MakeLabel("Label6", 16, 87, QStringLiteral("Files :"));
  Label7 = MakeLabel("Label7", 256, 87, QStringLiteral("Misc :"));

  AEdit = MakeField("AEdit", 42, 24, 65, QStringLiteral("         a"));
  BEdit = MakeField("BEdit", 114, 24, 65, QStringLiteral("         b"));
  xt = MakeField("xt", 268, 24, 65, QStringLiteral("      x(t)"));
  yt = MakeField("yt", 340, 24, 65, QStringLiteral("      y(t)"));
  zt = MakeField("zt", 412, 24, 65, QStringLiteral("      z(t)"));
  Precission = MakeField("Precission", 336, 64, 72, QStringLiteral("100"));
  for (TFlatEdit* field : ExpressionFields()) {
    field->SetHelpKeyword(field->text());
    connect(field, &TFlatEdit::OnEnter, this, [this, field] { AEditEnter(field); });
    connect(field, &TFlatEdit::OnExit, this, [this, field] { ztExit(field); });
    connect(field, &TFlatEdit::OnChange, this, [this, field] { AEditChange(field); });
  }
  connect(zt, &TFlatEdit::OnKeyDown, this,
          [this](int& key, Qt::KeyboardModifiers shift) { ztKeyDown(key, shift); });

  DrawButton = MakeButton("DrawButton", QStringLiteral("Draw !"), 416, 60, 73, 27,
                          &TMainForm::DrawButtonClick);
  DrawButton->setFont(WindowFont());
  DrawButton->SetColor(clBtnFace);
  FrontButton = MakeButton("FrontButton", QStringLiteral("Front"), 16, 64, 73, 19,
                           &TMainForm::FrontButtonClick);
  LeftButton = MakeButton("LeftButton", QStringLiteral("Left"), 96, 64, 73, 19,
                          &TMainForm::LeftButtonClick);
  BottomButton = MakeButton("BottomButton", QStringLiteral("Bottom"), 176, 64, 73, 19,
                            &TMainForm::BottomButtonClick);
  Isometric = MakeButton("Isometric", QStringLiteral("Isometric"), 256, 64, 73, 19,
                         &TMainForm::IsometricClick);
  SaveButton = MakeButton("SaveButton", QStringLiteral("Save FNC"), 16, 104, 73, 19,
                          &TMainForm::SaveButtonClick);
  LoadButton = MakeButton("LoadButton", QStringLiteral("Load FNC"), 96, 104, 73, 19,
                          &TMainForm::LoadButtonClick);
  BmpButton = MakeButton("BmpButton", QStringLiteral("Save BMP"), 176, 104, 73, 19,
                         &TMainForm::BmpButtonClick);
  ShowButton = MakeButton("ShowButton", QStringLiteral("Show Graph"), 256, 104, 73, 19,
                          &TMainForm::ShowButtonClick);
  HelpButton = MakeButton("HelpButton", QStringLiteral("Help"), 336, 104, 73, 19,
                          &TMainForm::HelpButtonClick);
  AboutButton = MakeButton("AboutButton", QStringLiteral("About"), 416, 104, 73, 19,
                           &TMainForm::AboutButtonClick);

  for (TFlatButton* b : {FrontButton, LeftButton, BottomButton, Isometric}) b->SetGroupIndex(1);
  Isometric->SetDown(true);
  ShowButton->SetGroupIndex(2);
  ShowButton->SetAllowAllUp(true);
  ShowButton->SetDown(true);
  for (TFlatButton* b : {SaveButton, LoadButton, BmpButton, AboutButton}) b->SetTabStop(true);

  // Tab order 0..16; the tab stops among them are About, the five
  // expression fields, Save BMP, Precission, Save FNC and Load FNC.
  const QList<QWidget*> order{AboutButton,  AEdit,      BEdit,        xt,         yt,
                              zt,           DrawButton, FrontButton,  LeftButton, BottomButton,
                              Isometric,    HelpButton, BmpButton,    ShowButton, Precission,
                              SaveButton,   LoadButton};
  for (int i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
  AboutButton->setFocus();
}

TMainForm::~TMainForm() = default;

template <typename Label>
QLabel* TMainForm::MakeLabel(const char* name, int left, int top, const QString& caption) {
  auto* label = new Label(caption, this);
  label->setObjectName(QLatin1String(name));
  label->setAutoFillBackground(true);
  label->move(left, top);
  label->adjustSize();
  return label;
}

TFlatEdit* TMainForm::MakeField(const char* name, int left, int top, int width,
                                const QString& text) {
  auto* field = new TFlatEdit(this);
  field->setObjectName(QLatin1String(name));
  field->setGeometry(left, top, width, 19);
  field->SetColorFocused(clBtnShadow);
  field->SetColorBorder(clRed);
  field->SetColorFlat(clBtnFace);
  field->setText(text);
  field->FitHeightToFont();
  return field;
}

TFlatButton* TMainForm::MakeButton(const char* name, const QString& caption, int left, int top,
                                   int width, int height, void (TMainForm::*command)()) {
  auto* button = new TFlatButton(this);
  button->setObjectName(QLatin1String(name));
  button->SetCaption(caption);
  button->setGeometry(left, top, width, height);
  button->SetColorFocused(clBtnShadow);
  button->SetColorDown(clBtnShadow);
  button->SetColorBorder(ButtonFrameColor);
  button->SetColorHighLight(ButtonFrameColor);
  connect(button, &TFlatButton::OnClick, this,
          [this, command] { RunCommand(dialogs_, [this, command] { (this->*command)(); }); });
  return button;
}

QList<TFlatEdit*> TMainForm::Fields() const { return {AEdit, BEdit, xt, yt, zt, Precission}; }

QList<TFlatEdit*> TMainForm::ExpressionFields() const { return {AEdit, BEdit, xt, yt, zt}; }

void TMainForm::SetWindows(TGraphForm* graph, TAboutForm* about, THelpForm* help) {
  graph_ = graph;
  about_ = about;
  help_ = help;
  if (!graph_) return;
  graph_->OnCloseBox = [this] { ShowButton->SetDown(false); };
  // Minimised, the window cannot be seen, as if hidden.
  graph_->OnMinimisedChange = [this] { ShowButton->SetDown(graph_->IsShown()); };
  drawAdapter_ = std::make_unique<TDrawAdapter>(*this);
  draw_ = std::make_unique<TDrawCommand>(*drawAdapter_, *drawAdapter_, graph_->Picture());
}

void TMainForm::FormCreate(const QByteArray& firstArgument,
                           const std::function<void()>& offerAssociation) {
  PlaceAtStart();
  const QByteArray fileName = TrimControls(firstArgument);
  if (!fileName.isEmpty() && !RunCommand(dialogs_, [&] { LoadLocalFile(fileName); })) return;
  if (offerAssociation) RunCommand(dialogs_, offerAssociation);
}

// A top-level window's position is that of its outer frame.
void TMainForm::PlaceAtStart() {
  platform_.MoveOuterTo(*this, (platform_.ScreenWidth() - platform_.OuterSize(*this).width()) / 2,
                        10);
}

// Placeholders ---------------------------------------------------------------

void TMainForm::AEditEnter(TFlatEdit* Sender) {
  if (entered_ == Sender) return;
  entered_ = Sender;
  const QString text = Sender->text();
  if (text.size() >= 5 && text.left(5) == QString(5, ' ')) Sender->setText(QString());
}

void TMainForm::ztExit(TFlatEdit* Sender) {
  // The window keeps the field as its focus when only the window lost it.
  if (Sender->window()->focusWidget() == Sender && Sender->isVisible()) return;
  if (entered_ == Sender) entered_ = nullptr;
  if (TrimControls(Sender->text()).isEmpty()) Sender->setText(Sender->HelpKeyword());
}

void TMainForm::AEditChange(TFlatEdit*) { GraphDrawn = false; }

void TMainForm::ztKeyDown(int& Key, Qt::KeyboardModifiers) {
  if (Key == Qt::Key_Return || Key == Qt::Key_Enter) DrawButton->Click();
}

// View commands --------------------------------------------------------------

void TMainForm::ViewCommand(bool isometric, const QString& xLetter, const QString& yLetter) {
  graph_->ZLabel->setVisible(isometric);
  graph_->XLabel->setText(xLetter);
  graph_->YLabel->setText(yLetter);
  if (isometric) graph_->ZLabel->setText(QStringLiteral("Z"));
  graph_->ResetPicture(isometric ? TBackground::Coord3D : TBackground::Coord2D);
  graph_->SetZoomText(QStringLiteral("Zoom :"));
  graph_->SetLengthText(QStringLiteral("Length :"));
  if (GraphDrawn) DrawButton->Click();
}

void TMainForm::FrontButtonClick() { ViewCommand(false, QStringLiteral("X"), QStringLiteral("Y")); }
void TMainForm::LeftButtonClick() { ViewCommand(false, QStringLiteral("Z"), QStringLiteral("Y")); }
void TMainForm::BottomButtonClick() { ViewCommand(false, QStringLiteral("X"), QStringLiteral("Z")); }
void TMainForm::IsometricClick() { ViewCommand(true, QStringLiteral("X"), QStringLiteral("Y")); }

// Windows --------------------------------------------------------------------

void TMainForm::ShowButtonClick() {
  if (graph_->IsShown())
    graph_->hide();
  else
    graph_->ShowRestored();
  ShowButton->SetDown(graph_->IsShown());
}

void TMainForm::HelpButtonClick() { help_->ShowHelp(); }

void TMainForm::AboutButtonClick() {
  const QRect reference =
      graph_ && graph_->IsShown() ? graph_->frameGeometry() : frameGeometry();
  about_->ShowOver(reference);
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous() && graph_) {
    graph_->show();
    ShowButton->SetDown(true);
  }
}

void TMainForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool wasMinimised =
      static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
  if (isMinimized() && !wasMinimised) {
    // A window manager need not take the tool windows along (they are not
    // transients of this window on X11), and none of them can be brought
    // back on its own.
    downWithMain_.clear();
    for (QWidget* window : {static_cast<QWidget*>(graph_), static_cast<QWidget*>(help_),
                            static_cast<QWidget*>(about_)})
      if (window && window->isVisible() && !window->isMinimized()) {
        downWithMain_.append(window);
        window->hide();
      }
  } else if (!isMinimized() && wasMinimised) {
    for (const QPointer<QWidget>& window : std::as_const(downWithMain_))
      if (window) window->show();
    downWithMain_.clear();
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  event->accept();
  QCoreApplication::quit();
}

// Files ----------------------------------------------------------------------

void TMainForm::BmpButtonClick() {
  const auto name = dialogs_.SaveFileName({BitmapFilter, QStringLiteral("bmp"), bmpDialogPath_,
                                           /*AskOverwrite=*/false, /*FileMustExist=*/false,
                                           /*PicturePreview=*/true});
  if (!name) return;
  bmpDialogPath_ = *name;
  graph_->Picture().SaveToFile(FileLayerName(*name));
}

void TMainForm::SaveButtonClick() {
  const auto name = dialogs_.SaveFileName({FunctionFilter, QStringLiteral("fnc"), saveDialogPath_,
                                           /*AskOverwrite=*/true, /*FileMustExist=*/false});
  if (!name) return;
  saveDialogPath_ = *name;
  TFieldsAdapter fields(*this);
  SaveFunctionFile(FileLayerName(*name), fields);
}

void TMainForm::LoadButtonClick() {
  const auto name = dialogs_.OpenFileName({FunctionFilter, QStringLiteral("fnc"), loadDialogPath_,
                                           /*AskOverwrite=*/false, /*FileMustExist=*/true});
  if (!name) return;
  loadDialogPath_ = *name;
  Load(*name);
}

void TMainForm::Load(const QString& FileName) { LoadLocalFile(QByteArray::fromStdString(FileLayerName(FileName))); }

void TMainForm::LoadLocalFile(const QByteArray& FileName) {
  TFieldsAdapter fields(*this);
  ::Load(FileName.toStdString(), fields);
}

void TMainForm::DrawButtonClick() {
  // The picture is shown as it is when the command ends, also after a fault.
  struct TRepaint {
    TGraphForm* graph;
    ~TRepaint() { graph->PictureChanged(); }
  } repaint{graph_};
  draw_->DrawButtonClick();
}
