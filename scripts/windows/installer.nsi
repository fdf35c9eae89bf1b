; Tarvo's per-user installer: no administrator rights, a Start-menu entry, an uninstaller that
; keeps the user's data (file1.trv, file2.trv and the usage history stay where they are).
; makensis -DVERSION=x.y.z -DSOURCE=<folder of the program> -DOUTFILE=<setup.exe> installer.nsi
; 64-bit, like the program: it also runs where only 64-bit programs do.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
Name "Tarvo"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tarvo"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvo"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Tarvo"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tarvo"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tarvo"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarvo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  CreateShortCut "$SMPROGRAMS\Tarvo.lnk" "$INSTDIR\tarvo.exe"
SectionEnd

Section "Uninstall"
  ; The program's own files only: what the user's meter wrote beside it stays.
  Delete "$INSTDIR\tarvo.exe"
  Delete "$INSTDIR\qt.conf"
  Delete "$INSTDIR\*.dll"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\tls"
  RMDir /r "$INSTDIR\translations"
  Delete "$INSTDIR\uninstall.exe"
  ; Its log is its own, not the user's: it goes with it.
  Delete "$INSTDIR\tarvo.log"
  Delete "$INSTDIR\tarvo.log.1"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tarvo.lnk"
  ; Start at login belongs to the program: a Run value left behind would start nothing.
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "Tarvo"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The settings (HKCU\Software\Tarvo\Tarvo) are the user's, as the data files are: kept.
SectionEnd
