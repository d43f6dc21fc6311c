#include "app/MainUnit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/AppTestSupport.h"
#include "app/AboutUnit.h"
#include "app/GraphUnit.h"
#include "app/HelpUnit.h"
#include "controls/TFlatButtonUnit.h"
#include "controls/TFlatEditUnit.h"

namespace {

int RedPixels(const TPicture& picture) {
  int count = 0;
  for (int i = 0; i < TPicture::PixelCount; ++i) count += picture.Pixels()[i] == PureRedEntry;
  return count;
}

void Click(TFlatButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5)); }

// A line along x: a = 0, b = 1, x(t) = t, y(t) = z(t) = 0.
void EnterLine(TMainForm& m) {
  m.AEdit->setText(QStringLiteral("0"));
  m.BEdit->setText(QStringLiteral("1"));
  m.xt->setText(QStringLiteral("t"));
  m.yt->setText(QStringLiteral("0"));
  m.zt->setText(QStringLiteral("0"));
}

}  // namespace

TEST(MainForm, StartsWithPlaceholdersIsometricAndShowGraphDownAndTheFocusOnAbout) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  const QStringList texts{"         a", "         b", "      x(t)", "      y(t)", "      z(t)", "100"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m.Fields()[i]->text(), texts[i]);
  for (TFlatEdit* f : m.ExpressionFields()) EXPECT_EQ(f->HelpKeyword(), f->text());
  EXPECT_TRUE(m.Isometric->Down());
  EXPECT_FALSE(m.FrontButton->Down() || m.LeftButton->Down() || m.BottomButton->Down());
  EXPECT_TRUE(m.ShowButton->Down());
  EXPECT_FALSE(m.GraphDrawn);
  EXPECT_EQ(QApplication::focusWidget(), m.AboutButton);
  EXPECT_EQ(m.windowTitle(), QStringLiteral("Helixor 1.0"));
  EXPECT_EQ(m.size(), QSize(502, 134));
  EXPECT_EQ(m.pos(), QPoint((1280 - 502) / 2, 10));

  TGraphForm& g = p.Program->GraphForm();
  EXPECT_TRUE(g.isVisible());
  EXPECT_EQ(g.windowTitle(), QStringLiteral("Graph"));
  EXPECT_EQ(g.size(), QSize(601, 457));
  EXPECT_EQ(g.pos(), QPoint((1280 - 601) / 2, 134 + 10));
  EXPECT_TRUE(g.Picture() == Background(TBackground::Coord3D));
  EXPECT_EQ(g.ZoomLabel->text(), QStringLiteral("Zoom  :"));
  EXPECT_EQ(g.LengthLabel->text(), QStringLiteral("Length :"));
  EXPECT_TRUE(g.ZLabel->isVisible());
  EXPECT_FALSE(p.Program->AboutForm().isVisible());
}

// A desktop whose window manager frames the main window with a 22-pixel
// title bar and the tool windows with an 18-pixel one.
class TFramedPlatform : public TPinnedPlatform {
 public:
  QMargins FrameMargins(QWidget& window) const override {
    return window.objectName() == QStringLiteral("MainForm") ? QMargins(1, 22, 1, 1)
                                                              : QMargins(2, 18, 2, 2);
  }
};

TEST(MainForm, EveryWindowIsPlacedByItsOwnOuterFrame) {
  QTemporaryDir folder;
  TRecordingDialogs dialogs;
  TFramedPlatform platform;
  platform.Path = folder.filePath(QStringLiteral("helixor"));
  THelixor program(dialogs, platform, THelixorStart{});
  program.Show();

  // Outer sizes: main 504 x 157, graph 605 x 477, help 407 x 421. The
  // client areas stand inside the frames.
  const int mainLeft = (1280 - 504) / 2;
  EXPECT_EQ(program.MainForm().geometry().topLeft(), QPoint(mainLeft + 1, 10 + 22));
  // The graph window starts where the main window's frame ends.
  const int graphLeft = (1280 - 605) / 2;
  EXPECT_EQ(program.GraphForm().geometry().topLeft(), QPoint(graphLeft + 2, 10 + 157 + 18));

  program.HelpForm().ShowHelp();
  EXPECT_EQ(program.HelpForm().geometry().topLeft(),
            QPoint((1280 - 407) / 2 + 2, (1024 - 421) / 2 + 18));
  EXPECT_TRUE(dialogs.Messages().isEmpty()) << dialogs.Messages().join('|').toStdString();
}

