#pragma once
// TMainForm: the input panel and command bar. It gathers the six field
// texts and the view choice, runs the Draw command and the function-file
// reader and writer, and routes the other commands to their windows.

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class TAboutForm;
class TDialogs;
class TFlatButton;
class TFlatEdit;
class TGraphForm;
class THelpForm;
class TPlatform;
class TDrawCommand;

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  TMainForm(TDialogs& dialogs, const TPlatform& platform, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Start-up work: placement, then the file named by the first command-line
  // argument (the system's bytes, untrimmed), then the association offer. An
  // error reported on the way ends the work there (the window still opens).
  void FormCreate(const QByteArray& firstArgument, const std::function<void()>& offerAssociation);
  // Centred horizontally at the top of the screen, by the outer frame.
  void PlaceAtStart();
  // The secondary windows, created after this one.
  void SetWindows(TGraphForm* graph, TAboutForm* about, THelpForm* help);

  // Reads a function file into the fields. Throws on a failure.
  void Load(const QString& FileName);
  // The same for a name given as the system's bytes, which need not be text.
  void LoadLocalFile(const QByteArray& FileName);

  // Shared by the five expression fields.
  void AEditEnter(TFlatEdit* Sender);
  void ztExit(TFlatEdit* Sender);
  void AEditChange(TFlatEdit* Sender);
  void ztKeyDown(int& Key, Qt::KeyboardModifiers Shift);

  // Commands; each runs through the one error wrapper when clicked.
  void DrawButtonClick();
  void FrontButtonClick();
  void LeftButtonClick();
  void BottomButtonClick();
  void IsometricClick();
  void ShowButtonClick();
  void BmpButtonClick();
  void SaveButtonClick();
  void LoadButtonClick();
  void HelpButtonClick();
  void AboutButtonClick();

  // The six function-file fields, in file order.
  QList<TFlatEdit*> Fields() const;
  // The five fields with placeholders.
  QList<TFlatEdit*> ExpressionFields() const;

  bool GraphDrawn = false;

  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* SegmentLabel;
  QLabel* FunctionLabel;
  QLabel* ArrowLabel;
  TFlatEdit* AEdit;
  TFlatEdit* BEdit;
  TFlatEdit* xt;
  TFlatEdit* yt;
  TFlatEdit* zt;
  TFlatEdit* Precission;
  TFlatButton* DrawButton;
  TFlatButton* FrontButton;
  TFlatButton* LeftButton;
  TFlatButton* BottomButton;
  TFlatButton* Isometric;
  TFlatButton* SaveButton;
  TFlatButton* LoadButton;
  TFlatButton* BmpButton;
  TFlatButton* ShowButton;
  TFlatButton* HelpButton;
  TFlatButton* AboutButton;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The other windows go down and come back with this one.
  void changeEvent(QEvent* event) override;

 private:
  class TDrawAdapter;
  class TFieldsAdapter;

  template <typename Label = QLabel>
  QLabel* MakeLabel(const char* name, int left, int top, const QString& caption);
  TFlatEdit* MakeField(const char* name, int left, int top, int width, const QString& text);
  TFlatButton* MakeButton(const char* name, const QString& caption, int left, int top,
                          int width, int height, void (TMainForm::*command)());
  // A view command: letters, background, bare labels, then the redraw.
  void ViewCommand(bool isometric, const QString& xLetter, const QString& yLetter);

  TDialogs& dialogs_;
  const TPlatform& platform_;
  // The expression field the user is in: focus that leaves the window (for
  // another window or a context menu) and comes back is no exit and entry.
  TFlatEdit* entered_ = nullptr;
  std::unique_ptr<TDrawAdapter> drawAdapter_;
  std::unique_ptr<TDrawCommand> draw_;
  TGraphForm* graph_ = nullptr;
  TAboutForm* about_ = nullptr;
  THelpForm* help_ = nullptr;
  // What the three file dialogs start from next time.
  QString saveDialogPath_;
  QString loadDialogPath_;
  QString bmpDialogPath_ = QStringLiteral("graph.bmp");
  // The windows hidden because this one was minimised, to show again.
  QList<QPointer<QWidget>> downWithMain_;
};
