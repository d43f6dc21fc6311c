// Save BMP, Save FNC, Load FNC and the command-line file at start-up.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include <QFile>
#include <QLabel>
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

TEST(FunctionFiles, TextsOfAnyLengthSurviveLoadShowSaveAndDraw) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  // Far beyond the line edit's default limit of 32767 characters.
  QByteArray longText(100000, 'x');
  for (qsizetype i = 0; i < longText.size(); i += 7) longText[i] = ' ';
  // x(t) is t + 1 only when read to its end.
  QByteArray sum("t");
  while (sum.size() < 40001 - 2) sum += "+0";
  sum += "+1";
  ASSERT_EQ(sum.size(), 40001);
  const QByteArray file = "AEdit=0\r\nBEdit=1\r\nxt=" + sum + "\r\nyt=t\r\nzt=" + longText +
                          "\r\nPrecission=10\r\n";
  const QString name = p.File(QStringLiteral("long.fnc"));
  WriteFile(name, file);
  p.Dialogs.FileAnswers = {name};
  m.LoadButton->Click();
  // Compared as a whole; the sizes tell a cut text briefly.
  EXPECT_EQ(m.xt->text().size(), sum.size());
  EXPECT_EQ(m.zt->text().size(), longText.size());
  EXPECT_TRUE(m.xt->text().toLatin1() == sum);
  EXPECT_TRUE(m.zt->text().toLatin1() == longText);
  m.zt->grab();  // shown
  EXPECT_EQ(m.zt->text().size(), longText.size());
  const QString saved = p.File(QStringLiteral("saved.fnc"));
  p.Dialogs.FileAnswers = {saved};
  m.SaveButton->Click();
  EXPECT_EQ(ReadFile(saved).size(), file.size());
  EXPECT_TRUE(ReadFile(saved) == file);

  m.zt->setText(QStringLiteral("0"));
  m.DrawButton->Click();
  const QString drawn = p.Program->GraphForm().ZoomLabel->text();
  m.xt->setText(QStringLiteral("t+1"));
  m.DrawButton->Click();
  EXPECT_EQ(p.Program->GraphForm().ZoomLabel->text(), drawn);
  EXPECT_TRUE(p.Dialogs.Messages().isEmpty());
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

TEST(CommandLine, TheArgumentIsTakenAsTheSystemsBytes) {
  // "café.fnc" in Latin-1, which is no valid UTF-8: decoding it and encoding
  // it again would name another file.
  QTemporaryDir folder;
  const QByteArray name = QFile::encodeName(folder.path()) + "/caf\xE9.fnc";
  {
    std::FILE* out = std::fopen(name.constData(), "wb");
    ASSERT_TRUE(out);
    std::fputs("zt=t/2\r\n", out);
    std::fclose(out);
  }
  TStartedProgram p(" " + name + "\n");
  EXPECT_TRUE(p.Dialogs.Messages().isEmpty());
  EXPECT_EQ(p.Program->MainForm().zt->text(), QStringLiteral("t/2"));
  EXPECT_EQ(p.AssociationOffers, 1);
}

TEST(CommandLine, AFifoIsRefusedAtOnceAndTheWindowOpens) {
  QTemporaryDir folder;
  const QByteArray fifo = QFile::encodeName(folder.filePath(QStringLiteral("pipe.fnc")));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  TStartedProgram p(fifo);
  EXPECT_EQ(p.Dialogs.Messages(), QStringList{QStringLiteral("File access denied.")});
  EXPECT_EQ(p.AssociationOffers, 0);
  EXPECT_TRUE(p.Program->MainForm().isVisible());
}

TEST(CommandLine, ABlankArgumentLoadsNothingAndStillOffersTheAssociation) {
  TStartedProgram p(QStringLiteral("   "));
  EXPECT_TRUE(p.Dialogs.Records.empty());
  EXPECT_EQ(p.AssociationOffers, 1);
}