TEST(MainForm, ControlsStandAtTheirPixelPositions) {
  TStartedProgram p(QString(), false);
  TMainForm& m = p.Program->MainForm();
  struct Case {
    QWidget* w;
    QRect r;
  };
  const Case cases[] = {
      {m.AEdit, {42, 24, 65, 19}},        {m.BEdit, {114, 24, 65, 19}},
      {m.xt, {268, 24, 65, 19}},          {m.yt, {340, 24, 65, 19}},
      {m.zt, {412, 24, 65, 19}},          {m.Precission, {336, 64, 72, 19}},
      {m.DrawButton, {416, 60, 73, 27}},  {m.FrontButton, {16, 64, 73, 19}},
      {m.LeftButton, {96, 64, 73, 19}},   {m.BottomButton, {176, 64, 73, 19}},
      {m.Isometric, {256, 64, 73, 19}},   {m.SaveButton, {16, 104, 73, 19}},
      {m.LoadButton, {96, 104, 73, 19}},  {m.BmpButton, {176, 104, 73, 19}},
      {m.ShowButton, {256, 104, 73, 19}}, {m.HelpButton, {336, 104, 73, 19}},
      {m.AboutButton, {416, 104, 73, 19}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.w->geometry(), c.r) << c.w->objectName().toStdString();
  EXPECT_EQ(m.Label5->text(), QStringLiteral("Precission :"));
  EXPECT_EQ(m.Label2->pos(), QPoint(16, 7));
  EXPECT_EQ(m.FunctionLabel->pos(), QPoint(222, 27));
  EXPECT_EQ(m.DrawButton->Caption(), QStringLiteral("Draw !"));
}

// Tabbing visits the tab stops in order; the fields clear and restore their
// placeholders on the way.
TEST(MainForm, TabbingVisitsTheStopsAndTogglesThePlaceholders) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  const QList<QWidget*> order{m.AEdit,     m.BEdit,      m.xt,         m.yt,
                              m.zt,        m.BmpButton,  m.Precission, m.SaveButton,
                              m.LoadButton, m.AboutButton};
  ASSERT_EQ(QApplication::focusWidget(), m.AboutButton);
  for (QWidget* expected : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), expected) << expected->objectName().toStdString();
    if (auto* field = qobject_cast<TFlatEdit*>(expected); field && field != m.Precission) {
      EXPECT_EQ(field->text(), QString()) << "entered field is emptied";
    }
  }
  for (TFlatEdit* f : m.ExpressionFields()) EXPECT_EQ(f->text(), f->HelpKeyword());
  EXPECT_EQ(m.Precission->text(), QStringLiteral("100"));
}

TEST(MainForm, OnlyFiveLeadingBlanksCountAsAPlaceholder) {
  TStartedProgram p(QString(), false);
  TMainForm& m = p.Program->MainForm();
  struct Case {
    QString text, afterEnter, afterExit;
  };
  const Case cases[] = {
      {"     5", "", "     5"},                    // five blanks: emptied on entry
      {"          ", "", "         a"},            // all blanks
      {" 1", " 1", " 1"},                          // one blank and a digit survive
      {"    1", "    1", "    1"},                  // four blanks are not enough
      {"\t\t\t\t\tt", "\t\t\t\t\tt", "\t\t\t\t\tt"},  // tabs are not blanks on entry
      {"\t \t", "\t \t", "         a"},             // but count as blank on leaving
      {"  t  ", "  t  ", "  t  "},                  // surrounding blanks are kept
      {"", "", "         a"},
  };
  for (const Case& c : cases) {
    m.AEdit->setText(c.text);
    m.AEditEnter(m.AEdit);
    EXPECT_EQ(m.AEdit->text(), c.afterEnter) << c.text.toStdString();
    m.AEdit->setText(c.text);
    m.ztExit(m.AEdit);
    EXPECT_EQ(m.AEdit->text(), c.afterExit) << c.text.toStdString();
  }
}

