#include "app/FrameExtents.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <QWindow>

#ifdef HELIXOR_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>
#endif

namespace {

#ifdef HELIXOR_HAVE_XCB

// How long to wait for the window manager's answer. A window manager
// answers within a few milliseconds; one that never does costs this once.
constexpr int AnswerTimeoutMs = 500;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
  if (!reply) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

// The 32-bit items of a property, or nothing when it is not set.
std::vector<uint32_t> Cardinals(xcb_connection_t* connection, xcb_window_t window,
                                xcb_atom_t property, xcb_atom_t type) {
  std::vector<uint32_t> items;
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr);
  if (!reply) return items;
  if (reply->format == 32) {
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
    items.assign(data, data + xcb_get_property_value_length(reply) / 4);
  }
  std::free(reply);
  return items;
}

xcb_window_t RootWindow(xcb_connection_t* connection) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  return screen ? screen->root : xcb_window_t(XCB_WINDOW_NONE);
}

// Whether a window manager runs that will answer the request: it names a
// live check window and lists the request among what it supports.
bool ManagerAnswersRequests(xcb_connection_t* connection, xcb_window_t root) {
  const auto check = Cardinals(connection, root, Atom(connection, "_NET_SUPPORTING_WM_CHECK"),
                               XCB_ATOM_WINDOW);
  if (check.empty()) return false;
  const auto supported =
      Cardinals(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  return std::find(supported.begin(), supported.end(), request) != supported.end();
}

QMargins AskFrameExtents(xcb_connection_t* connection, xcb_window_t window) {
  const xcb_window_t root = RootWindow(connection);
  if (root == XCB_WINDOW_NONE || !ManagerAnswersRequests(connection, root)) return {};
  const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
  auto read = [&]() -> std::optional<QMargins> {
    const auto items = Cardinals(connection, window, extents, XCB_ATOM_CARDINAL);
    if (items.size() < 4) return std::nullopt;
    // left, right, top, bottom
    return QMargins(int(items[0]), int(items[2]), int(items[1]), int(items[3]));
  };
  if (const auto known = read()) return *known;

  xcb_client_message_event_t message;
  std::memset(&message, 0, sizeof message);
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);
  QElapsedTimer clock;
  clock.start();
  do {
    if (const auto answer = read()) return *answer;
    QThread::msleep(2);
  } while (clock.elapsed() < AnswerTimeoutMs);
  return {};
}

#endif

}  // namespace

void MoveOuterTo(QWidget& window, const QPoint& outerTopLeft, const QMargins& frame) {
  if (frame.isNull())
    window.move(outerTopLeft);  // an unknown frame: the toolkit's frame position
  else
    window.setGeometry(QRect(outerTopLeft + QPoint(frame.left(), frame.top()), window.size()));
}

QMargins WindowFrameMargins(QWidget& window) {
  QWidget* top = window.window();
  if (top->isVisible() && top->windowHandle()) {
    const QMargins shown = top->windowHandle()->frameMargins();
    if (!shown.isNull()) return shown;
  }
#ifdef HELIXOR_HAVE_XCB
  if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
    if (xcb_connection_t* connection = x11->connection()) {
      // Creating the native window sets its type and decoration hints, by
      // which the window manager works out the frame.
      const auto id = xcb_window_t(top->winId());
      // The window manager counts in the screen's pixels, the windows in
      // the toolkit's, which differ on a scaled screen.
      const QMargins device = AskFrameExtents(connection, id);
      const qreal ratio = top->devicePixelRatioF();
      return QMargins(qRound(device.left() / ratio), qRound(device.top() / ratio),
                      qRound(device.right() / ratio), qRound(device.bottom() / ratio));
    }
  }
#endif
  // On Windows the frame follows from the window's style, and the toolkit
  // works it out as soon as the native window exists.
  if (QGuiApplication::platformName() == QLatin1String("windows")) {
    top->winId();
    if (QWindow* handle = top->windowHandle()) return handle->frameMargins();
  }
  return {};
}

void MinimiseAlone(QWidget& window) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  window.winId();  // the native window, whose owner is set on creation
  // With no owner the toolkit names the program's group leader instead.
  if (QWindow* handle = window.windowHandle()) handle->setTransientParent(nullptr);
}
