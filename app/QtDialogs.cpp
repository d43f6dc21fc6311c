#include "app/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include "app/FrameExtents.h"

namespace {

// A message box centred on the screen by its outer frame. Its size is final
// only once it is being shown, so it places itself then, before it is mapped.
class TCentredBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QMargins frame = WindowFrameMargins(*this);
      const QSize outer = size().grownBy(frame);
      const QRect area = screen->geometry();
      MoveOuterTo(*this,
                  QPoint(area.left() + (area.width() - outer.width()) / 2,
                         area.top() + (area.height() - outer.height()) / 2),
                  frame);
    }
  }
};

void ShowCritical(const QString& caption, const QString& text) {
  TCentredBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.exec();
}

// The file dialogs keep their history (the last folder, recent places, the
// view) through QSettings under "QtProject", written when a dialog closes.
// Helixor leaves no settings behind: the store is pointed at a place that
// can hold no file, even for root, so that reading finds nothing and
// writing fails quietly. The last chosen path lives with the dialogs'
// owner for the run. Done before the first dialog reads its history.
bool KeepNoDialogHistory() {
#ifdef Q_OS_WIN
  const QString nowhere = QStringLiteral("NUL\\no-settings");
#else
  const QString nowhere = QStringLiteral("/dev/null/no-settings");
#endif
  QSettings::setDefaultFormat(QSettings::IniFormat);
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
      QSettings::setPath(format, scope, nowhere);
  return true;
}

QWidget* WithoutDialogHistory(QWidget* parent) {
  static const bool kept = KeepNoDialogHistory();
  (void)kept;
  return parent;
}

std::optional<QString> RunFileDialog(const TFileDialogOptions& options, bool saving) {
  TFileDialog dialog(options, saving);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace

TFileDialog::TFileDialog(const TFileDialogOptions& options, bool saving, QWidget* parent)
    : QFileDialog(WithoutDialogHistory(parent)) {
  setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  setNameFilter(options.Filter);
  setDefaultSuffix(options.DefaultSuffix);
  setOption(QFileDialog::ReadOnly, false);
  if (saving && !options.AskOverwrite) setOption(QFileDialog::DontConfirmOverwrite, true);
  // The folder check and the preview live in the built-in dialog.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setSizeGripEnabled(true);
  if (options.PicturePreview) {
    // The built-in dialog has a grid layout; the preview takes a column of it.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
      preview_ = new QLabel(this);
      preview_->setObjectName(QStringLiteral("Preview"));
      preview_->setFixedSize(160, 120);
      preview_->setAlignment(Qt::AlignCenter);
      preview_->setFrameShape(QFrame::StyledPanel);
      grid->addWidget(preview_, 1, grid->columnCount(), grid->rowCount() - 1, 1);
      connect(this, &QFileDialog::currentChanged, preview_,
              [this](const QString& path) { ShowPreview(path); });
      // The preview's column comes out of the list's width; without more
      // room the list's columns after the name are cut off.
      resize(sizeHint() + QSize(preview_->width() + 80, 40));
    }
  }
  if (!options.InitialPath.isEmpty()) selectFile(options.InitialPath);
  // The proposed file is no "current" one of the list until the user
  // clicks; its picture shows from the start all the same.
  if (preview_) ShowPreview(selectedFiles().value(0));
}

void TFileDialog::ShowPreview(const QString& path) {
  const QPixmap picture(path);
  preview_->setPixmap(picture.isNull() ? QPixmap()
                                       : picture.scaled(preview_->size(), Qt::KeepAspectRatio,
                                                        Qt::SmoothTransformation));
}

void TFileDialog::accept() {
  const QStringList files = selectedFiles();
  if (!files.isEmpty()) {
    const QFileInfo chosen(files.first());
    if (!chosen.absoluteDir().exists()) {
      QMessageBox::warning(this, windowTitle(),
                           QStringLiteral("%1\nThe folder does not exist.\n"
                                          "Check the folder name and try again.")
                               .arg(QDir::toNativeSeparators(chosen.absolutePath())));
      return;
    }
  }
  QFileDialog::accept();
}

void TQtDialogs::ErrorDialog(const QString& text) { ShowCritical(QStringLiteral("Error"), text); }

void TQtDialogs::ErrorBox(const QString& text) { ShowCritical(ApplicationTitle, text); }

bool TQtDialogs::AskYesNo(const QString& caption, const QString& text) {
  TCentredBox box(QMessageBox::Question, caption, text);
  QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() != no;
}

std::optional<QString> TQtDialogs::OpenFileName(const TFileDialogOptions& options) {
  return RunFileDialog(options, false);
}

std::optional<QString> TQtDialogs::SaveFileName(const TFileDialogOptions& options) {
  return RunFileDialog(options, true);
}
