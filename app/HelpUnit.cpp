#include "app/HelpUnit.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>
#include <cerrno>
#include <string>

#include "app/Command.h"
#include "app/Dialogs.h"
#include "app/Fonts.h"
#include "app/Platform.h"
#include "app/Resources.h"
#include "evaluator/Faults.h"
#include "fileio/FileIo.h"
#include "plot/PictureFiles.h"

namespace {

constexpr int ClientWidth = 403;
constexpr int ClientHeight = 401;

// The path as the system takes it.
std::string LocalPath(const QString& path) { return FileLayerName(path); }

QString Attribute(const QString& tag, const char* name) {
  const QRegularExpression re(
      QStringLiteral("\\b%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))").arg(QLatin1String(name)),
      QRegularExpression::CaseInsensitiveOption);
  const auto m = re.match(tag);
  if (!m.hasMatch()) return {};
  for (int i = 1; i <= 3; ++i)
    if (m.capturedLength(i) > 0) return m.captured(i);
  return {};
}

// The page names its faces as "Tahoma, Verdana"; where Tahoma's bold has no
// weight of its own, the view shows that name in a face whose bold is bold.
QString WithViewFamilies(QString html) {
  const QString family = HelpPageFamily();
  if (family.compare(QStringLiteral("Tahoma"), Qt::CaseInsensitive) == 0) return html;
  static const QRegularExpression face(QStringLiteral("(\\bface\\s*=\\s*[\"']?[^\"'>]*)\\bTahoma\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
  return html.replace(face, QStringLiteral("\\1") + family);
}

}  // namespace

THelpForm::THelpForm(TDialogs& dialogs, const TPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      platform_(platform) {
  InitHelixorResources();
  setWindowTitle(QStringLiteral("Help"));
  setFixedSize(ClientWidth, ClientHeight);
  Browser = new QTextBrowser(this);
  Browser->setObjectName(QStringLiteral("Browser"));
  Browser->setGeometry(0, 0, ClientWidth, ClientHeight);
  Browser->setFrameShape(QFrame::NoFrame);
  Browser->setOpenLinks(false);
  // The page's relative font sizes are meant for a 10-point size 2 (13
  // pixels); the view derives them from its default font.
  QFont pageFont(HelpPageFamily());
  pageFont.setPixelSize(16);
  Browser->document()->setDefaultFont(pageFont);
  QPalette palette = Browser->palette();
  palette.setColor(QPalette::Base, Qt::black);
  Browser->setPalette(palette);
  FormCreate();
}

QByteArray THelpForm::Source() {
  QFile page(QStringLiteral(":/help.html"));
  if (!page.open(QIODevice::ReadOnly)) return {};
  return page.readAll();
}

THelpForm::TBodyColours THelpForm::BodyColours(const QByteArray& page) {
  const QString html = QString::fromLatin1(page);
  const QRegularExpression bodyTag(QStringLiteral("<body\\b[^>]*>"),
                                   QRegularExpression::CaseInsensitiveOption);
  const auto m = bodyTag.match(html);
  if (!m.hasMatch()) return {};
  const QString tag = m.captured(0);
  TBodyColours colours;
  colours.Text = Attribute(tag, "text");
  // One colour for links: the view does not tell visited and active ones.
  colours.Link = Attribute(tag, "link");
  if (colours.Link.isEmpty()) colours.Link = Attribute(tag, "vlink");
  return colours;
}

void THelpForm::FormCreate() { helpFile_ = platform_.ProgramFolder() + QStringLiteral("help.html"); }

void THelpForm::ShowHelp() {
  if (!isVisible()) {
    if (!placed_) {
      const QSize outer = platform_.OuterSize(*this);
      platform_.MoveOuterTo(*this, (platform_.ScreenWidth() - outer.width()) / 2,
                            (platform_.ScreenHeight() - outer.height()) / 2);
      placed_ = true;
    }
    FormShow();
    show();
  } else if (isMinimized()) {
    showNormal();
  }
  raise();
  activateWindow();
}

void THelpForm::FormShow() {
  // Either step may fail; the window opens all the same.
  if (RunCommand(dialogs_, [this] { WritePageIfMissing(); })) RunCommand(dialogs_, [this] { Navigate(); });
}

void THelpForm::WritePageIfMissing() {
  const QFileInfo file(helpFile_);
  if (file.exists()) return;
  // A link that leads nowhere is no page: it is replaced by one, as a
  // missing page is written, rather than followed to wherever it points.
  if (file.isSymLink()) QFile::remove(helpFile_);
  const QByteArray page = Source();
  // Complete or not at all: a cut-off page would be kept for good.
  if (auto error = CreateFileContents(LocalPath(helpFile_), page.constData(),
                                      static_cast<std::size_t>(page.size()))) {
    if (error->Errno == EEXIST) return;  // written meanwhile: shown as it is
    ThrowSaveError(LocalPath(helpFile_), *error);
  }
}

void THelpForm::Navigate() {
  std::string bytes;
  if (auto error = ReadRegularFile(LocalPath(helpFile_), bytes)) throw IoFault::OfErrno(error->Errno);
  const QByteArray page = QByteArray::fromStdString(bytes);
  bytes = std::string();
  auto decoder = QStringDecoder::decoderForHtml(page);
  const QString html = decoder.isValid() ? QString(decoder(page)) : QString::fromLatin1(page);
  const TBodyColours colours = BodyColours(page);
  QString sheet;
  QPalette palette = Browser->palette();
  if (QColor text(colours.Text); text.isValid()) {
    palette.setColor(QPalette::Text, text);
    sheet += QStringLiteral("body { color: %1; }\n").arg(text.name());
  }
  if (QColor link(colours.Link); link.isValid()) {
    palette.setColor(QPalette::Link, link);
    palette.setColor(QPalette::LinkVisited, link);
    sheet += QStringLiteral("a { color: %1; }\n").arg(link.name());
  }
  Browser->setPalette(palette);
  Browser->document()->setDefaultStyleSheet(sheet);
  Browser->document()->setBaseUrl(QUrl::fromLocalFile(helpFile_));
  Browser->setHtml(WithViewFamilies(html));
}
