// The file dialogs as the user meets them: a name in a missing folder is
// refused and the dialog stays open; the picture dialog previews the
// proposed file at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "app/QtDialogs.h"

namespace {

TFileDialogOptions BitmapOptions(const QString& initial) {
  return {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("bmp"), initial,
          /*AskOverwrite=*/false, /*FileMustExist=*/false, /*PicturePreview=*/true};
}

}  // namespace

TEST(FileDialog, ANameInAMissingFolderIsRefusedAndTheDialogStaysOpen) {
  QTemporaryDir folder;
  for (const bool saving : {true, false}) {
    SCOPED_TRACE(saving ? "save" : "open");
    TFileDialog dialog(BitmapOptions(folder.filePath(QStringLiteral("missing/graph.bmp"))), saving);
    dialog.show();
    QString shown;
    QTimer::singleShot(0, [&shown] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
          shown = box->text();
          box->done(QMessageBox::Ok);
        }
    });
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(shown.contains(QStringLiteral("The folder does not exist."))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("missing")));
  }
  // In an existing folder a new name is taken.
  TFileDialog dialog(BitmapOptions(folder.filePath(QStringLiteral("graph.bmp"))), true);
  dialog.show();
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.selectedFiles().value(0), folder.filePath(QStringLiteral("graph.bmp")));
}

TEST(FileDialog, ThePictureDialogPreviewsTheProposedFileAtOnce) {
  QTemporaryDir folder;
  QImage picture(600, 451, QImage::Format_RGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("graph.bmp")), "BMP"));

  TFileDialog dialog(BitmapOptions(folder.filePath(QStringLiteral("graph.bmp"))), true);
  ASSERT_NE(dialog.Preview(), nullptr);
  const QPixmap shown = dialog.Preview()->pixmap();
  ASSERT_FALSE(shown.isNull());
  EXPECT_EQ(shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::red));

  // A proposed name with no file behind it shows nothing.
  TFileDialog empty(BitmapOptions(folder.filePath(QStringLiteral("new.bmp"))), true);
  EXPECT_TRUE(empty.Preview()->pixmap().isNull());
  // Without the option there is no preview.
  TFileDialogOptions plain = BitmapOptions({});
  plain.PicturePreview = false;
  EXPECT_EQ(TFileDialog(plain, true).Preview(), nullptr);
}

TEST(FileDialog, ItsHistoryLeavesNoSettingsFile) {
  // The place the dialogs' history would go, and the folder of it.
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString file = config + QStringLiteral("/QtProject.conf");
  const QFileInfo before(file);
  const QDateTime changed = before.exists() ? before.lastModified() : QDateTime();
  QTemporaryDir folder;
  {
    TFileDialog dialog(BitmapOptions(folder.filePath(QStringLiteral("graph.bmp"))), true);
    dialog.show();
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
  }  // a dialog writes its history when it goes
  const QFileInfo after(file);
  EXPECT_EQ(after.exists(), before.exists());
  if (after.exists()) {
    EXPECT_EQ(after.lastModified(), changed);
  }
  EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".lock")));
  // Nothing of it is kept where the next dialog would read it.
  EXPECT_TRUE(QSettings(QSettings::UserScope, QStringLiteral("QtProject")).allKeys().isEmpty());
}
