#pragma once
// THelpForm: the help page about the expression language. The page is
// compiled in, written once to "help.html" next to the program (an existing
// file is never overwritten) and shown from that file.

#include <QByteArray>
#include <QString>
#include <QWidget>

class QTextBrowser;
class TDialogs;
class TPlatform;

class THelpForm : public QWidget {
  Q_OBJECT

 public:
  THelpForm(TDialogs& dialogs, const TPlatform& platform, QWidget* parent = nullptr);

  // The built-in page, byte for byte as it is written to the file.
  static QByteArray Source();
  // The text and link colours of a page's body tag ("" when not given).
  // The view ignores them, so they are carried over to it through its
  // palette and default style sheet.
  struct TBodyColours {
    QString Text;
    QString Link;
  };
  static TBodyColours BodyColours(const QByteArray& page);

  // Full path of the page file: the program's folder and "help.html".
  QString HelpFile() const { return helpFile_; }
  // The "Help" command: shows the window (writing and loading the page
  // when it was hidden) and brings it to the front.
  void ShowHelp();

  QTextBrowser* Browser;

 protected:
  void FormCreate();
  // Runs each time the window goes from hidden to shown.
  void FormShow();
  // Writes the page file when none exists.
  void WritePageIfMissing();
  void Navigate();

 private:
  TDialogs& dialogs_;
  const TPlatform& platform_;
  QString helpFile_;
  bool placed_ = false;
};
