; Sorvane.nsh: adds a WinHelp file to the OpenHelp system of every Borland
; IDE found for the current user (C++Builder 6, Delphi 5, 6 and 7), or
; removes it again, by running sorvane.exe once per IDE.
;
;   !include "Sorvane.nsh"
;   !insertmacro SorvaneInstallHelp   "$INSTDIR\sorvane.exe" "$INSTDIR\Help\acme.hlp" "Acme Components"
;   !insertmacro SorvaneUninstallHelp "$INSTDIR\sorvane.exe" "$INSTDIR\Help\acme.hlp" "Acme Components"
;
; Each leaves two numbers on the stack: the first Pop gives the number of
; IDEs where the run failed, the second the number of IDEs found. An IDE is
; found when its "ProjectFile" setting exists under HKEY_CURRENT_USER. The
; program runs through nsExec: no console window opens, and what it prints
; goes to the installer's details. No message box is shown, so a silent
; install never waits for anybody. Works in install and uninstall sections
; alike and keeps every register as it was.

!ifndef SORVANE_NSH_INCLUDED
!define SORVANE_NSH_INCLUDED

!include LogicLib.nsh

; One IDE: $R1 counts the IDEs found, $R2 those that failed.
!macro _SorvaneRunForIde EXE HELPFILE TITLE ACTION SWITCH KEY
  ClearErrors
  ReadRegStr $R0 HKCU "${KEY}" "ProjectFile"
  ${IfNot} ${Errors}
    IntOp $R1 $R1 + 1
    nsExec::ExecToLog `"${EXE}" "${HELPFILE}" ${SWITCH} ${ACTION} "${TITLE}"`
    Pop $R0
    ${If} $R0 != "0"
      DetailPrint `sorvane ${SWITCH} ${ACTION} ended with "$R0".`
      IntOp $R2 $R2 + 1
    ${EndIf}
  ${EndIf}
  ClearErrors
!macroend

!macro _SorvaneRunForEveryIde EXE HELPFILE TITLE ACTION
  Push $R0
  Push $R1
  Push $R2
  StrCpy $R1 0
  StrCpy $R2 0
  !insertmacro _SorvaneRunForIde `${EXE}` `${HELPFILE}` `${TITLE}` ${ACTION} /D4 "Software\Borland\C++Builder\6.0\OpenHelp"
  !insertmacro _SorvaneRunForIde `${EXE}` `${HELPFILE}` `${TITLE}` ${ACTION} /D5 "Software\Borland\Delphi\5.0\OpenHelp"
  !insertmacro _SorvaneRunForIde `${EXE}` `${HELPFILE}` `${TITLE}` ${ACTION} /D6 "Software\Borland\Delphi\6.0\OpenHelp"
  !insertmacro _SorvaneRunForIde `${EXE}` `${HELPFILE}` `${TITLE}` ${ACTION} /D7 "Software\Borland\Delphi\7.0\OpenHelp"
  ; Restore the registers and leave: found, then failed on top.
  Exch $R2
  Exch
  Exch $R1
  Exch 2
  Pop $R0
!macroend

!macro SorvaneInstallHelp EXE HELPFILE TITLE
  !insertmacro _SorvaneRunForEveryIde `${EXE}` `${HELPFILE}` `${TITLE}` /I
!macroend

!macro SorvaneUninstallHelp EXE HELPFILE TITLE
  !insertmacro _SorvaneRunForEveryIde `${EXE}` `${HELPFILE}` `${TITLE}` /U
!macroend

!endif
