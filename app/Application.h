#pragma once
// The program's windows, created in start-up order: the main window (which
// places itself, loads the command-line file and offers the association),
// then the graph, About and help windows, hidden.

#include <QByteArray>
#include <functional>
#include <memory>

class TAboutForm;
class TDialogs;
class TGraphForm;
class THelpForm;
class TMainForm;
class TPlatform;

struct THelixorStart {
  // The first command-line argument as the system gave it (bytes, not
  // necessarily valid text), untrimmed; empty when there is none.
  QByteArray FirstArgument;
  // The ".fnc" association offer; nothing happens when empty.
  std::function<void()> OfferAssociation;
};

class THelixor {
 public:
  THelixor(TDialogs& dialogs, const TPlatform& platform, const THelixorStart& start);
  ~THelixor();

  // Shows the main window (which shows the graph window) with the focus on
  // "About".
  void Show();

  TMainForm& MainForm() { return *main_; }
  TGraphForm& GraphForm() { return *graph_; }
  TAboutForm& AboutForm() { return *about_; }
  THelpForm& HelpForm() { return *help_; }

 private:
  // Places the main and graph windows again by the frames they really got,
  // for a window manager that did not tell them in advance.
  void PlaceAgainOnceFramed();

  std::unique_ptr<TMainForm> main_;
  const TPlatform& platform_;
  TGraphForm* graph_;   // the secondary windows are owned by the main window
  TAboutForm* about_;
  THelpForm* help_;
};

// The whole program: application set-up, the windows, the event loop.
int RunHelixor(int argc, char** argv);
