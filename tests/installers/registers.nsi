; Runs SorvaneInstallHelp with every register set, and ends with exit code
; 0 when each register is as it was, the two counts are on the stack (the
; IDEs that failed on top, then those found) and nothing else was taken.
Unicode true
Name "Sorvane.nsh registers"
RequestExecutionLevel user
SilentInstall silent

!include LogicLib.nsh
!include "Sorvane.nsh"

Var failed
Var found
Var below
Var wrong

!macro Set REGISTER NAME
  StrCpy ${REGISTER} "value of ${NAME}"
!macroend

!macro Check REGISTER NAME
  ${If} ${REGISTER} != "value of ${NAME}"
    StrCpy $wrong "$wrong ${NAME}"
  ${EndIf}
!macroend

!macro EveryRegister MACRO
  !insertmacro ${MACRO} $0 0
  !insertmacro ${MACRO} $1 1
  !insertmacro ${MACRO} $2 2
  !insertmacro ${MACRO} $3 3
  !insertmacro ${MACRO} $4 4
  !insertmacro ${MACRO} $5 5
  !insertmacro ${MACRO} $6 6
  !insertmacro ${MACRO} $7 7
  !insertmacro ${MACRO} $8 8
  !insertmacro ${MACRO} $9 9
  !insertmacro ${MACRO} $R0 R0
  !insertmacro ${MACRO} $R1 R1
  !insertmacro ${MACRO} $R2 R2
  !insertmacro ${MACRO} $R3 R3
  !insertmacro ${MACRO} $R4 R4
  !insertmacro ${MACRO} $R5 R5
  !insertmacro ${MACRO} $R6 R6
  !insertmacro ${MACRO} $R7 R7
  !insertmacro ${MACRO} $R8 R8
  !insertmacro ${MACRO} $R9 R9
!macroend

Section
  Push "below"
  !insertmacro EveryRegister Set
  !insertmacro SorvaneInstallHelp "$EXEDIR\sorvane.exe" "$EXEDIR\help\acme.hlp" "Acme Components"
  Pop $failed
  Pop $found
  Pop $below
  !insertmacro EveryRegister Check
  FileOpen $R0 "$EXEDIR\registers.txt" w
  FileWrite $R0 "failed=$failed found=$found below=$below wrong=$wrong"
  FileClose $R0
SectionEnd
