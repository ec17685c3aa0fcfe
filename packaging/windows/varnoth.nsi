; The Windows installer: varnoth.exe under Program Files with a Start-menu entry and an
; uninstall entry. Built by scripts/package-windows.sh with Debian's nsis, which passes:
;   VERSION  the game's version         EXE  the stripped varnoth.exe
;   DOCS     a folder of licence texts  OUTFILE  the installer to write
;
; The program goes in bin\ and an empty-but-for-a-note share\varnoth\ beside it: that
; folder marks an installed copy, which keeps its records, dat.ini, in the player's own
; %APPDATA%\varnoth (a Program Files folder is not the player's to write). The uninstaller
; removes what the installer put there and leaves the records.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true
; The installer keeps no file's time: two builds of it are the same bytes, and the
; installed files take the time they are installed.
SetDateSave off

!include "MUI2.nsh"
!include "x64.nsh"

!define APP Varnoth
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP}"
Caption "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" InstallLocation
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 ProductName "${APP}"
VIAddVersionKey /LANG=0 FileDescription "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 LegalCopyright "GPL-3.0-or-later"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!insertmacro MUI_PAGE_LICENSE "${DOCS}\COPYING.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR\bin"
  File "/oname=varnoth.exe" "${EXE}"
  SetOutPath "$INSTDIR\share\varnoth"
  File "/oname=README.txt" "${DOCS}\README-data.txt"
  SetOutPath "$INSTDIR"
  File "${DOCS}\COPYING.txt"
  File "${DOCS}\NOTICE.txt"
  File "${DOCS}\LGPL-3.txt"
  File "${DOCS}\Qt-copyright.txt"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\bin\varnoth.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetRegView 64
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "Varnoth developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\bin\varnoth.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
SectionEnd

; The player's records (%APPDATA%\varnoth\dat.ini) are theirs: not touched.
Section Uninstall
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$INSTDIR\bin\varnoth.exe"
  RMDir "$INSTDIR\bin"
  Delete "$INSTDIR\share\varnoth\README.txt"
  RMDir "$INSTDIR\share\varnoth"
  RMDir "$INSTDIR\share"
  Delete "$INSTDIR\COPYING.txt"
  Delete "$INSTDIR\NOTICE.txt"
  Delete "$INSTDIR\LGPL-3.txt"
  Delete "$INSTDIR\Qt-copyright.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetRegView 64
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
