; The peer of the installation benchmark: an NSIS installer that does the same core work as the
; silent setup with its defaults: the same payload files into the same folder, the same uninstall
; entry and application keys.
Unicode true
Target ${TARGET}
SetCompressor zlib
Name "Lanternix"
OutFile "${OUT}"
InstallDir "${PROGRAMS}\Lanternix"
RequestExecutionLevel admin
SilentInstall silent

!define UNINSTALL "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Lanternix"

Section
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteRegStr HKLM "${UNINSTALL}" "" ""
  WriteRegStr HKLM "${UNINSTALL}" "DisplayName" "Lanternix 4.65 (32-bit)"
  WriteRegStr HKLM "${UNINSTALL}" "UninstallString" '"$INSTDIR\lt_uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL}" "Publisher" "Quillon Varsk"
  WriteRegStr HKLM "${UNINSTALL}" "InstallLocation" "$INSTDIR\"
  WriteRegStr HKLM "${UNINSTALL}" "DisplayVersion" "4.65"
  WriteRegStr HKLM "${UNINSTALL}" "DisplayIcon" "$INSTDIR\l_tern32.exe,0"
  WriteRegDWORD HKLM "${UNINSTALL}" "VersionMajor" 4
  WriteRegDWORD HKLM "${UNINSTALL}" "VersionMinor" 65
  WriteRegDWORD HKLM "${UNINSTALL}" "EstimatedSize" 6144
  WriteRegStr HKLM "SOFTWARE\Classes\Lanternix" "" "Lanternix"
  WriteRegStr HKLM "SOFTWARE\Classes\Lanternix\shell\open\command" "" '"$INSTDIR\l_tern32.exe" "%1"'
  WriteRegStr HKCR "Applications\l_tern32.exe\shell\open\command" "" '"$INSTDIR\l_tern32.exe" "%1"'
  WriteRegStr HKCR "Applications\l_tern32.exe" "FriendlyAppName" "Lanternix 32-bit"
SectionEnd
