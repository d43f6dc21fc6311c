#include "ControlsTestSupport.h"
#include "controls/TFlatButtonUnit.h"
#include "controls/TFlatEditUnit.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace ControlsTest;

namespace {

void SendMouse(QWidget& widget, QEvent::Type type, QPoint pos,
               Qt::MouseButton button = Qt::LeftButton, Qt::MouseButtons buttons = Qt::NoButton) {
  QMouseEvent event(type, QPointF(pos), QPointF(widget.mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}
void Press(QWidget& w, QPoint p) { SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
void Release(QWidget& w, QPoint p) { SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
void Move(QWidget& w, QPoint p, Qt::MouseButtons held = Qt::NoButton) {
  SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, held);
}
void ClickAt(QWidget& w, QPoint p = {10, 10}) {
  Press(w, p);
  Release(w, p);
}

// Every colour different, so each pixel tells which property painted it.
constexpr TColor Focused = RGBToColor(10, 20, 30);
constexpr TColor DownFace = RGBToColor(40, 50, 60);
constexpr TColor Border = RGBToColor(70, 80, 90);
constexpr TColor HighLight = RGBToColor(100, 110, 120);
constexpr TColor Shadow = RGBToColor(130, 140, 150);
constexpr TColor Face = RGBToColor(160, 170, 180);
constexpr TColor DarkBlue = 8404992;

void UseDistinctColours(TFlatButton& b) {
  b.SetColorFocused(Focused);
  b.SetColorDown(DownFace);
  b.SetColorBorder(Border);
  b.SetColorHighLight(HighLight);
  b.SetColorShadow(Shadow);
  b.SetColor(Face);
}

void UseMainWindowColours(TFlatButton& b) {
  b.SetColorFocused(clBtnShadow);
  b.SetColorDown(clBtnShadow);
  b.SetColorBorder(DarkBlue);
  b.SetColorHighLight(DarkBlue);
  b.SetColorShadow(clBlack);
  b.SetColor(clBtnFace);
}

// The pins every button test runs with: fixed system colours, a pinned
// control under the cursor and a pinned application state.
class ButtonTest : public ::testing::Test {
 protected:
  ButtonTest() {
    PlatformFacts::Pins p = FixedSystemColourPins();
    p.ControlAt = [this](const QPoint&) { return Hovered; };
    p.Cursor = [] { return QPoint(-1000, -1000); };
    p.Active = [this] { return Active; };
    PlatformFacts::SetPins(std::move(p));
    Form.resize(300, 200);
  }
  ~ButtonTest() override { PlatformFacts::ClearPins(); }

  TFlatButton* Make(int group = 0, int width = 73, int height = 19) {
    auto* b = new TFlatButton(&Form);
    b->setGeometry(0, 0, width, height);
    b->SetGroupIndex(group);
    return b;
  }

  QWidget* Hovered = nullptr;
  bool Active = true;
  QWidget Form;
};

}  // namespace

TEST_F(ButtonTest, ConstructorDefaults) {
  TFlatButton* b = Make();
  TFlatButton fresh;
  EXPECT_EQ(fresh.geometry(), QRect(0, 0, 25, 25));
  EXPECT_EQ(fresh.ColorDown(), 12965593u);
  EXPECT_EQ(fresh.ColorBorder(), 8623776u);
  EXPECT_EQ(fresh.ColorFocused(), 14805739u);
  EXPECT_EQ(fresh.Layout(), blGlyphTop);
  EXPECT_EQ(fresh.Spacing(), 4);
  EXPECT_EQ(fresh.Margin(), -1);
  EXPECT_FALSE(fresh.TabStop());
  EXPECT_EQ(fresh.focusPolicy(), Qt::ClickFocus);
  b->SetTabStop(true);
  EXPECT_EQ(b->focusPolicy(), Qt::StrongFocus);
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), -1);
}

TEST_F(ButtonTest, ParentColourIsTheFaceUntilColorIsSet) {
  QPalette palette = Form.palette();
  palette.setColor(QPalette::Window, QColor(1, 2, 3));
  Form.setPalette(palette);
  TFlatButton* b = Make();
  EXPECT_TRUE(b->ParentColor());
  EXPECT_EQ(b->Color(), RGBToColor(1, 2, 3));
  b->SetColor(clRed);
  EXPECT_FALSE(b->ParentColor());
  EXPECT_EQ(b->Color(), clRed);
}

namespace {
struct FrameCase {
  const char* Name;
  int Setup;  // 0 up, 1 up hovered, 2 pressed, 3 down member, 4 down member hovered, 5 disabled
  TColor Top, Bottom, Fill;
  TFlatButtonState State;
};
}  // namespace

TEST_F(ButtonTest, FrameAndFacePixelsOfEveryState) {
  const FrameCase cases[] = {
      {"up", 0, Border, Border, Face, fbsUp},
      {"up hovered", 1, HighLight, Shadow, Focused, fbsUp},
      {"pressed", 2, Shadow, HighLight, DownFace, fbsDown},
      {"down member", 3, Shadow, HighLight, DownFace, fbsExclusive},
      {"down member hovered", 4, Shadow, HighLight, Focused, fbsExclusive},
      {"disabled", 5, Border, Border, Face, fbsDisabled},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TFlatButton> b(Make(c.Setup == 3 || c.Setup == 4 ? 1 : 0));
    UseDistinctColours(*b);
    if (c.Setup == 1 || c.Setup == 4) b->MouseEnterButton();
    if (c.Setup == 2) Press(*b, {10, 10});
    if (c.Setup == 3 || c.Setup == 4) b->SetDown(true);
    if (c.Setup == 5) b->setEnabled(false);
    const QImage image = Grab(*b);
    EXPECT_EQ(b->DrawState(), c.State);
    // Top row up to the second last column and left column up to the second
    // last row in the top colour; the top-right and bottom-left corners, the
    // right column and the bottom row in the bottom colour.
    for (int x = 0; x < 72; ++x) EXPECT_EQ(PixelAt(image, x, 0), c.Top) << "top " << x;
    for (int y = 0; y < 18; ++y) EXPECT_EQ(PixelAt(image, 0, y), c.Top) << "left " << y;
    for (int y = 0; y < 19; ++y) EXPECT_EQ(PixelAt(image, 72, y), c.Bottom) << "right " << y;
    for (int x = 0; x < 73; ++x) EXPECT_EQ(PixelAt(image, x, 18), c.Bottom) << "bottom " << x;
    for (QPoint p : {QPoint(1, 1), QPoint(71, 1), QPoint(1, 17), QPoint(71, 17), QPoint(36, 9)})
      EXPECT_EQ(PixelAt(image, p.x(), p.y()), c.Fill) << p.x() << "," << p.y();
  }
}

namespace {
std::set<std::pair<int, int>> PixelsOf(const QImage& image, TColor colour) {
  std::set<std::pair<int, int>> pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (PixelAt(image, x, y) == colour) pixels.insert({x, y});
  return pixels;
}
}  // namespace

TEST_F(ButtonTest, PressedCaptionMovesOnePixelRightAndDown) {
  if (!TahomaAvailable()) GTEST_SKIP() << "Tahoma not installed";
  TFlatButton* b = Make(0, 73, 27);
  UseMainWindowColours(*b);
  b->setFont(MainWindowFont());
  b->SetCaption("Draw !");
  const QImage up = Grab(*b);
  Press(*b, {10, 10});
  const QImage pressed = Grab(*b);
  const auto upText = PixelsOf(up, clBlack);
  std::set<std::pair<int, int>> shifted;
  for (auto [x, y] : upText) shifted.insert({x + 1, y + 1});
  auto pressedText = PixelsOf(pressed, clBlack);
  // The pressed frame's top and left edges are black too.
  std::erase_if(pressedText, [](auto p) { return p.first == 0 || p.second == 0; });
  EXPECT_GT(upText.size(), 50u);
  EXPECT_EQ(pressedText, shifted);
  // Caption cell: 37 x 13 centred in 73 x 27, then moved by the offset.
  EXPECT_EQ(b->CaptionRect(), (TRect{19, 8, 56, 21}));
}

TEST_F(ButtonTest, DisabledCaptionIsHighlightUnderShadow) {
  if (!TahomaAvailable()) GTEST_SKIP() << "Tahoma not installed";
  TFlatButton* b = Make(0, 73, 27);
  UseMainWindowColours(*b);
  b->SetColor(Face);
  b->setFont(MainWindowFont());
  b->SetCaption("Draw !");
  b->setEnabled(false);
  const QImage image = Grab(*b);
  const auto shadow = PixelsOf(image, ShadowRGB);
  const auto highlight = PixelsOf(image, HighlightRGB);
  EXPECT_GT(shadow.size(), 50u);
  EXPECT_FALSE(highlight.empty());
  for (auto [x, y] : highlight) EXPECT_TRUE(shadow.count({x - 1, y - 1})) << x << "," << y;
  EXPECT_TRUE(PixelsOf(image, clBlack).empty());
}

namespace {
QImage Strip(const std::vector<QColor>& colours) {
  QImage strip(16 * int(colours.size()), 16, QImage::Format_RGB32);
  strip.fill(QColor(255, 0, 255));
  for (int i = 0; i < int(colours.size()); ++i)
    for (int y = 6; y < 10; ++y)
      for (int x = 6; x < 10; ++x) strip.setPixelColor(16 * i + x, y, colours[i]);
  return strip;
}
}  // namespace

TEST_F(ButtonTest, GlyphSetsNumGlyphsFromItsShape) {
  TFlatButton* b = Make();
  b->SetGlyph(QImage(64, 16, QImage::Format_RGB32));
  EXPECT_EQ(b->NumGlyphs(), 4);
  b->SetGlyph(QImage(80, 16, QImage::Format_RGB32));
  EXPECT_EQ(b->NumGlyphs(), 1);
  b->SetNumGlyphs(2);
  b->SetGlyph(QImage(50, 16, QImage::Format_RGB32));
  EXPECT_EQ(b->NumGlyphs(), 2);
}

TEST_F(ButtonTest, GlyphSliceForEachStateWithKeyColourLeftOut) {
  const std::vector<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
  // Slice shown per count (1..4) and state (up, disabled, pressed, down member).
  const int expected[4][4] = {{0, -1, 0, 0}, {0, 1, 0, 0}, {0, 1, 2, 2}, {0, 1, 2, 3}};
  for (int n = 1; n <= 4; ++n)
    for (int state = 0; state < 4; ++state) {
      if (expected[n - 1][state] < 0) continue;
      SCOPED_TRACE(testing::Message() << n << " images, state " << state);
      std::unique_ptr<TFlatButton> b(Make(state == 3 ? 1 : 0, 40, 40));
      UseDistinctColours(*b);
      b->SetGlyph(Strip(std::vector<QColor>(colours.begin(), colours.begin() + n)));
      ASSERT_EQ(b->NumGlyphs(), n);
      int offset = 0;
      if (state == 1) b->setEnabled(false);
      if (state == 2) Press(*b, {5, 5}), offset = 1;
      if (state == 3) b->SetDown(true), offset = 1;
      const QImage image = Grab(*b);
      const int origin = 12 + offset;  // (40 - 16 + 1) div 2: no caption, no spacing
      EXPECT_EQ(b->GlyphOrigin(), QPoint(origin, origin));
      EXPECT_EQ(image.pixelColor(origin + 7, origin + 7), colours[expected[n - 1][state]]);
      EXPECT_EQ(PixelAt(image, origin, origin), state >= 2 ? DownFace : Face);
      EXPECT_TRUE(PixelsOf(image, RGBToColor(255, 0, 255)).empty());
    }
}

TEST_F(ButtonTest, DisabledSingleGlyphIsEmbossed) {
  QImage glyph(16, 16, QImage::Format_RGB32);
  glyph.fill(Qt::white);
  for (int y = 6; y < 10; ++y)
    for (int x = 6; x < 10; ++x) glyph.setPixelColor(x, y, Qt::black);
  TFlatButton* b = Make(0, 40, 40);
  UseDistinctColours(*b);
  b->SetGlyph(glyph);
  b->setEnabled(false);
  const QImage image = Grab(*b);
  // The embossed image's own face colour is the key colour, so the button's
  // face shows around the shadow and highlight.
  EXPECT_EQ(PixelAt(image, 12, 12), Face);
  EXPECT_EQ(PixelAt(image, 12 + 6, 12 + 6), ShadowRGB);
  EXPECT_EQ(PixelAt(image, 12 + 10, 12 + 10), HighlightRGB);
  EXPECT_EQ(PixelAt(image, 12 + 10, 12 + 6), Face);
}

namespace {
struct DragCase {
  const char* Name;
  int Kind;  // 0 ungrouped, 1 group member up, 2 down member, 3 down member with all-up
  QPoint ReleaseAt;
  bool Clicks;
  bool DownAfter;
  TFlatButtonState StateAfter;
};
}  // namespace

TEST_F(ButtonTest, PressDragReleaseMatrix) {
  const DragCase cases[] = {
      {"ungrouped inside", 0, {10, 10}, true, false, fbsUp},
      {"ungrouped row below bottom", 0, {10, 19}, true, false, fbsUp},
      {"ungrouped right of right edge", 0, {73, 10}, false, false, fbsUp},
      {"ungrouped left of left edge", 0, {-1, 10}, false, false, fbsUp},
      {"ungrouped two rows below", 0, {10, 20}, false, false, fbsUp},
      {"ungrouped above top", 0, {10, -1}, false, false, fbsUp},
      {"member inside", 1, {72, 19}, true, true, fbsExclusive},
      {"member outside", 1, {73, 10}, false, false, fbsUp},
      {"down member inside", 2, {10, 10}, true, true, fbsExclusive},
      {"down member outside", 2, {10, 20}, false, true, fbsExclusive},
      {"all-up member inside", 3, {10, 10}, true, false, fbsUp},
      {"all-up member outside", 3, {100, 10}, false, true, fbsExclusive},
  };
  for (const DragCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TFlatButton> b(Make(c.Kind == 0 ? 0 : 1));
    b->SetAllowAllUp(c.Kind == 3);
    if (c.Kind >= 2) b->SetDown(true);
    QSignalSpy clicks(b.get(), &TFlatButton::OnClick);
    Press(*b, {10, 10});
    EXPECT_TRUE(b->Pressing());
    EXPECT_EQ(b->DrawState(), c.Kind >= 2 ? fbsExclusive : fbsDown);
    Move(*b, c.ReleaseAt, Qt::LeftButton);
    Release(*b, c.ReleaseAt);
    EXPECT_FALSE(b->Pressing());
    EXPECT_EQ(clicks.count(), c.Clicks ? 1 : 0);
    EXPECT_EQ(b->Down(), c.DownAfter);
    EXPECT_EQ(b->DrawState(), c.StateAfter);
  }
}

TEST_F(ButtonTest, DragOutAndBackSwitchesBetweenDownAndUp) {
  TFlatButton* b = Make();
  Press(*b, {10, 10});
  Move(*b, {73, 10}, Qt::LeftButton);
  EXPECT_EQ(b->DrawState(), fbsUp);
  Move(*b, {72, 19}, Qt::LeftButton);
  EXPECT_EQ(b->DrawState(), fbsDown);
  TFlatButton* member = Make(1);
  member->SetDown(true);
  Press(*member, {10, 10});
  Move(*member, {200, 10}, Qt::LeftButton);
  EXPECT_EQ(member->DrawState(), fbsExclusive);
}

TEST_F(ButtonTest, OtherButtonsAndRightReleaseEndingAPress) {
  TFlatButton* b = Make();
  QSignalSpy clicks(b, &TFlatButton::OnClick);
  SendMouse(*b, QEvent::MouseButtonPress, {10, 10}, Qt::RightButton, Qt::RightButton);
  EXPECT_FALSE(b->Pressing());
  SendMouse(*b, QEvent::MouseButtonRelease, {10, 10}, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(clicks.count(), 0);
  Press(*b, {10, 10});
  SendMouse(*b, QEvent::MouseButtonRelease, {10, 10}, Qt::RightButton, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_FALSE(b->Pressing());
  Release(*b, {10, 10});
  EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonTest, DisabledButtonIgnoresPresses) {
  TFlatButton* b = Make();
  b->setEnabled(false);
  QSignalSpy clicks(b, &TFlatButton::OnClick);
  ClickAt(*b);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_FALSE(b->Pressing());
}

TEST_F(ButtonTest, RadioGroupWithoutAllUp) {
  TFlatButton* front = Make(1);
  TFlatButton* left = Make(1);
  TFlatButton* iso = Make(1);
  iso->SetDown(true);
  QSignalSpy isoClicks(iso, &TFlatButton::OnClick);
  ClickAt(*iso);
  EXPECT_TRUE(iso->Down());
  EXPECT_EQ(isoClicks.count(), 1);

  bool isoUpAtClick = false;
  QObject::connect(front, &TFlatButton::OnClick, [&] { isoUpAtClick = !iso->Down(); });
  ClickAt(*front);
  EXPECT_TRUE(front->Down());
  EXPECT_FALSE(iso->Down());
  EXPECT_EQ(iso->DrawState(), fbsUp);
  EXPECT_TRUE(isoUpAtClick);
  EXPECT_FALSE(left->Down());

  // Down from code cannot raise the down member; another member going down can.
  front->SetDown(false);
  EXPECT_TRUE(front->Down());
  QSignalSpy leftClicks(left, &TFlatButton::OnClick);
  left->SetDown(true);
  EXPECT_FALSE(front->Down());
  EXPECT_EQ(leftClicks.count(), 0);
}

TEST_F(ButtonTest, ToggleWithAllUpAlternates) {
  TFlatButton* show = Make(2);
  show->SetAllowAllUp(true);
  show->SetDown(true);
  QSignalSpy clicks(show, &TFlatButton::OnClick);
  ClickAt(*show);
  EXPECT_FALSE(show->Down());
  ClickAt(*show);
  EXPECT_TRUE(show->Down());
  EXPECT_EQ(clicks.count(), 2);
  show->SetDown(false);
  EXPECT_FALSE(show->Down());
  EXPECT_EQ(show->DrawState(), fbsUp);
  EXPECT_EQ(clicks.count(), 2);
}

TEST_F(ButtonTest, UngroupedButtonIgnoresDown) {
  TFlatButton* b = Make();
  b->SetDown(true);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->DrawState(), fbsUp);
}

TEST_F(ButtonTest, GroupMembersTakeTheLastNotifiedAllowAllUp) {
  TFlatButton* a = Make(3);
  TFlatButton* b = Make(3);
  TFlatButton* other = Make(4);
  QWidget elsewhere;
  TFlatButton stranger(&elsewhere);
  stranger.SetGroupIndex(3);
  a->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp());
  EXPECT_FALSE(other->AllowAllUp());
  EXPECT_FALSE(stranger.AllowAllUp());
  // Joining a group also notifies it.
  TFlatButton* late = Make(0);
  late->SetGroupIndex(3);
  EXPECT_FALSE(a->AllowAllUp());
  EXPECT_FALSE(b->AllowAllUp());
}

TEST_F(ButtonTest, DoubleClickOnlyWhenDown) {
  TFlatButton* member = Make(1);
  QSignalSpy clicks(member, &TFlatButton::OnClick);
  QSignalSpy doubles(member, &TFlatButton::OnDblClick);
  ClickAt(*member);
  SendMouse(*member, QEvent::MouseButtonDblClick, {10, 10}, Qt::LeftButton, Qt::LeftButton);
  Release(*member, {10, 10});
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(doubles.count(), 1);

  TFlatButton* plain = Make();
  QSignalSpy plainDoubles(plain, &TFlatButton::OnDblClick);
  QSignalSpy plainClicks(plain, &TFlatButton::OnClick);
  ClickAt(*plain);
  SendMouse(*plain, QEvent::MouseButtonDblClick, {10, 10}, Qt::LeftButton, Qt::LeftButton);
  Release(*plain, {10, 10});
  EXPECT_EQ(plainClicks.count(), 2);
  EXPECT_EQ(plainDoubles.count(), 0);
}

TEST_F(ButtonTest, ClickGivesTheDialogItsModalResult) {
  QDialog dialog;
  TFlatButton ok(&dialog);
  ok.SetModalResult(3);
  dialog.open();
  ASSERT_TRUE(dialog.isVisible());
  ok.Click();
  EXPECT_EQ(dialog.result(), 3);
  EXPECT_FALSE(dialog.isVisible());

  TFlatButton* b = Make();
  b->SetModalResult(7);
  b->Click();
  EXPECT_EQ(Form.property("ModalResult").toInt(), 7);
}

TEST_F(ButtonTest, HoverStartsOnMoveAndEndsOnTimerTick) {
  TFlatButton* a = Make();
  Hovered = a;
  Move(*a, {5, 5});
  EXPECT_EQ(TFlatButton::HoverButton(), a);
  ASSERT_NE(TFlatButton::HoverTimer(), nullptr);
  EXPECT_TRUE(TFlatButton::HoverTimer()->isActive());
  EXPECT_EQ(TFlatButton::HoverTimer()->interval(), 100);
  EXPECT_TRUE(a->MouseOver());
  QTest::qWait(150);
  EXPECT_TRUE(a->MouseOver());  // still under the cursor
  Hovered = nullptr;
  QTest::qWait(250);
  EXPECT_FALSE(a->MouseOver());
  EXPECT_EQ(TFlatButton::HoverButton(), nullptr);
  EXPECT_FALSE(TFlatButton::HoverTimer()->isActive());
}

TEST_F(ButtonTest, MovingToAnotherButtonMovesTheHover) {
  TFlatButton* a = Make();
  TFlatButton* b = Make();
  Hovered = a;
  Move(*a, {5, 5});
  Hovered = b;
  Move(*a, {5, 5});  // a is no longer under the point: nothing happens
  EXPECT_EQ(TFlatButton::HoverButton(), a);
  Move(*b, {5, 5});
  EXPECT_FALSE(a->MouseOver());
  EXPECT_TRUE(b->MouseOver());
  EXPECT_EQ(TFlatButton::HoverButton(), b);
}

TEST_F(ButtonTest, NoHoverWhileTheApplicationIsInactive) {
  TFlatButton* a = Make();
  Active = false;
  Hovered = a;
  Move(*a, {5, 5});
  EXPECT_FALSE(a->MouseOver());
  EXPECT_EQ(TFlatButton::HoverButton(), nullptr);
}

TEST_F(ButtonTest, HoverStaysWhilePressedAndEndsOnReleaseOutside) {
  TFlatButton* a = Make();
  Hovered = a;
  Move(*a, {5, 5});
  Press(*a, {5, 5});
  Hovered = nullptr;
  QTest::qWait(250);
  EXPECT_TRUE(a->MouseOver());
  EXPECT_TRUE(TFlatButton::HoverTimer()->isActive());
  Release(*a, {100, 5});
  EXPECT_FALSE(a->MouseOver());
  EXPECT_EQ(TFlatButton::HoverButton(), nullptr);
  EXPECT_FALSE(TFlatButton::HoverTimer()->isActive());
}

TEST_F(ButtonTest, LeavingEndsAHoverThatNoTimerTracks) {
  // Clicked while no window is active: the release gives the hover look,
  // but no hover tracking started.
  TFlatButton* a = Make();
  Active = false;
  Hovered = a;
  ClickAt(*a, {5, 5});
  ASSERT_TRUE(a->MouseOver());
  EXPECT_EQ(TFlatButton::HoverButton(), nullptr);
  Hovered = nullptr;
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(a, &leave);
  EXPECT_FALSE(a->MouseOver());

  // While the mouse button is held the look stays.
  Active = true;
  Hovered = a;
  Move(*a, {5, 5});
  Press(*a, {5, 5});
  QApplication::sendEvent(a, &leave);
  EXPECT_TRUE(a->MouseOver());
  Release(*a, {5, 5});
}

TEST_F(ButtonTest, ReleaseInsideKeepsTheHoverLook) {
  TFlatButton* a = Make();
  Hovered = a;
  Move(*a, {5, 5});
  ClickAt(*a, {5, 5});
  EXPECT_TRUE(a->MouseOver());
  EXPECT_EQ(a->DrawState(), fbsUp);
}

TEST_F(ButtonTest, DisablingAHoveredButtonEndsTheHoverAtOnce) {
  TFlatButton* a = Make();
  UseDistinctColours(*a);
  Hovered = a;
  Move(*a, {5, 5});
  a->setEnabled(false);
  EXPECT_FALSE(a->MouseOver());
  EXPECT_EQ(a->DrawState(), fbsDisabled);
  EXPECT_EQ(TFlatButton::HoverButton(), nullptr);
  EXPECT_FALSE(TFlatButton::HoverTimer()->isActive());
  EXPECT_EQ(PixelAt(Grab(*a), 5, 5), Face);

  // Enabled again under the cursor: the hover look returns.
  a->setEnabled(true);
  EXPECT_TRUE(a->MouseOver());
  Grab(*a);
  EXPECT_EQ(a->DrawState(), fbsUp);
}

TEST_F(ButtonTest, EnabledAgainDownMemberIsExclusive) {
  TFlatButton* a = Make(1);
  a->SetDown(true);
  a->setEnabled(false);
  Grab(*a);
  EXPECT_EQ(a->DrawState(), fbsDisabled);
  a->setEnabled(true);
  Grab(*a);
  EXPECT_EQ(a->DrawState(), fbsExclusive);
}

TEST_F(ButtonTest, ButtonCountAndTheSharedTimer) {
  const int before = TFlatButton::ButtonCount();
  {
    TFlatButton one, two;
    EXPECT_EQ(TFlatButton::ButtonCount(), before + 2);
    Hovered = &two;
    Move(two, {1, 1});
    EXPECT_EQ(TFlatButton::HoverButton(), &two);
  }
  EXPECT_EQ(TFlatButton::ButtonCount(), before);
  EXPECT_EQ(TFlatButton::HoverButton(), nullptr);
  Hovered = nullptr;
  qDeleteAll(Form.findChildren<TFlatButton*>());
  // The last button gone, the timer goes with it.
  EXPECT_EQ(TFlatButton::ButtonCount(), 0);
  EXPECT_EQ(TFlatButton::HoverTimer(), nullptr);
}

// Tests that need a shown, active window (focus and shortcuts).
class ButtonWindowTest : public ButtonTest {
 protected:
  void SetUp() override {
    Form.show();
    Form.activateWindow();
    if (!QTest::qWaitForWindowActive(&Form)) GTEST_SKIP() << "no active window on this platform";
  }
};

TEST_F(ButtonWindowTest, AcceleratorClicksWithoutChangingDown) {
  TFlatButton* left = Make(1);
  left->SetCaption("&Left");
  left->show();
  QSignalSpy clicks(left, &TFlatButton::OnClick);
  QTest::keyClick(&Form, Qt::Key_L, Qt::AltModifier);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_FALSE(left->Down());
  left->setEnabled(false);
  QTest::keyClick(&Form, Qt::Key_L, Qt::AltModifier);
  EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonWindowTest, SpaceAndEnterDoNotPress) {
  TFlatButton* b = Make();
  b->SetTabStop(true);
  b->show();
  b->setFocus();
  QSignalSpy clicks(b, &TFlatButton::OnClick);
  QTest::keyClick(b, Qt::Key_Space);
  QTest::keyClick(b, Qt::Key_Return);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_EQ(b->DrawState(), fbsUp);
}

TEST_F(ButtonWindowTest, FieldExitComesBeforeTheClick) {
  auto* edit = new TFlatEdit(&Form);
  edit->setGeometry(0, 50, 65, 19);
  edit->show();
  TFlatButton* b = Make();
  b->show();
  edit->setFocus();
  ASSERT_TRUE(edit->hasFocus());
  QStringList events;
  QObject::connect(edit, &TFlatEdit::OnExit, [&] { events << "exit"; });
  QObject::connect(b, &TFlatButton::OnClick, [&] { events << "click"; });
  Press(*b, {5, 5});
  EXPECT_TRUE(b->hasFocus());
  Release(*b, {5, 5});
  EXPECT_EQ(events, (QStringList{"exit", "click"}));
}

TEST_F(ButtonTest, AdvColorsDeriveFromTheFace) {
  TFlatButton* b = Make();
  b->SetColor(clWhite);
  b->SetUseAdvColors(true);
  EXPECT_TRUE(b->ParentColor());
  QPalette palette = Form.palette();
  palette.setColor(QPalette::Window, QColor(255, 255, 255));
  Form.setPalette(palette);
  EXPECT_EQ(b->ColorFocused(), RGBToColor(106, 106, 106));
  EXPECT_EQ(b->ColorDown(), DeriveAdvColor(clWhite, 0, 10, true));
  EXPECT_EQ(b->ColorBorder(), RGBToColor(213, 213, 213));
  palette.setColor(QPalette::Window, QColor(0, 0, 0));
  Form.setPalette(palette);
  EXPECT_EQ(b->ColorFocused(), RGBToColor(21, 21, 21));
  EXPECT_EQ(b->ColorBorder(), clBlack);
}
