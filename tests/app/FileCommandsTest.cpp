// Save BMP, Save FNC, Load FNC and the command-line file at start-up.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

#include "app/AppTestSupport.h"
#include "app/GraphUnit.h"
#include "app/MainUnit.h"
#include "controls/TFlatButtonUnit.h"
#include "controls/TFlatEditUnit.h"

namespace {

QByteArray BmpOf(const TPicture& picture) {
  const auto bytes = picture.BmpBytes();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

TEST(SaveBmp, WritesTheCleanBackgroundBeforeAndTheCurveAfterADrawing) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  const QString first = p.File(QStringLiteral("first.bmp"));
  p.Dialogs.FileAnswers = {first};
  m.BmpButtonClick();
  const QByteArray clean = ReadFile(first);
  EXPECT_EQ(clean.size(), 271678);
  EXPECT_EQ(clean, BmpOf(Background(TBackground::Coord3D)));

  m.AEdit->setText(QStringLiteral("0"));
  m.BEdit->setText(QStringLiteral("1"));
  m.xt->setText(QStringLiteral("t"));
  m.yt->setText(QStringLiteral("sin(t)"));
  m.zt->setText(QStringLiteral("0"));
  m.DrawButton->Click();
  // Saved over the same name: replaced without a question.
  p.Dialogs.FileAnswers = {first};
  m.BmpButtonClick();
  EXPECT_EQ(ReadFile(first), BmpOf(p.Program->GraphForm().Picture()));
  EXPECT_NE(ReadFile(first), clean);
  EXPECT_TRUE(p.Dialogs.Messages().isEmpty());

  const auto asked = p.Dialogs.Of(TDialogRecord::Save);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].Options.Filter, QStringLiteral("Bitmaps (*.bmp)"));
  EXPECT_EQ(asked[0].Options.DefaultSuffix, QStringLiteral("bmp"));
  EXPECT_FALSE(asked[0].Options.AskOverwrite);
  EXPECT_TRUE(asked[0].Options.PicturePreview);
  EXPECT_EQ(asked[0].Options.InitialPath, QStringLiteral("graph.bmp"));
  EXPECT_EQ(asked[1].Options.InitialPath, first);
}

TEST(SaveBmp, CancellingWritesNothingAndAnUncreatableFileIsReported) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  m.BmpButtonClick();  // no answer queued: cancelled
  EXPECT_TRUE(p.Dialogs.Messages().isEmpty());
  EXPECT_EQ(p.Dialogs.Of(TDialogRecord::Save)[0].Options.InitialPath, QStringLiteral("graph.bmp"));

  const QString bad = p.File(QStringLiteral("missing-folder/graph.bmp"));
  p.Dialogs.FileAnswers = {bad};
  m.BmpButton->Click();
  EXPECT_EQ(p.Dialogs.Messages(), QStringList{QStringLiteral("Cannot create file ") + bad + "."});
}

TEST(FunctionFiles, SaveAtStartWritesThePlaceholders) {
  TStartedProgram p;
  const QString name = p.File(QStringLiteral("start.fnc"));
  p.Dialogs.FileAnswers = {name};
  p.Program->MainForm().SaveButton->Click();
  EXPECT_EQ(ReadFile(name),
            QByteArray("AEdit=         a\r\nBEdit=         b\r\nxt=      x(t)\r\nyt=      y(t)\r\n"
                       "zt=      z(t)\r\nPrecission=100\r\n"));
  const auto asked = p.Dialogs.Of(TDialogRecord::Save);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Options.Filter, QStringLiteral("Function (*.fnc);;All Files (*.*)"));
  EXPECT_EQ(asked[0].Options.DefaultSuffix, QStringLiteral("fnc"));
  EXPECT_TRUE(asked[0].Options.AskOverwrite);
}

