#include "app/HelpUnit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTextBrowser>

#include "app/AppTestSupport.h"
#include "app/MainUnit.h"

namespace {

THelpForm& Help(TStartedProgram& p) { return p.Program->HelpForm(); }

}  // namespace

TEST(HelpPage, IsSingleByteTextWithCrLfAfterEveryLine) {
  const QByteArray page = THelpForm::Source();
  ASSERT_FALSE(page.isEmpty());
  EXPECT_TRUE(page.endsWith("</html>\r\n"));
  for (qsizetype i = 0; i < page.size(); ++i) {
    EXPECT_LT(static_cast<unsigned char>(page[i]), 128u) << "byte " << i;
    if (page[i] == '\n') { EXPECT_EQ(page[i - 1], '\r') << "line end at byte " << i; }
    if (page[i] == '\r') { EXPECT_EQ(page[i + 1], '\n') << "lone CR at byte " << i; }
  }
}

TEST(HelpPage, HoldsTheHeadColoursAndTheLanguageTexts) {
  const QString page = QString::fromLatin1(THelpForm::Source());
  for (const char* text :
       {"<title>Helixor Help</title>", "content=\"text/html; charset=iso-8859-1\"",
        "bgcolor=\"#000000\"", "text=\"#CCCCCC\"", "link=\"#CCCCCC\"", "vlink=\"#CCCCCC\"",
        "alink=\"#CCCCCC\"", "color=\"#99CCFF\"", "by Quillon",
        "<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">",
        "<b>-</b> : Substraction<br>",
        "<b>MOD</b> : MOD operator (if used with floating point numbers, it will round them to "
        "integers)",
        "<b>^</b> : Exponential (only positive numbers for the base)",
        "<b>SQR</b> (Range: -1e2446..1e2446)", "<b>EXP</b> (Range: -11356..11356)",
        "Note that variable is marked with <b>t</b>."})
    EXPECT_TRUE(page.contains(QLatin1String(text))) << text;
  // The functions come in alphabetical order, SQRT before SQR.
  EXPECT_LT(page.indexOf(QLatin1String("<b>SQRT</b>")), page.indexOf(QLatin1String("<b>SQR</b>")));
}

TEST(HelpPage, BodyColoursAreReadFromTheBodyTag) {
  const auto colours = THelpForm::BodyColours(THelpForm::Source());
  EXPECT_EQ(colours.Text, QStringLiteral("#CCCCCC"));
  EXPECT_EQ(colours.Link, QStringLiteral("#CCCCCC"));
  const auto other = THelpForm::BodyColours("<html><BODY TEXT=red vlink='#00ff00'>x</body>");
  EXPECT_EQ(other.Text, QStringLiteral("red"));
  EXPECT_EQ(other.Link, QStringLiteral("#00ff00"));
}

