#include "app/QtDialogs.h"

#include <QFileDialog>
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
  QFileDialog dialog;
  dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(options.Filter);
  dialog.setDefaultSuffix(options.DefaultSuffix);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (saving && !options.AskOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setSizeGripEnabled(true);
  if (!options.InitialPath.isEmpty()) dialog.selectFile(options.InitialPath);
  if (options.PicturePreview) {
    // The built-in dialog has a grid layout; the preview takes a column of it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      auto* preview = new QLabel(&dialog);
      preview->setFixedSize(160, 120);
      preview->setAlignment(Qt::AlignCenter);
      preview->setFrameShape(QFrame::StyledPanel);
      grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
      QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        const QPixmap picture(path);
        preview->setPixmap(picture.isNull() ? QPixmap()
                                            : picture.scaled(preview->size(), Qt::KeepAspectRatio,
                                                             Qt::SmoothTransformation));
      });
    }
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace

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
