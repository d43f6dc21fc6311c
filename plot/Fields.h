#pragma once
// The main window's six input fields, as the Draw command reads them and as
// function files name them.

#include <array>
#include <optional>
#include <string_view>

enum class TField { AEdit, BEdit, xt, yt, zt, Precission };

// In the order of a function file.
constexpr std::array<TField, 6> AllFields{TField::AEdit, TField::BEdit, TField::xt,
                                          TField::yt,    TField::zt,    TField::Precission};

// The component name, e.g. "AEdit", "Precission" (double s, no second i).
constexpr std::string_view FieldName(TField field) {
  switch (field) {
    case TField::AEdit: return "AEdit";
    case TField::BEdit: return "BEdit";
    case TField::xt: return "xt";
    case TField::yt: return "yt";
    case TField::zt: return "zt";
    case TField::Precission: return "Precission";
  }
  return "";
}

// The text a field shows at start: the placeholder of an expression field,
// "100" for the sample count.
constexpr std::string_view InitialText(TField field) {
  switch (field) {
    case TField::AEdit: return "         a";
    case TField::BEdit: return "         b";
    case TField::xt: return "      x(t)";
    case TField::yt: return "      y(t)";
    case TField::zt: return "      z(t)";
    case TField::Precission: return "100";
  }
  return "";
}

// Names compared without regard to ASCII letter case.
constexpr bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

constexpr std::optional<TField> FieldByName(std::string_view name) {
  for (TField field : AllFields)
    if (SameNameIgnoringCase(name, FieldName(field))) return field;
  return std::nullopt;
}
