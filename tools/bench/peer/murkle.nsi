; The benchmark's peer (tools/bench/bench-peer.sh): the same payload files installed
; as MurkleSetup installs them, by a general installer system. Not shipped.
;   makensis -DPAYLOAD=<payload dir> -DFILES=<files.nsh> -DOUT=<exe> [-DAMD64] murkle.nsi
; files.nsh lists the manifest's files, one File line each, in its order.
!ifdef AMD64
Target amd64-unicode
!else
Target x86-ansi
!endif
; One zlib stream per file, as ours.
SetCompressor zlib
Name "Murkle"
Caption "Murkle Setup"
OutFile "${OUT}"
InstallDir "C:\Program Files\Velmora\Murkle"
RequestExecutionLevel admin
AutoCloseWindow true
ShowInstDetails nevershow
LicenseData "${PAYLOAD}/licence.txt"

Page license
Page directory
Page instfiles

Section
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  SetShellVarContext current
  CreateDirectory "$SMPROGRAMS\Velmora\Murkle"
  CreateShortcut "$SMPROGRAMS\Velmora\Murkle\Murkle.lnk" "$INSTDIR\murkle.exe" "" "" 0 SW_SHOWNORMAL "" "Murkle"
  CreateShortcut "$SMPROGRAMS\Velmora\Murkle\How to order Murkle.lnk" "$INSTDIR\order.html" "" "" 0 SW_SHOWNORMAL "" "How to order Murkle"
  CreateShortcut "$SMPROGRAMS\Velmora\Murkle\Murkle licence.lnk" "$INSTDIR\licence.txt" "" "" 0 SW_SHOWNORMAL "" "Murkle licence"
  CreateShortcut "$SMPROGRAMS\Velmora\Murkle\Uninstall Murkle .lnk" "$INSTDIR\uninstall.exe" "" "" 0 SW_SHOWNORMAL "" "Uninstall Murkle "
  CreateShortcut "$DESKTOP\Murkle.lnk" "$INSTDIR\murkle.exe" "" "" 0 SW_SHOWNORMAL "" "Murkle"
  WriteRegStr HKCU "Software\Velmora\Murkle" "" ""
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora_Murkle" "DisplayName" "Velmora - Murkle"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora_Murkle" "UninstallString" '"$INSTDIR\uninstall.exe"'
SectionEnd
