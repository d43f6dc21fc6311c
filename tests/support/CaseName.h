#pragma once
// Names for the cases of parameterised tests, spelt from the expression or
// text that each case tests, so that they read in a test list and can be
// picked with a filter: "2*-3" is 2TimesMinus3, "sin(t)" sinOpentClose,
// "7 MOD 3" 7_MOD_3. A name longer than the room for it is cut and ends in
// the case's index, which keeps it unique and the same from build to build.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

namespace helixor_test {

// Room for a case name: with "Prefix/Suite.Test/" in front, whole test
// names stay within 80 characters.
inline constexpr std::size_t CaseNameRoom = 32;

inline std::string SpellCaseText(std::string_view text) {
  if (text.empty()) return "Empty";
  std::string name;
  for (const char c : text) {
    switch (c) {
      case '+': name += "Plus"; break;
      case '-': name += "Minus"; break;
      case '*': name += "Times"; break;
      case '/': name += "Over"; break;
      case '^': name += "Pow"; break;
      case '(': name += "Open"; break;
      case ')': name += "Close"; break;
      case '.': name += "Dot"; break;
      case '!': name += "Bang"; break;
      case '\t': name += "Tab"; break;
      case ' ': case '_': name += '_'; break;
      default:
        if (std::isalnum(static_cast<unsigned char>(c))) {
          name += c;
        } else {
          char code[8];
          std::snprintf(code, sizeof code, "Char%02X", static_cast<unsigned char>(c));
          name += code;
        }
    }
  }
  return name;
}

// Cuts a name to the room, ending a cut name in "_<index>".
inline std::string FitCaseName(std::string name, std::size_t index) {
  if (name.size() <= CaseNameRoom) return name;
  const std::string tail = "_" + std::to_string(index);
  name.resize(CaseNameRoom - tail.size());
  return name + tail;
}

// The name generator for cases whose parameter is a text, or a struct with
// the text in `text`.
struct NameByText {
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    return FitCaseName(SpellCaseText(TextOf(info.param)), info.index);
  }

 private:
  static std::string_view TextOf(const char* text) { return text; }
  template <typename Case>
  static std::string_view TextOf(const Case& c) { return c.text; }
};

}  // namespace helixor_test
