#pragma once
// Facts about the machine and the running program, each read in one place
// so that tests can pin them.

#include <QString>

class TPlatform {
 public:
  virtual ~TPlatform() = default;
  // Width of the primary screen in pixels.
  virtual int ScreenWidth() const;
  // Height of the primary screen in pixels.
  virtual int ScreenHeight() const;
  // Full path of the running program's own file.
  virtual QString ProgramPath() const;
  // The folder of ProgramPath, with its trailing separator.
  QString ProgramFolder() const;
};