TEST(MainForm, FocusLeavingTheWindowIsNoExitFromTheField) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  m.xt->setFocus();
  ASSERT_EQ(m.xt->text(), QString());
  for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(m.xt, &out);
    EXPECT_EQ(m.xt->text(), QString()) << "placeholder not restored for a context menu or another window";
    m.xt->setText(QStringLiteral("     t"));
    QFocusEvent in(QEvent::FocusIn, reason);
    QApplication::sendEvent(m.xt, &in);
    EXPECT_EQ(m.xt->text(), QStringLiteral("     t")) << "coming back is no new entry";
    m.xt->setText(QString());
  }
  QTest::keyClick(m.xt, Qt::Key_Tab);
  EXPECT_EQ(m.xt->text(), QStringLiteral("      x(t)"));
}

TEST(MainForm, EmptiedPrecissionStaysEmptyOnLeaving) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  m.Precission->setFocus();
  m.Precission->setText(QString());
  m.AboutButton->setFocus();
  EXPECT_EQ(m.Precission->text(), QString());
}

TEST(MainForm, DrawWithThePlaceholdersStopsAtValueA) {
  TStartedProgram p;
  p.Program->MainForm().DrawButton->Click();
  ASSERT_EQ(p.Dialogs.Records.size(), 1u);
  EXPECT_EQ(p.Dialogs.Records[0].What, TDialogRecord::Error);
  EXPECT_EQ(p.Dialogs.Records[0].Caption, QStringLiteral("Error"));
  EXPECT_EQ(p.Dialogs.Records[0].Text, QStringLiteral("Error in value a!"));
  EXPECT_FALSE(p.Program->MainForm().GraphDrawn);
}

TEST(MainForm, EnterInZtDrawsWhateverTheShiftState) {
  for (Qt::KeyboardModifiers shift : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
                                      Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier)}) {
    TStartedProgram p;
    TMainForm& m = p.Program->MainForm();
    m.zt->setFocus();
    QTest::keyClick(m.zt, Qt::Key_Return, shift);
    EXPECT_EQ(p.Dialogs.Messages(), QStringList{QStringLiteral("Error in value a!")});
    p.Dialogs.Clear();
    QTest::keyClick(m.zt, Qt::Key_Enter, shift);
    EXPECT_EQ(p.Dialogs.Messages(), QStringList{QStringLiteral("Error in value a!")});
  }
  TStartedProgram p;  // Enter in another field does nothing
  p.Program->MainForm().yt->setFocus();
  QTest::keyClick(p.Program->MainForm().yt, Qt::Key_Return);
  EXPECT_TRUE(p.Dialogs.Records.empty());
}

TEST(MainForm, ACompletedDrawRedrawsOnAViewChange) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  TGraphForm& g = p.Program->GraphForm();
  EnterLine(m);
  Click(m.DrawButton);
  ASSERT_TRUE(p.Dialogs.Records.empty()) << p.Dialogs.Messages().join('|').toStdString();
  EXPECT_TRUE(m.GraphDrawn);
  EXPECT_EQ(g.ZoomLabel->text(), QStringLiteral("Zoom : 200.00x"));

  Click(m.FrontButton);
  EXPECT_TRUE(m.FrontButton->Down());
  EXPECT_FALSE(m.Isometric->Down());
  EXPECT_FALSE(g.ZLabel->isVisible());
  EXPECT_EQ(g.ZoomLabel->text(), QStringLiteral("Zoom : 200.00x"));
  EXPECT_EQ(g.LengthLabel->text(), QStringLiteral("Length : 1.00 approx."));
  // Front view: row 241 from column 298 up to, not including, 498.
  EXPECT_EQ(g.Picture().Pixel(298, 241), PureRedEntry);
  EXPECT_EQ(g.Picture().Pixel(497, 241), PureRedEntry);
  EXPECT_NE(g.Picture().Pixel(498, 241), PureRedEntry);

  Click(m.LeftButton);  // x is not shown in the left view: nothing visible
  EXPECT_EQ(g.XLabel->text(), QStringLiteral("Z"));
  EXPECT_EQ(g.YLabel->text(), QStringLiteral("Y"));
  EXPECT_EQ(RedPixels(g.Picture()), 0);
  EXPECT_EQ(g.LengthLabel->text(), QStringLiteral("Length : 1.00 approx."));
}

