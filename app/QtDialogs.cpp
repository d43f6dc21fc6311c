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

std::optional<QString> RunFileDialog(const TFileDialogOptions& options, bool saving) {
  TFileDialog dialog(options, saving);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace

TFileDialog::TFileDialog(const TFileDialogOptions& options, bool saving, QWidget* parent)
    : QFileDialog(parent) {
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
