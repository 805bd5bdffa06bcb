; The Windows installer of Veltaro: a per-user install (no administrator
; rights) of the window program, the command-line program and the help file
; side by side, a Start menu entry, an entry among the installed programs,
; the .vlt file type, and an uninstaller that removes all of it and leaves
; the user's own tables alone.
;
; makensis -DVERSION=x.y.z -DSOURCE=<folder> -DICON=<veltaro.ico> -DOUTFILE=<setup.exe> veltaro.nsi

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Veltaro"
!define PUBLISHER "Kelvara"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Veltaro"
!define FILE_TYPE "Veltaro.VariableTable"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
Icon "${ICON}"
UninstallIcon "${ICON}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Veltaro"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${SOURCE}/veltaro.exe"
  File "${SOURCE}/veltaro-calc.exe"
  File "${SOURCE}/veltaro.chm"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\veltaro.exe" "" "$INSTDIR\veltaro.exe" 0

  ; A .vlt file opens in Veltaro: the table the window starts with.
  WriteRegStr HKCU "Software\Classes\.vlt" "" "${FILE_TYPE}"
  WriteRegStr HKCU "Software\Classes\${FILE_TYPE}" "" "Veltaro variable table"
  WriteRegStr HKCU "Software\Classes\${FILE_TYPE}\DefaultIcon" "" "$INSTDIR\veltaro.exe,0"
  WriteRegStr HKCU "Software\Classes\${FILE_TYPE}\shell\open\command" "" '"$INSTDIR\veltaro.exe" "%1"'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\veltaro.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; The shell learns about the new file type.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\veltaro.exe"
  Delete "$INSTDIR\veltaro-calc.exe"
  Delete "$INSTDIR\veltaro.chm"
  ; The help support's log, which the program writes beside itself with -debug.
  Delete "$INSTDIR\HHDebug.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: tables the user kept there stay.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  DeleteRegKey HKCU "Software\Classes\${FILE_TYPE}"
  ; .vlt is let go only while it still names this program's type.
  ReadRegStr $0 HKCU "Software\Classes\.vlt" ""
  StrCmp $0 "${FILE_TYPE}" 0 +2
    DeleteRegKey HKCU "Software\Classes\.vlt"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
