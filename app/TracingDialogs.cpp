#include "app/TracingDialogs.h"

#include <cstdio>

namespace {

void Write(const QByteArray& line) {
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

QString Escaped(QString text) {
  return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
      .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
      .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
}

QByteArray Answer(const std::optional<QString>& name) {
  return "dialog: answer: " + (name ? Escaped(*name).toUtf8() : QByteArray("cancel"));
}

}  // namespace

QByteArray TTracingDialogs::Line(const char* kind, const QString& caption, const QString& text) {
  return QByteArray("dialog: ") + kind + ": " + Escaped(caption).toUtf8() + ": " +
         Escaped(text).toUtf8();
}

void TTracingDialogs::ErrorDialog(const QString& text) {
  Write(Line("error", QStringLiteral("Error"), text));
  inner_.ErrorDialog(text);
}

void TTracingDialogs::ErrorBox(const QString& text) {
  Write(Line("error box", ApplicationTitle, text));
  inner_.ErrorBox(text);
}

bool TTracingDialogs::AskYesNo(const QString& caption, const QString& text) {
  Write(Line("question", caption, text));
  const bool yes = inner_.AskYesNo(caption, text);
  Write(yes ? "dialog: answer: yes" : "dialog: answer: no");
  return yes;
}

std::optional<QString> TTracingDialogs::OpenFileName(const TFileDialogOptions& options) {
  Write(Line("open", options.Filter, options.InitialPath));
  const std::optional<QString> name = inner_.OpenFileName(options);
  Write(Answer(name));
  return name;
}

std::optional<QString> TTracingDialogs::SaveFileName(const TFileDialogOptions& options) {
  Write(Line("save", options.Filter, options.InitialPath));
  const std::optional<QString> name = inner_.SaveFileName(options);
  Write(Answer(name));
  return name;
}
