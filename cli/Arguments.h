#pragma once
// The command line's conventions: long options as "--name VALUE" or
// "--name=VALUE", short ones as "-n VALUE" or "-nVALUE", "--" ending the
// options, and a lone "-" taken as an argument, not an option.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TArguments {
 public:
  explicit TArguments(const std::vector<std::string>& args) : args_(args) {}

  // Moves to the next argument; false after the last.
  bool Next() {
    ++index_;
    if (index_ >= args_.size()) return false;
    if (options_ && args_[index_] == "--") {
      options_ = false;
      return Next();
    }
    return true;
  }

  const std::string& Current() const { return args_[index_]; }

  // An argument that is not an option: anything after "--", "-", or text
  // that does not start with "-".
  bool IsOperand() const {
    const std::string& a = Current();
    return !options_ || a.size() < 2 || a[0] != '-';
  }

  // Whether the current argument is the option, as --name, --name=VALUE,
  // -s or -sVALUE (s the short name, if it has one).
  bool Is(std::string_view longName, char shortName = 0) const {
    if (IsOperand()) return false;
    const std::string& a = Current();
    if (a.compare(0, longName.size(), longName) == 0 &&
        (a.size() == longName.size() || a[longName.size()] == '='))
      return true;
    return shortName && a.size() >= 2 && a[0] == '-' && a[1] == shortName;
  }

  // The value of the option just matched: after "=", after the short name,
  // or the next argument. False when there is none.
  bool Value(std::string& value) {
    const std::string& a = Current();
    if (a[1] != '-') {
      if (a.size() > 2) {
        value = a.substr(2);
        return true;
      }
    } else if (const std::size_t equals = a.find('='); equals != std::string::npos) {
      value = a.substr(equals + 1);
      return true;
    }
    if (index_ + 1 >= args_.size()) return false;
    value = args_[++index_];
    return true;
  }

  // For a flag: whether it was given a value it does not take (--flag=x).
  bool HasAttachedValue() const {
    const std::string& a = Current();
    return a[1] == '-' ? a.find('=') != std::string::npos : a.size() > 2;
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t index_ = static_cast<std::size_t>(-1);
  bool options_ = true;
};
