; The installer of Kalvimo for Windows, in Russian. Built by tools/build-windows:
;   makensis -DVERSION=x.y.z -DSTAGE=<folder of the unpacked programs> -DOUTFILE=<setup.exe>
; It installs into Program Files, adds a Start menu entry and an uninstaller. The data
; directory c:\KARDOVELNIST\ is the users' and is never touched, on installing or removing.
; 64-bit, as the programs are: it then runs where only 64-bit programs do, as under a wine
; without its 32-bit half.
Target amd64-unicode
!include "MUI2.nsh"

Name "Kalvimo ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kalvimo"
InstallDirRegKey HKLM "Software\Kalvimo" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvimo"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Kalvimo"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Kalvimo"
  CreateShortcut "$SMPROGRAMS\Kalvimo\Kalvimo.lnk" "$INSTDIR\kalvimo.exe"
  CreateShortcut "$SMPROGRAMS\Kalvimo\Удалить Kalvimo.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Kalvimo" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kalvimo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kalvimo.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Only what the installer put there: the data directory stays as the users left it.
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\translations"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\README.md"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Kalvimo\Kalvimo.lnk"
  Delete "$SMPROGRAMS\Kalvimo\Удалить Kalvimo.lnk"
  RMDir "$SMPROGRAMS\Kalvimo"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Kalvimo"
SectionEnd