TEST(MainForm, AnEditClearsGraphDrawnSoAViewChangeOnlyResets) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  TGraphForm& g = p.Program->GraphForm();
  EnterLine(m);
  Click(m.DrawButton);
  m.Precission->setText(QStringLiteral("50"));
  EXPECT_TRUE(m.GraphDrawn) << "the sample count does not clear it";
  m.yt->setText(QStringLiteral("t"));
  EXPECT_FALSE(m.GraphDrawn);
  Click(m.BottomButton);
  EXPECT_TRUE(g.Picture() == Background(TBackground::Coord2D));
  EXPECT_EQ(g.XLabel->text(), QStringLiteral("X"));
  EXPECT_EQ(g.YLabel->text(), QStringLiteral("Z"));
  EXPECT_EQ(g.ZoomLabel->text(), QStringLiteral("Zoom :"));
  EXPECT_EQ(g.LengthLabel->text(), QStringLiteral("Length :"));
  Click(m.Isometric);
  EXPECT_TRUE(g.ZLabel->isVisible());
  EXPECT_TRUE(g.Picture() == Background(TBackground::Coord3D));
}

TEST(MainForm, SettingAFieldToItsOwnTextKeepsGraphDrawn) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  EnterLine(m);
  Click(m.DrawButton);
  m.xt->setText(m.xt->text());
  EXPECT_TRUE(m.GraphDrawn);
}

TEST(MainForm, PressingTheDownViewButtonAgainResetsAndRedraws) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  TGraphForm& g = p.Program->GraphForm();
  EnterLine(m);
  Click(m.DrawButton);
  const int drawn = RedPixels(g.Picture());
  ASSERT_GT(drawn, 0);
  g.SetZoomText(QStringLiteral("stale"));
  Click(m.Isometric);
  EXPECT_TRUE(m.Isometric->Down());
  EXPECT_EQ(g.ZoomLabel->text(), QStringLiteral("Zoom : 200.00x"));
  EXPECT_EQ(RedPixels(g.Picture()), drawn);
  // Without a completed drawing it only resets.
  m.zt->setText(QStringLiteral("t"));
  Click(m.Isometric);
  EXPECT_EQ(g.ZoomLabel->text(), QStringLiteral("Zoom :"));
  EXPECT_EQ(RedPixels(g.Picture()), 0);
}

TEST(MainForm, ShowGraphTogglesTheWindowAndTheCloseBoxRaisesTheButton) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  TGraphForm& g = p.Program->GraphForm();
  Click(m.ShowButton);
  EXPECT_FALSE(g.isVisible());
  EXPECT_FALSE(m.ShowButton->Down());
  Click(m.ShowButton);
  EXPECT_TRUE(g.isVisible());
  EXPECT_TRUE(m.ShowButton->Down());

  EnterLine(m);
  Click(m.DrawButton);
  const TPicture before = g.Picture();
  g.close();
  EXPECT_FALSE(g.isVisible());
  EXPECT_FALSE(m.ShowButton->Down());
  Click(m.ShowButton);
  EXPECT_TRUE(g.isVisible());
  EXPECT_TRUE(m.ShowButton->Down());
  EXPECT_TRUE(g.Picture() == before) << "hiding keeps the picture";
}

