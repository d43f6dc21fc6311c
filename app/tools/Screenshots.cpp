// Renders the windows to PNG files: for each function file given, the file is
// loaded and drawn in each of the four views, and the main and graph windows
// are saved, together with the whole screen; then the help and About windows.
// Messages go to standard error instead of boxes.
//
//   helixor-screenshots OUTPUT_FOLDER FILE.fnc...
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/AboutUnit.h"
#include "app/Application.h"
#include "app/Fonts.h"
#include "app/GraphUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "app/Platform.h"
#include "app/QtDialogs.h"
#include "app/RecordingDialogs.h"
#include "controls/TFlatButtonUnit.h"

namespace {

void Settle() {
  QEventLoop loop;
  QTimer::singleShot(150, &loop, &QEventLoop::quit);
  loop.exec();
}

void Save(QWidget& window, const QString& path) {
  if (!window.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

void SaveScreen(const QString& path) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) screen->grabWindow(0).save(path);
}

void Report(TRecordingDialogs& dialogs, const QString& what) {
  for (const QString& text : dialogs.Messages())
    std::fprintf(stderr, "%s: %s\n", qPrintable(what), qPrintable(text));
  dialogs.Clear();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(ApplicationTitle);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) {
    std::fputs("usage: helixor-screenshots OUTPUT_FOLDER FILE.fnc...\n", stderr);
    return 2;
  }
  const QDir out(args[1]);
  QDir().mkpath(out.path());

  TRecordingDialogs dialogs;
  TPlatform platform;
  THelixor helixor(dialogs, platform, THelixorStart{});
  helixor.Show();
  Settle();
  TMainForm& m = helixor.MainForm();
  std::fprintf(stderr, "Symbol font: %s; Tahoma: %s\n", HasSymbolFont() ? "yes" : "no",
               qPrintable(QFontInfo(WindowFont()).family()));
  Save(m, out.filePath(QStringLiteral("start-main.png")));
  Save(helixor.GraphForm(), out.filePath(QStringLiteral("start-graph.png")));
  SaveScreen(out.filePath(QStringLiteral("start-screen.png")));

  const std::pair<TFlatButton*, const char*> views[] = {{m.Isometric, "isometric"},
                                                         {m.FrontButton, "front"},
                                                         {m.LeftButton, "left"},
                                                         {m.BottomButton, "bottom"}};
  for (int i = 2; i < args.size(); ++i) {
    const QString name = QFileInfo(args[i]).completeBaseName();
    try {
      m.Load(args[i]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(args[i]), e.what());
      continue;
    }
    m.DrawButton->Click();
    Report(dialogs, name);
    for (const auto& [button, view] : views) {
      button->SetDown(true);
      button->Click();  // a view command after a completed drawing redraws
      Report(dialogs, name + "/" + view);
      Settle();
      const QString stem = out.filePath(name + "-" + view);
      Save(m, stem + "-main.png");
      Save(helixor.GraphForm(), stem + "-graph.png");
    }
  }
  SaveScreen(out.filePath(QStringLiteral("last-screen.png")));

  m.HelpButtonClick();
  Settle();
  Save(helixor.HelpForm(), out.filePath(QStringLiteral("help.png")));
  helixor.HelpForm().close();
  m.AboutButtonClick();
  Settle();
  Save(helixor.AboutForm(), out.filePath(QStringLiteral("about.png")));
  SaveScreen(out.filePath(QStringLiteral("about-screen.png")));
  Report(dialogs, QStringLiteral("help/about"));
  helixor.AboutForm().close();

  // The real boxes and dialogs: each is grabbed once it is up, then closed.
  auto grabModal = [&out](const QString& file) {
    QTimer::singleShot(400, [&out, file] {
      if (QWidget* box = QApplication::activeModalWidget()) {
        box->grab().save(out.filePath(file));
        box->close();
      }
    });
  };
  TQtDialogs real;
  grabModal(QStringLiteral("dialog-error.png"));
  real.ErrorDialog(QStringLiteral("Error in value a!"));
  grabModal(QStringLiteral("dialog-errorbox.png"));
  real.ShowError("File not found");
  grabModal(QStringLiteral("dialog-question.png"));
  real.AskYesNo(QStringLiteral("Confirm"), QStringLiteral("Windows is not configured to open .fnc files with this program.\n\rDo you want to associate it with these files?"));
  grabModal(QStringLiteral("dialog-savebmp.png"));
  real.SaveFileName({QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("bmp"), QStringLiteral("graph.bmp"), false, false, true});
  grabModal(QStringLiteral("dialog-loadfnc.png"));
  real.OpenFileName({QStringLiteral("Function (*.fnc);;All Files (*.*)"), QStringLiteral("fnc"), QString(), false, true, false});
  return 0;
}