TEST(HelpForm, FirstOpeningWritesThePageNextToTheProgramAndShowsIt) {
  TStartedProgram p;
  EXPECT_FALSE(Help(p).isVisible());
  EXPECT_EQ(Help(p).HelpFile(), p.File(QStringLiteral("help.html")));
  p.Program->MainForm().HelpButtonClick();
  EXPECT_TRUE(Help(p).isVisible());
  EXPECT_EQ(ReadFile(Help(p).HelpFile()), THelpForm::Source());
  EXPECT_TRUE(Help(p).Browser->toPlainText().contains(QStringLiteral("Substraction")));
  EXPECT_EQ(Help(p).size(), QSize(403, 401));
  EXPECT_TRUE(Help(p).windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(p.Dialogs.Records.empty());
}

TEST(HelpForm, AnExistingPageIsShownAsItIsAndNeverOverwritten) {
  TStartedProgram p;
  const QByteArray edited = "<html><body>My own notes</body></html>";
  WriteFile(p.File(QStringLiteral("help.html")), edited);
  p.Program->MainForm().HelpButtonClick();
  EXPECT_EQ(Help(p).Browser->toPlainText(), QStringLiteral("My own notes"));
  Help(p).close();
  p.Program->MainForm().HelpButtonClick();
  EXPECT_EQ(ReadFile(p.File(QStringLiteral("help.html"))), edited);
}

TEST(HelpForm, ADeletedPageIsWrittenAgainAtTheNextOpening) {
  TStartedProgram p;
  p.Program->MainForm().HelpButtonClick();
  Help(p).close();
  ASSERT_TRUE(QFile::remove(p.File(QStringLiteral("help.html"))));
  p.Program->MainForm().HelpButtonClick();
  EXPECT_EQ(ReadFile(p.File(QStringLiteral("help.html"))), THelpForm::Source());
}

TEST(HelpForm, ALinkThatLeadsNowhereIsReplacedByThePage) {
  TStartedProgram p;
  const QString page = p.File(QStringLiteral("help.html"));
  const QString elsewhere = p.File(QStringLiteral("gone/page.html"));
  ASSERT_TRUE(QFile::link(elsewhere, page));
  p.Program->MainForm().HelpButtonClick();
  EXPECT_TRUE(p.Dialogs.Records.empty());
  EXPECT_FALSE(QFileInfo(page).isSymLink());
  EXPECT_EQ(ReadFile(page), THelpForm::Source());
  EXPECT_FALSE(QFileInfo::exists(elsewhere));
  EXPECT_TRUE(Help(p).Browser->toPlainText().contains(QStringLiteral("Substraction")));
}

TEST(HelpForm, AFolderThatCannotBeWrittenGivesTheCreateErrorAndStillOpens) {
  TStartedProgram p;
  p.Platform.Path = QStringLiteral("/nonexistent-helixor-folder/helixor");
  THelpForm help(p.Dialogs, p.Platform);
  help.ShowHelp();
  EXPECT_TRUE(help.isVisible());
  EXPECT_EQ(p.Dialogs.Messages(),
            QStringList{QStringLiteral("Cannot create file /nonexistent-helixor-folder/help.html.")});
  help.close();
  help.ShowHelp();  // the next showing tries again
  EXPECT_EQ(p.Dialogs.Messages().size(), 2);
}

TEST(HelpForm, APageThatIsAFifoIsRefusedWithoutWaiting) {
  TStartedProgram p;
  ASSERT_EQ(::mkfifo(QFile::encodeName(p.File(QStringLiteral("help.html"))).constData(), 0600), 0);
  p.Program->MainForm().HelpButtonClick();
  EXPECT_TRUE(Help(p).isVisible());
  EXPECT_EQ(p.Dialogs.Messages(), QStringList{QStringLiteral("File access denied.")});
}

TEST(HelpForm, ShowingItWhileVisibleDoesNotLoadThePageAgain) {
  TStartedProgram p;
  p.Program->MainForm().HelpButtonClick();
  WriteFile(p.File(QStringLiteral("help.html")), "<html><body>changed</body></html>");
  p.Program->MainForm().HelpButtonClick();
  EXPECT_TRUE(Help(p).Browser->toPlainText().contains(QStringLiteral("Substraction")));
}

TEST(HelpForm, OpensCentredFirstAndThenWhereItWasLeft) {
  TStartedProgram p;
  p.Program->MainForm().HelpButtonClick();
  EXPECT_EQ(Help(p).pos(), QPoint((1280 - 403) / 2, (1024 - 401) / 2));
  Help(p).move(40, 50);
  Help(p).close();
  p.Program->MainForm().HelpButtonClick();
  EXPECT_EQ(Help(p).pos(), QPoint(40, 50));
}

TEST(HelpForm, ThePageTextComesOutInItsGreyOnBlack) {
  TStartedProgram p;
  p.Program->MainForm().HelpButtonClick();
  const QImage shot = Help(p).Browser->viewport()->grab().toImage();
  // Antialiased grey text: neutral pixels up to #CCCCCC and none brighter.
  int grey = 0, brighter = 0, dark = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      const bool neutral = c.red() == c.green() && c.green() == c.blue();
      if (neutral && c.red() >= 0x80 && c.red() <= 0xCC) ++grey;
      if (neutral && c.red() > 0xCC) ++brighter;
      if (c.red() < 16 && c.green() < 16 && c.blue() < 16) ++dark;
    }
  EXPECT_GT(grey, 500);
  EXPECT_EQ(brighter, 0);
  EXPECT_GT(dark, shot.width() * shot.height() / 2);
}
