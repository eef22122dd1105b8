@echo off
rem sorvane-all.cmd HELPFILE TITLE /I
rem sorvane-all.cmd HELPFILE TITLE /U
rem
rem Runs sorvane.exe, beside this script or one folder up, for every Borland
rem IDE whose OpenHelp settings exist for the current user, and prints what
rem it prints. Exit status: 0 when every IDE found succeeded, 1 when any
rem failed, 2 when none was found. Run it elevated, as the program needs.
setlocal EnableExtensions DisableDelayedExpansion

set "SORVANE=%~dp0sorvane.exe"
if not exist "%SORVANE%" set "SORVANE=%~dp0..\sorvane.exe"
set "HELPFILE=%~1"
set "TITLE=%~2"
set "ACTION=%~3"
if /i not "%ACTION%"=="/I" if /i not "%ACTION%"=="/U" goto usage
if not "%~4"=="" goto usage

set "FOUND="
set "DONE="
set "FAILED="
call :ide /D4 "C++Builder 6" "HKCU\Software\Borland\C++Builder\6.0\OpenHelp"
call :ide /D5 "Delphi 5" "HKCU\Software\Borland\Delphi\5.0\OpenHelp"
call :ide /D6 "Delphi 6" "HKCU\Software\Borland\Delphi\6.0\OpenHelp"
call :ide /D7 "Delphi 7" "HKCU\Software\Borland\Delphi\7.0\OpenHelp"

if not defined FOUND goto none
if not defined DONE set "DONE=, none"
if not defined FAILED set "FAILED=, none"
echo sorvane-all: done: %DONE:~2%; failed: %FAILED:~2%.
if "%FAILED%"==", none" exit /b 0
exit /b 1

:none
echo sorvane-all: no Borland IDE found for this user; nothing done.
exit /b 2

:usage
echo usage: sorvane-all.cmd HELPFILE TITLE /I^|/U
exit /b 1

rem One IDE: %1 its switch, %2 its name, %3 its OpenHelp settings key.
:ide
reg query %3 /v ProjectFile >nul 2>&1
if errorlevel 1 goto :eof
set "FOUND=1"
"%SORVANE%" "%HELPFILE%" %1 %ACTION% "%TITLE%"
if errorlevel 1 goto ide-failed
set "DONE=%DONE%, %~2"
goto :eof
:ide-failed
set "FAILED=%FAILED%, %~2"
goto :eof
