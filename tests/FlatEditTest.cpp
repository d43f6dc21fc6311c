#include "ControlsTestSupport.h"
#include "controls/TFlatButtonUnit.h"
#include "controls/TFlatEditUnit.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace ControlsTest;

namespace {

void UseMainWindowColours(TFlatEdit& edit) {
  edit.SetColorFocused(clBtnShadow);
  edit.SetColorBorder(clRed);
  edit.SetColorFlat(clBtnFace);
}

void MouseEnters(TFlatEdit& edit) {
  QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(edit.mapToGlobal(QPoint(5, 5))));
  QApplication::sendEvent(&edit, &event);
}

void MouseLeaves(TFlatEdit& edit) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(&edit, &event);
}

// The frame from the outside in: one pixel of border, two of the inner
// colour, then the text area in the inner colour.
void ExpectLook(TFlatEdit& edit, TColor inner) {
  const QImage image = Grab(edit);
  const int w = image.width(), h = image.height();
  for (QPoint p : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1),
                   QPoint(w / 2, 0), QPoint(0, h / 2), QPoint(w / 2, h - 1), QPoint(w - 1, h / 2)})
    EXPECT_EQ(PixelAt(image, p.x(), p.y()), ResolveColor(edit.ColorBorder())) << p.x() << "," << p.y();
  for (QPoint p : {QPoint(1, 1), QPoint(2, 2), QPoint(w - 2, h - 2), QPoint(w - 3, h - 3),
                   QPoint(w / 2, 1), QPoint(w / 2, 2), QPoint(1, h / 2), QPoint(w - 3, h / 2),
                   QPoint(w - 6, h / 2)})
    EXPECT_EQ(PixelAt(image, p.x(), p.y()), inner) << p.x() << "," << p.y();
}

class EditTest : public ::testing::Test {
 protected:
  EditTest() {
    PlatformFacts::Pins p = FixedSystemColourPins();
    p.Active = [this] { return Active; };
    PlatformFacts::SetPins(std::move(p));
    Form.resize(300, 200);
  }
  ~EditTest() override { PlatformFacts::ClearPins(); }

  TFlatEdit* MakeEdit(int top) {
    auto* edit = new TFlatEdit(&Form);
    edit->setGeometry(10, top, 65, 19);
    UseMainWindowColours(*edit);
    return edit;
  }

  bool Active = true;
  QWidget Form;
};

class EditWindowTest : public EditTest {
 protected:
  void SetUp() override {
    A = MakeEdit(10);
    B = MakeEdit(40);
    Button = new TFlatButton(&Form);
    Button->setGeometry(10, 70, 73, 19);
    Form.show();
    Form.activateWindow();
    if (!QTest::qWaitForWindowActive(&Form)) GTEST_SKIP() << "no active window on this platform";
  }
  TFlatEdit* A = nullptr;
  TFlatEdit* B = nullptr;
  TFlatButton* Button = nullptr;
};

}  // namespace

TEST_F(EditTest, ConstructorDefaults) {
  TFlatEdit edit;
  EXPECT_EQ(edit.geometry(), QRect(0, 0, 121, 19));
  EXPECT_FALSE(edit.hasFrame());
  EXPECT_EQ(edit.ColorFocused(), clWhite);
  EXPECT_EQ(edit.ColorBorder(), 8623776u);
  EXPECT_EQ(edit.ColorFlat(), 14805739u);
  EXPECT_TRUE(edit.ParentColor());
  EXPECT_FALSE(edit.UseAdvColors());
  EXPECT_EQ(edit.AdvColorFocused(), 10);
  EXPECT_EQ(edit.AdvColorBorder(), 50);
  EXPECT_FALSE(edit.MouseOver());
  edit.SetHelpKeyword("         a");
  EXPECT_EQ(edit.HelpKeyword(), "         a");
}

TEST_F(EditWindowTest, UnfocusedAndUnhoveredIsFlat) { ExpectLook(*B, FaceRGB); }

TEST_F(EditWindowTest, FocusHighlightsAndSurvivesTheMouseLeaving) {
  A->setFocus();
  ExpectLook(*A, ShadowRGB);
  MouseEnters(*A);
  MouseLeaves(*A);
  EXPECT_FALSE(A->MouseOver());
  ExpectLook(*A, ShadowRGB);
  B->setFocus();
  ExpectLook(*A, FaceRGB);
}

TEST_F(EditWindowTest, HoverIsIgnoredWhileAnotherFlatEditHasTheFocus) {
  A->setFocus();
  MouseEnters(*B);
  EXPECT_TRUE(B->MouseOver());
  EXPECT_FALSE(B->Highlighted());
  ExpectLook(*B, FaceRGB);
  // The focus moves to a button while the mouse stays over B.
  Button->setFocus();
  ASSERT_TRUE(Button->hasFocus());
  EXPECT_TRUE(B->Highlighted());
  ExpectLook(*B, ShadowRGB);
  MouseLeaves(*B);
  ExpectLook(*B, FaceRGB);
}

TEST_F(EditWindowTest, HoverHighlightsWhenNothingHasTheFocus) {
  if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  ASSERT_EQ(QApplication::focusWidget(), nullptr);
  MouseEnters(*B);
  ExpectLook(*B, ShadowRGB);
}

TEST_F(EditWindowTest, InactiveApplicationIgnoresTheMouseEntering) {
  Button->setFocus();
  Active = false;
  MouseEnters(*B);
  EXPECT_FALSE(B->MouseOver());
  ExpectLook(*B, FaceRGB);
  Active = true;
  MouseLeaves(*B);
  MouseEnters(*B);
  ExpectLook(*B, ShadowRGB);
}

