#include "app/Application.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTimer>
#include <QWindow>
#include <memory>

#include "app/AboutUnit.h"
#include "app/Dialogs.h"
#include "app/Fonts.h"
#include "app/FrameExtents.h"
#include "app/GraphUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "app/Platform.h"
#include "app/QtDialogs.h"
#include "app/TracingDialogs.h"
#include "app/Resources.h"
#include "controls/TFlatButtonUnit.h"
#include "files/Association.h"
#include "files/Registry.h"

THelixor::THelixor(TDialogs& dialogs, const TPlatform& platform, const THelixorStart& start)
    : platform_(platform) {
  InitHelixorResources();
  SetUpFonts();
  main_ = std::make_unique<TMainForm>(dialogs, platform);
  main_->FormCreate(start.FirstArgument, start.OfferAssociation);
  // Secondary windows belong to the main window: they close with it.
  graph_ = new TGraphForm(main_.get());
  graph_->FormCreate(platform, platform.OuterSize(*main_).height());
  about_ = new TAboutForm(main_.get());
  help_ = new THelpForm(dialogs, platform, main_.get());
  main_->SetWindows(graph_, about_, help_);
  MinimiseAlone(*graph_);
  MinimiseAlone(*help_);
}

THelixor::~THelixor() = default;

void THelixor::Show() {
  // A question asked during start-up (the association offer) loses the
  // position given to the still hidden window on some window managers;
  // giving it again costs nothing.
  main_->PlaceAtStart();
  main_->show();
  main_->activateWindow();
  main_->AboutButton->setFocus();
  if (QGuiApplication::platformName() == QLatin1String("xcb")) PlaceAgainOnceFramed();
}

void THelixor::PlaceAgainOnceFramed() {
  // Checked every 50 ms for two seconds; with the frames told in advance
  // the windows already stand where they belong and nothing moves.
  auto* timer = new QTimer(main_.get());
  auto ticks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, main_.get(), [this, timer, ticks] {
    QWindow* mainWindow = main_->windowHandle();
    const bool framed = mainWindow && !mainWindow->frameMargins().isNull();
    if (!framed && ++*ticks < 40) return;
    timer->deleteLater();
    if (!framed) return;  // no window manager frames the windows
    const QRect outer = main_->frameGeometry();
    const int mainLeft = (platform_.ScreenWidth() - outer.width()) / 2;
    if (outer.topLeft() != QPoint(mainLeft, 10)) main_->PlaceAtStart();
    if (graph_->isVisible()) {
      const QRect graphOuter = graph_->frameGeometry();
      const QPoint graphAt((platform_.ScreenWidth() - graphOuter.width()) / 2, outer.height() + 10);
      if (graphOuter.topLeft() != graphAt) graph_->Place(platform_, outer.height());
    }
  });
  timer->start(50);
}

int RunHelixor(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(ApplicationTitle);
  InitHelixorResources();
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/helixor-%1.png").arg(size));
  QApplication::setWindowIcon(icon);
  TQtDialogs boxes;
  TTracingDialogs tracing(boxes);
  TDialogs& dialogs = qEnvironmentVariableIsSet("HELIXOR_TRACE_DIALOGS")
                          ? static_cast<TDialogs&>(tracing)
                          : static_cast<TDialogs&>(boxes);
  TPlatform platform;
  THelixorStart start;
  // The toolkit has taken its own options out of argv; the file name is
  // used as the bytes it is, never decoded and encoded again. On Windows
  // argv holds code-page bytes: the name comes from the wide command line.
#ifdef _WIN32
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() > 1) start.FirstArgument = QByteArray::fromStdString(FileLayerName(arguments.at(1)));
#else
  if (argc > 1) start.FirstArgument = QByteArray(argv[1]);
#endif
  start.OfferAssociation = [&dialogs, &platform] {
    const auto registry = CreatePlatformRegistry();
    const TAnsweredNo answeredNo = [&dialogs] {
      return !dialogs.AskYesNo(QString::fromUtf8(AssociationCaption),
                               QString::fromUtf8(AssociationQuestion));
    };
    // The shell runs the command as written: the path in the system's own form.
    OfferFncAssociation(*registry, answeredNo,
                        QDir::toNativeSeparators(platform.ProgramPath()).toStdString());
  };
  THelixor helixor(dialogs, platform, start);
  helixor.Show();
  return app.exec();
}