TEST(FunctionFiles, SaveThenLoadRestoresAllSixTextsExactly) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  const QStringList texts{"  -pi ", "", "cos(t)=x", "\tsin(t)", "t^2 MOD 3 ", "abc"};
  for (int i = 0; i < 6; ++i) m.Fields()[i]->setText(texts[i]);
  const QString name = p.File(QStringLiteral("round trip.fnc"));
  p.Dialogs.FileAnswers = {name};
  m.SaveButton->Click();
  for (TFlatEdit* f : m.Fields()) f->setText(QStringLiteral("changed"));
  p.Dialogs.FileAnswers = {name};
  m.LoadButton->Click();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m.Fields()[i]->text(), texts[i]) << i;
  EXPECT_TRUE(p.Dialogs.Messages().isEmpty());
  const auto opened = p.Dialogs.Of(TDialogRecord::Open);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].Options.FileMustExist);
  EXPECT_EQ(opened[0].Options.Filter, QStringLiteral("Function (*.fnc);;All Files (*.*)"));

  // Both dialogs start from their last chosen path next time.
  m.SaveButton->Click();
  m.LoadButton->Click();
  EXPECT_EQ(p.Dialogs.Of(TDialogRecord::Save).back().Options.InitialPath, name);
  EXPECT_EQ(p.Dialogs.Of(TDialogRecord::Open).back().Options.InitialPath, name);
}

TEST(FunctionFiles, LoadingAnExpressionClearsGraphDrawnButNotPrecission) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  m.GraphDrawn = true;
  WriteFile(p.File(QStringLiteral("n.fnc")), "Precission=7\r\nzt=      z(t)\r\n");
  m.Load(p.File(QStringLiteral("n.fnc")));
  EXPECT_TRUE(m.GraphDrawn);
  EXPECT_EQ(m.Precission->text(), QStringLiteral("7"));
  WriteFile(p.File(QStringLiteral("z.fnc")), "zt=t\n");
  m.Load(p.File(QStringLiteral("z.fnc")));
  EXPECT_FALSE(m.GraphDrawn);
  EXPECT_EQ(m.zt->text(), QStringLiteral("t"));
  EXPECT_EQ(m.xt->text(), QStringLiteral("      x(t)"));
}

TEST(FunctionFiles, ALineNamingAButtonStopsTheLoadAfterTheEarlierLines) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  const QString name = p.File(QStringLiteral("button.fnc"));
  WriteFile(name, "xt=t\r\nDrawButton=x\r\nyt=t\r\n");
  p.Dialogs.FileAnswers = {name};
  m.LoadButton->Click();
  EXPECT_EQ(p.Dialogs.Messages(), QStringList{QStringLiteral("Invalid class typecast.")});
  EXPECT_EQ(m.xt->text(), QStringLiteral("t"));
  EXPECT_EQ(m.yt->text(), QStringLiteral("      y(t)"));
}

TEST(CommandLine, AMissingFileGivesFileNotFoundAndNoAssociationOffer) {
  TStartedProgram p(QStringLiteral("/nonexistent-helixor-folder/none.fnc"));
  EXPECT_EQ(p.Dialogs.Messages(), QStringList{QStringLiteral("File not found.")});
  EXPECT_EQ(p.AssociationOffers, 0);
  EXPECT_TRUE(p.Program->MainForm().isVisible());
  EXPECT_TRUE(p.Program->GraphForm().isVisible());
}

TEST(CommandLine, TheTrimmedArgumentIsLoadedAndTheAssociationOffered) {
  QTemporaryDir folder;
  const QString name = folder.filePath(QStringLiteral("with blanks.fnc"));
  WriteFile(name, "AEdit=0\r\nBEdit=2*pi\r\nxt=cos(t)\r\nyt=sin(t)\r\nzt=t\r\nPrecission=200\r\n");
  TStartedProgram p(QStringLiteral(" \t") + name + QStringLiteral("  \n"));
  EXPECT_TRUE(p.Dialogs.Messages().isEmpty());
  EXPECT_EQ(p.AssociationOffers, 1);
  TMainForm& m = p.Program->MainForm();
  EXPECT_EQ(m.BEdit->text(), QStringLiteral("2*pi"));
  EXPECT_EQ(m.Precission->text(), QStringLiteral("200"));
  EXPECT_FALSE(m.GraphDrawn);
}

TEST(CommandLine, ABlankArgumentLoadsNothingAndStillOffersTheAssociation) {
  TStartedProgram p(QStringLiteral("   "));
  EXPECT_TRUE(p.Dialogs.Records.empty());
  EXPECT_EQ(p.AssociationOffers, 1);
}
