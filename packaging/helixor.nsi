; The Windows installer of Helixor: helixor.exe, helixor-cli.exe, the help
; page, the example function files and the licence into Program Files, a
; Start-menu entry, and an uninstaller listed under installed programs.
;
; Built on Linux with makensis (scripts/check-windows-gui.sh):
;   makensis -DVERSION=1.0 -DPROGRAMS_DIR=$PWD/build/windows/stage -DSOURCE_DIR=$PWD \
;            -DOUT_FILE=$PWD/build/windows/helixor-1.0-setup.exe packaging/helixor.nsi
; where PROGRAMS_DIR holds helixor.exe and helixor-cli.exe. Relative paths
; would be taken from this script's folder.

; A 64-bit installer for the 64-bit programs: it needs no 32-bit subsystem.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "LogicLib.nsh"

!ifndef VERSION | PROGRAMS_DIR | SOURCE_DIR | OUT_FILE
  !error "VERSION, PROGRAMS_DIR, SOURCE_DIR and OUT_FILE must be given with -D"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Helixor"

Name "Helixor ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\Helixor"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
Icon "${SOURCE_DIR}/resources/icons/helixor.ico"
UninstallIcon "${SOURCE_DIR}/resources/icons/helixor.ico"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Helixor"
VIAddVersionKey /LANG=1033 "FileDescription" "Helixor ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 the Helixor developers"

LicenseData "${SOURCE_DIR}/LICENSE"
Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Helixor"
  SetOutPath "$INSTDIR"
  File "${PROGRAMS_DIR}/helixor.exe"
  File "${PROGRAMS_DIR}/helixor-cli.exe"
  File "${SOURCE_DIR}/resources/help.html"
  File "/oname=LICENSE.txt" "${SOURCE_DIR}/LICENSE"
  SetOutPath "$INSTDIR\examples"
  File "${SOURCE_DIR}/resources/examples/*.fnc"
  SetOutPath "$INSTDIR"

  CreateShortcut "$SMPROGRAMS\Helixor.lnk" "$INSTDIR\helixor.exe" "" "$INSTDIR\helixor.exe" 0

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Helixor"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "the Helixor developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\helixor.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; The .fnc association the program wrote on its first start goes with the
  ; program, but only while it still opens files with this installation's
  ; helixor.exe: an association made by another program, or by a copy of
  ; Helixor elsewhere, stays.
  ReadRegStr $0 HKCR ".fnc\Shell\Open\Command" ""
  ${If} $0 == '"$INSTDIR\helixor.exe" "%1"'
    DeleteRegKey HKCR ".fnc"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  ${EndIf}

  Delete "$SMPROGRAMS\Helixor.lnk"
  Delete "$INSTDIR\helixor.exe"
  Delete "$INSTDIR\helixor-cli.exe"
  ; The page the program may have written again beside itself.
  Delete "$INSTDIR\help.html"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\examples\*.fnc"
  RMDir "$INSTDIR\examples"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