TEST(MainForm, AMinimisedGraphWindowCountsAsHiddenAndShowGraphRestoresIt) {
  // Window managers that offer minimising whatever a tool window asks.
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  TGraphForm& g = p.Program->GraphForm();
  g.setWindowState(g.windowState() | Qt::WindowMinimized);
  EXPECT_FALSE(g.IsShown());
  EXPECT_FALSE(m.ShowButton->Down());

  // About takes the main window as its reference then.
  Click(m.AboutButton);
  const QRect mf = m.frameGeometry();
  EXPECT_EQ(p.Program->AboutForm().pos(),
            QPoint(mf.left() + (mf.width() - 228) / 2, mf.top() + (mf.height() - 170) / 2));

  Click(m.ShowButton);
  EXPECT_TRUE(g.isVisible());
  EXPECT_FALSE(g.isMinimized());
  EXPECT_TRUE(m.ShowButton->Down());
  EXPECT_FALSE(m.isMinimized());

  // Brought back by the window manager: the button follows.
  g.setWindowState(g.windowState() | Qt::WindowMinimized);
  g.setWindowState(g.windowState() & ~Qt::WindowMinimized);
  EXPECT_TRUE(m.ShowButton->Down());
}

TEST(MainForm, TheOtherWindowsGoDownAndComeBackWithTheMainWindow) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  TGraphForm& g = p.Program->GraphForm();
  THelpForm& h = p.Program->HelpForm();
  TAboutForm& a = p.Program->AboutForm();
  Click(m.HelpButton);
  ASSERT_TRUE(h.isVisible());
  ASSERT_FALSE(a.isVisible());
  m.setWindowState(m.windowState() | Qt::WindowMinimized);
  EXPECT_FALSE(g.isVisible());
  EXPECT_FALSE(h.isVisible());
  EXPECT_TRUE(m.ShowButton->Down()) << "the graph window comes back";
  m.setWindowState(m.windowState() & ~Qt::WindowMinimized);
  EXPECT_TRUE(g.isVisible());
  EXPECT_TRUE(h.isVisible());
  EXPECT_FALSE(a.isVisible()) << "only the windows that were shown";

  // The help window minimised on its own: Help brings it back.
  h.setWindowState(h.windowState() | Qt::WindowMinimized);
  Click(m.HelpButton);
  EXPECT_TRUE(h.isVisible());
  EXPECT_FALSE(h.isMinimized());
  EXPECT_FALSE(m.isMinimized());
}

TEST(MainForm, DrawingWhileTheGraphIsHiddenLeavesItHidden) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  Click(m.ShowButton);
  EnterLine(m);
  Click(m.DrawButton);
  EXPECT_FALSE(p.Program->GraphForm().isVisible());
  EXPECT_GT(RedPixels(p.Program->GraphForm().Picture()), 0);
}

TEST(MainForm, AboutIsCentredOverTheGraphWindowOrElseOverTheMainWindow) {
  TStartedProgram p;
  TMainForm& m = p.Program->MainForm();
  TGraphForm& g = p.Program->GraphForm();
  TAboutForm& a = p.Program->AboutForm();
  Click(m.AboutButton);
  EXPECT_TRUE(a.isVisible());
  EXPECT_EQ(a.size(), QSize(228, 170));
  const QRect gf = g.frameGeometry();
  EXPECT_EQ(a.pos(), QPoint(gf.left() + (gf.width() - 228) / 2, gf.top() + (gf.height() - 170) / 2));
  a.OKButtonClick();
  EXPECT_FALSE(a.isVisible());

  Click(m.ShowButton);
  Click(m.AboutButton);
  const QRect mf = m.frameGeometry();
  EXPECT_EQ(a.pos(), QPoint(mf.left() + (mf.width() - 228) / 2, mf.top() + (mf.height() - 170) / 2));
  // Already visible: moved over the window that is now the reference.
  Click(m.ShowButton);
  Click(m.AboutButton);
  EXPECT_EQ(a.pos(), QPoint(gf.left() + (gf.width() - 228) / 2, gf.top() + (gf.height() - 170) / 2));
}