TEST_F(EditWindowTest, EnterAndExitFollowTheFocus) {
  Button->setFocus();
  QSignalSpy enters(A, &TFlatEdit::OnEnter);
  QSignalSpy exits(A, &TFlatEdit::OnExit);
  A->setFocus();
  B->setFocus();
  EXPECT_EQ(enters.count(), 1);
  EXPECT_EQ(exits.count(), 1);
}

TEST_F(EditTest, ChangeOnlyWhenTheTextReallyChanges) {
  TFlatEdit* edit = MakeEdit(10);
  edit->setText("100");
  QSignalSpy changes(edit, &TFlatEdit::OnChange);
  edit->setText("100");
  EXPECT_EQ(changes.count(), 0);
  edit->setText("10");
  EXPECT_EQ(changes.count(), 1);
  QTest::keyClick(edit, Qt::Key_5);
  EXPECT_EQ(edit->text(), "105");
  EXPECT_EQ(changes.count(), 2);
}

TEST_F(EditTest, KeyDownComesFirstAndCanSwallowTheKey) {
  TFlatEdit* edit = MakeEdit(10);
  QList<int> seen;
  Qt::KeyboardModifiers shift;
  QObject::connect(edit, &TFlatEdit::OnKeyDown, [&](int& key, Qt::KeyboardModifiers mods) {
    seen << key;
    shift = mods;
    if (key == Qt::Key_A) key = 0;
  });
  QTest::keyClick(edit, Qt::Key_A);
  QTest::keyClick(edit, 'B', Qt::ShiftModifier);
  EXPECT_EQ(seen, (QList<int>{Qt::Key_A, Qt::Key_Shift, Qt::Key_B}));
  EXPECT_EQ(shift, Qt::ShiftModifier);
  EXPECT_EQ(edit->text(), "B");
}

TEST_F(EditTest, FontChangeRefitsTheHeight) {
  if (!TahomaAvailable()) GTEST_SKIP() << "Tahoma not installed";
  TFlatEdit* edit = MakeEdit(10);
  edit->resize(65, 40);
  edit->setFont(MainWindowFont());
  EXPECT_EQ(edit->height(), 19);  // usWinAscent + usWinDescent = 11 + 2, plus 6
  QFont large("Tahoma");
  large.setPixelSize(20);
  edit->setFont(large);
  EXPECT_EQ(edit->height(), TextHeight(large) + 6);
  EXPECT_EQ(edit->height(), 30);
  EXPECT_EQ(edit->width(), 65);
  // A parent's font change reaches the field too.
  Form.setFont(MainWindowFont());
  auto* inherits = new TFlatEdit(&Form);
  inherits->resize(65, 40);
  QFont parentFont = MainWindowFont();
  parentFont.setPixelSize(20);
  Form.setFont(parentFont);
  EXPECT_EQ(inherits->height(), TextHeight(parentFont) + 6);
}

TEST_F(EditTest, SettingColorFlatStopsFollowingTheParent) {
  auto* edit = new TFlatEdit(&Form);
  QPalette palette = Form.palette();
  palette.setColor(QPalette::Window, QColor(1, 2, 3));
  Form.setPalette(palette);
  EXPECT_EQ(edit->ColorFlat(), RGBToColor(1, 2, 3));
  edit->SetColorFlat(clRed);
  EXPECT_FALSE(edit->ParentColor());
  palette.setColor(QPalette::Window, QColor(4, 5, 6));
  Form.setPalette(palette);
  EXPECT_EQ(edit->ColorFlat(), clRed);
  edit->SetParentColor(true);
  EXPECT_EQ(edit->ColorFlat(), RGBToColor(4, 5, 6));
}

TEST_F(EditTest, AdvColorsDeriveFromTheParentAndStayWhenTurnedOff) {
  QPalette palette = Form.palette();
  palette.setColor(QPalette::Window, QColor(255, 255, 255));
  Form.setPalette(palette);
  TFlatEdit* edit = MakeEdit(10);
  ASSERT_FALSE(edit->ParentColor());
  edit->SetUseAdvColors(true);
  EXPECT_TRUE(edit->ParentColor());
  EXPECT_EQ(edit->ColorFlat(), clWhite);
  EXPECT_EQ(edit->ColorFocused(), RGBToColor(106, 106, 106));
  EXPECT_EQ(edit->ColorBorder(), RGBToColor(213, 213, 213));

  // With UseAdvColors on, the parent is followed even after ColorFlat was set.
  edit->SetColorFlat(clRed);
  palette.setColor(QPalette::Window, QColor(0, 0, 0));
  Form.setPalette(palette);
  EXPECT_EQ(edit->ColorFlat(), clBlack);
  EXPECT_EQ(edit->ColorFocused(), RGBToColor(21, 21, 21));
  EXPECT_EQ(edit->ColorBorder(), clBlack);

  edit->SetUseAdvColors(false);
  EXPECT_FALSE(edit->ParentColor());
  EXPECT_EQ(edit->ColorFocused(), RGBToColor(21, 21, 21));
}

TEST_F(EditTest, AmountZeroLeavesTheFocusColour) {
  TFlatEdit* edit = MakeEdit(10);
  edit->SetAdvColorFocused(0);
  edit->SetColorFocused(clRed);
  edit->SetUseAdvColors(true);
  EXPECT_EQ(edit->ColorFocused(), clRed);
  edit->SetAdvColorBorder(100);
  EXPECT_EQ(edit->ColorBorder(), DeriveAdvColor(edit->ColorFlat(), 0, 100, true));
}
